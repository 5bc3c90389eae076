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

CloudScene& cloud() {
    static CloudScene instance;
    return instance;
}

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
    CloudScene& c = cloud();
    for (auto _ : state) step(c.scene);
    state.counters["particles"] = c.scene.particles.count;
}

void BM_RenderFrame(benchmark::State& state) {
    CloudScene& c = cloud();
    const surface_rect rect{0, 0, frame_w, frame_h};
    for (auto _ : state) render_frame(c.scene, c.frame, rect);
}

void BM_StepAndRenderFrame(benchmark::State& state) {
    CloudScene& c = cloud();
    const surface_rect rect{0, 0, frame_w, frame_h};
    for (auto _ : state) {
        step(c.scene);
        render_frame(c.scene, c.frame, rect);
    }
}

// The size-independent part of a tick: the step, and the turns and projection
// of every point (a surface without memory takes no pixels).
void BM_StepAndTransforms(benchmark::State& state) {
    CloudScene& c = cloud();
    DrawingSurface no_memory;
    const surface_rect rect{0, 0, frame_w, frame_h};
    for (auto _ : state) {
        step(c.scene);
        render_frame(c.scene, no_memory, rect);
    }
}

// A tick as the live saver spends it: a step and a frame, then the rest of the
// 33 ms asleep, while the rest of the machine pushes the scene and the frame
// out of the caches, as it does between real ticks. The sleep is not counted.
void BM_PacedTick(benchmark::State& state) {
    CloudScene& c = cloud();
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
    CloudScene& c = cloud();
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

BENCHMARK(BM_Step)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepAndRenderFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepAndTransforms)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClearAndCopyReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedTick)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_TickAtSize)->Unit(benchmark::kMillisecond)->Apply(screen_size_arguments);
BENCHMARK(BM_ClearAndCopyAtSize)->Unit(benchmark::kMillisecond)->Apply(screen_size_arguments);

// Keeps each benchmark's CPU time per iteration, the median over repeated
// runs, so that the ratios can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                runs_[run.run_name.str()].push_back(run.GetAdjustedCPUTime());
            } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians_[run.run_name.str()] = run.GetAdjustedCPUTime();
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
    const double paced = reporter.median("BM_PacedTick/iterations:300");
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
