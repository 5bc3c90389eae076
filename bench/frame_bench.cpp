// Cost of one tick with a full text cloud (a step and a 1920×1080 frame),
// measured side by side with a reference of the same size: clearing a
// 1920×1080 32-bit buffer and copying it once. Also the same tick paced as the
// live saver runs it, 30 times a second with the thread asleep in between, and
// the tick at the sizes of other screens (one monitor up to 3840×2160, and two
// 1920×1080 monitors side by side), each against the reference of its size.
// Run with --benchmark_repetitions=N for the median of N runs.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "animation/animation.h"
#include "animation/step.h"
#include "app/code_page_setup.h"
#include "app/gdi_line_rasteriser.h"
#include "render/drawing_surface.h"
#include "render/frame_renderer.h"
#include "scene/sea_scene.h"
#include "text/builtin_strings.h"
#include "text/emitter.h"
#include "text/message.h"

namespace {

constexpr int frame_w = 1920;
constexpr int frame_h = 1080;

// A frame in plain memory, as the hosts hand the renderer theirs.
struct Frame {
    std::vector<std::uint32_t> pixels;
    DrawingSurface surface;
    Frame(int width, int height) : pixels(static_cast<std::size_t>(width) * height, 0u) {
        attach_pixels(surface, pixels.data(), width, height, width, true);
    }
};

// The seeded scene holding the widest line of the default message, fully
// emitted, with the view where neither the lift nor a line change happens.
struct CloudScene {
    SeaScene scene;
    GdiLineRasteriser rasteriser;
    Frame memory{frame_w, frame_h};
    DrawingSurface& frame = memory.surface;
    CloudScene() {
        adopt_system_code_page();
        start_scene(scene, rasteriser, default_message(), 0, frame_w, frame_h);
        std::string widest;
        int widest_w = -1;
        for (int k = 0; k < 5; ++k) {
            advance_line(scene);
            pixel_buffer measure_only;  // nothing to draw on: the extent alone
            const int w = rasteriser.draw_line(scene.line, scene.encoding, measure_only).right;
            if (w > widest_w) {
                widest_w = w;
                widest = scene.line;
            }
        }
        clear(scene.particles);
        scene.line = widest;
        scene.emit_count = 0;
        scene.view.angle_z = -1.0;
        for (int k = 0; k < 32; ++k) emit_line(scene, scene.line);
    }
};

// The cloud falls into the sea as the ticks go by (a particle or more each
// tick), so each benchmark of it starts from a freshly emitted cloud and runs
// a fixed number of ticks: every run, and every build, measures the same work.
CloudScene& cloud(bool fresh = false) {
    static std::unique_ptr<CloudScene> instance;
    if (!instance || fresh) {
        instance.reset();
        instance = std::make_unique<CloudScene>();
    }
    return *instance;
}
constexpr int cloud_ticks = 400;

// The screens a saver may cover, and a frame surface for each, made once.
struct ScreenSize {
    int width;
    int height;
    const char* what;
};
constexpr ScreenSize screen_sizes[] = {
    {1280, 1024, "1280x1024"}, {1920, 1080, "1920x1080"},     {2560, 1440, "2560x1440"},
    {3840, 2160, "3840x2160"}, {3840, 1080, "2 x 1920x1080"},
};

DrawingSurface& frame_of_size(int width, int height) {
    static std::map<std::pair<int, int>, std::unique_ptr<Frame>> frames;
    std::unique_ptr<Frame>& frame = frames[{width, height}];
    if (!frame) frame = std::make_unique<Frame>(width, height);
    return frame->surface;
}

void screen_size_arguments(benchmark::internal::Benchmark* b) {
    for (const ScreenSize& size : screen_sizes) b->Args({size.width, size.height});
}

void BM_Step(benchmark::State& state) {
    CloudScene& c = cloud(true);
    for (auto _ : state) step(c.scene);
    state.counters["particles"] = c.scene.particles.count;
}

void BM_RenderFrame(benchmark::State& state) {
    CloudScene& c = cloud(true);
    const surface_rect rect{0, 0, frame_w, frame_h};
    for (auto _ : state) render_frame(c.scene, c.frame, rect);
}

void BM_StepAndRenderFrame(benchmark::State& state) {
    CloudScene& c = cloud(true);
    const surface_rect rect{0, 0, frame_w, frame_h};
    for (auto _ : state) {
        step(c.scene);
        render_frame(c.scene, c.frame, rect);
    }
}

// The turns and the projection of every point a frame draws, as the renderer
// does them (the grid row by row from its first to its last visible node,
// then the cloud a block at a time), without drawing: the per-point work.
class Transforms {
public:
    explicit Transforms(const SeaScene& scene)
        : grid_(static_cast<std::size_t>(scene.rows) * scene.cols),
          cloud_(static_cast<std::size_t>(scene.particles.count)) {}

    void run(const SeaScene& scene) {
        projected_points points{x_, y_, size_};
        const pose_turn view = turn_of(scene.view);
        const pose_turn tilt = turn_of(scene.pose);
        for (std::int32_t i = 0; i < scene.rows; ++i) {
            const Particle* row = scene.grid[i].get();
            std::int32_t first = 0;
            std::int32_t end = scene.cols;
            while (first < end && !row[first].visible) ++first;
            while (end > first && !row[end - 1].visible) --end;
            const polar_parts polar = grid_.parts(static_cast<std::size_t>(i) * scene.cols + first);
            turn_and_project(view, tilt, row + first, end - first, scene.eye_distance, points,
                             &polar);
        }
        const pose_turn cloud = turn_of(scene.particles.pose);
        for (std::int32_t first = 0; first < scene.particles.count; first += max_grid_count) {
            const std::int32_t n = std::min(max_grid_count, scene.particles.count - first);
            const polar_parts polar = cloud_.parts(static_cast<std::size_t>(first));
            turn_and_project(view, cloud, scene.particles.items.get() + first, n,
                             scene.eye_distance, points, &polar);
        }
        benchmark::DoNotOptimize(x_[0]);
    }

private:
    struct store {
        std::vector<std::uint64_t> keys;
        std::vector<double> values;
        explicit store(std::size_t n) : keys(2 * n), values(3 * n) {}
        polar_parts parts(std::size_t k) {
            const std::size_t n = keys.size() / 2;
            return {keys.data() + k, keys.data() + n + k, values.data() + k, values.data() + n + k,
                    values.data() + 2 * n + k};
        }
    };
    store grid_;
    store cloud_;
    double x_[max_grid_count];
    double y_[max_grid_count];
    std::int32_t size_[max_grid_count];
};

// The size-independent part of a tick: the step, and the turns and projection
// of every point.
void BM_StepAndTransforms(benchmark::State& state) {
    CloudScene& c = cloud(true);
    Transforms transforms(c.scene);
    for (auto _ : state) {
        step(c.scene);
        transforms.run(c.scene);
    }
}

// A tick as the live saver spends it: a step and a frame, then the rest of the
// 33 ms asleep, while the rest of the machine pushes the scene and the frame
// out of the caches, as it does between real ticks. The sleep is not counted.
void BM_PacedTick(benchmark::State& state) {
    CloudScene& c = cloud(true);
    const surface_rect rect{0, 0, frame_w, frame_h};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        step(c.scene);
        render_frame(c.scene, c.frame, rect);
        state.PauseTiming();
        std::this_thread::sleep_until(start + std::chrono::milliseconds(33));
        state.ResumeTiming();
    }
}

void clear_and_copy(benchmark::State& state, int width, int height) {
    std::vector<std::uint32_t> source(static_cast<std::size_t>(width) * height);
    std::vector<std::uint32_t> target(source.size());
    for (auto _ : state) {
        std::memset(source.data(), 0, source.size() * 4);
        benchmark::ClobberMemory();
        std::memcpy(target.data(), source.data(), source.size() * 4);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void BM_ClearAndCopyReference(benchmark::State& state) {
    clear_and_copy(state, frame_w, frame_h);
}

// A tick at the size of a screen, and the reference of that size beside it.
void BM_TickAtSize(benchmark::State& state) {
    CloudScene& c = cloud(true);
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    DrawingSurface& frame = frame_of_size(width, height);
    const surface_rect rect{0, 0, width, height};
    for (auto _ : state) {
        step(c.scene);
        render_frame(c.scene, frame, rect);
    }
}

void BM_ClearAndCopyAtSize(benchmark::State& state) {
    clear_and_copy(state, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
}

BENCHMARK(BM_Step)->Unit(benchmark::kMillisecond)->Iterations(cloud_ticks);
BENCHMARK(BM_RenderFrame)->Unit(benchmark::kMillisecond)->Iterations(cloud_ticks);
BENCHMARK(BM_StepAndRenderFrame)->Unit(benchmark::kMillisecond)->Iterations(cloud_ticks);
BENCHMARK(BM_StepAndTransforms)->Unit(benchmark::kMillisecond)->Iterations(cloud_ticks);
BENCHMARK(BM_ClearAndCopyReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedTick)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_TickAtSize)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(cloud_ticks)
    ->Apply(screen_size_arguments);
BENCHMARK(BM_ClearAndCopyAtSize)->Unit(benchmark::kMillisecond)->Apply(screen_size_arguments);

// Keeps each benchmark's CPU time per iteration, the median over repeated
// runs, so that the ratios can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // By function and arguments, without a fixed iteration count.
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                runs_[name].push_back(run.GetAdjustedCPUTime());
            } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians_[name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // The median CPU time of a benchmark by name; negative when it did not run.
    double median(const std::string& name) const {
        if (const auto given = medians_.find(name); given != medians_.end()) return given->second;
        const auto found = runs_.find(name);
        if (found == runs_.end() || found->second.empty()) return -1;
        std::vector<double> values = found->second;
        std::sort(values.begin(), values.end());
        const std::size_t n = values.size();
        return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    }

private:
    std::map<std::string, std::vector<double>> runs_;
    std::map<std::string, double> medians_;  // when only aggregates are reported
};

void print_size_table(const RatioReporter& reporter) {
    bool header = false;
    for (const ScreenSize& size : screen_sizes) {
        char tick_name[64];
        char reference_name[64];
        std::snprintf(tick_name, sizeof tick_name, "BM_TickAtSize/%d/%d", size.width, size.height);
        std::snprintf(reference_name, sizeof reference_name, "BM_ClearAndCopyAtSize/%d/%d",
                      size.width, size.height);
        const double tick = reporter.median(tick_name);
        const double reference = reporter.median(reference_name);
        if (tick < 0 || reference <= 0) continue;
        if (!header) {
            std::printf(
                "step + render_frame against clearing and copying a frame of the same "
                "size, CPU time, median of the runs (goal: at most 2.5 x):\n");
            header = true;
        }
        std::printf("  %-14s %9.3f ms  reference %8.3f ms  %6.3f x\n", size.what, tick, reference,
                    tick / reference);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double tick = reporter.median("BM_StepAndRenderFrame");
    const double reference = reporter.median("BM_ClearAndCopyReference");
    if (tick >= 0 && reference > 0) {
        std::printf(
            "step + render_frame at %dx%d with %d particles: %.3f x the clear-and-copy "
            "reference in CPU time (goal: at most 2.0)\n",
            frame_w, frame_h, cloud().scene.particles.count, tick / reference);
    }
    const double paced = reporter.median("BM_PacedTick");
    if (tick > 0 && paced >= 0) {
        std::printf(
            "the same tick paced at 30 per second: %.3f ms of CPU time, %.2f x the "
            "back-to-back tick, %.2f %% of one core\n",
            paced, paced / tick, paced * 30 / 10);
    }
    print_size_table(reporter);
    benchmark::Shutdown();
    return 0;
}
