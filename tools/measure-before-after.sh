#!/usr/bin/env bash
# The benchmark of an earlier commit beside this tree's, in one run: the step,
# the step and the transforms with a full text cloud, a tick with a 1920×1080
# frame, and the tick at the sizes of other screens against clearing and
# copying a frame of that size. Both benchmarks run in turn, round after
# round (medians of 5 repetitions each); the report gives each figure before
# and after and their ratio.
#   tools/measure-before-after.sh [BUILD_DIR, default build/release] [COMMIT, default
#                                  2a6e680] [ROUNDS, default 2]
# The earlier commit is checked out into BUILD_DIR/before; its benchmark gets
# the step-and-transforms case written against its own interfaces (the turns
# and projection its renderer did: copy each row into scratch records, turn
# them by the view, then the tilt, project them; the cloud likewise through
# its snapshot), and is made to run its cloud the way this tree's does: each
# benchmark from a freshly emitted cloud, for 400 ticks, so that both do the
# same work however fast they are.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
commit=${2:-2a6e680}
rounds=${3:-2}
after="$build/bench/nuvex_bench"
[[ -x $after ]] || { echo "measure-before-after: no benchmark in $build" >&2; exit 1; }
before_src="$build/before/src"
before_build="$build/before/build"
if [[ ! -d $before_src ]]; then
    git worktree add --detach "$before_src" "$commit" >/dev/null
    # The same protocol as this tree's benchmark: every benchmark of the cloud
    # starts from a freshly emitted cloud and runs 400 ticks.
    sed -i -e 's/^CloudScene& cloud() {$/CloudScene\& cloud(bool fresh = false) {/' \
        -e 's/^    static CloudScene instance;$/    static std::unique_ptr<CloudScene> instance;\
    if (!instance || fresh) { instance.reset(); instance = std::make_unique<CloudScene>(); }/' \
        -e 's/^    return instance;$/    return *instance;/' \
        -e 's/^    CloudScene& c = cloud();$/    CloudScene\& c = cloud(true);/' \
        -e 's/^\(BENCHMARK(BM_\(Step\|RenderFrame\|StepAndRenderFrame\|TickAtSize\))->Unit(benchmark::kMillisecond)\)/\1->Iterations(400)/' \
        "$before_src/bench/frame_bench.cpp"
    cat >>"$before_src/bench/frame_bench.cpp" <<'CASE'

namespace {
void BM_StepAndTransforms(benchmark::State& state) {
    CloudScene& c = cloud(true);
    static std::vector<Particle> scratch(max_grid_count);
    for (auto& record : scratch) init_particle(record);
    for (auto _ : state) {
        step(c.scene);
        SeaScene& scene = c.scene;
        for (std::int32_t i = 0; i < scene.rows; ++i) {
            const Particle* row = scene.grid[i].get();
            std::int32_t first = 0;
            std::int32_t end = scene.cols;
            while (first < end && !row[first].visible) ++first;
            while (end > first && !row[end - 1].visible) --end;
            copy_rotate_translate(scene.view, row + first, scratch.data(), end - first);
            rotate_translate(scene.pose, scratch.data(), end - first);
            project(scratch.data(), end - first, scene.eye_distance);
        }
        ParticleList& list = scene.particles;
        for (std::int32_t first = 0; first < list.count; first += 256) {
            const std::int32_t n = std::min(256, list.count - first);
            copy_rotate_translate(scene.view, list.items.get() + first, list.snapshot.get(), n);
            rotate_translate(list.pose, list.snapshot.get(), n);
            project(list.snapshot.get(), n, scene.eye_distance);
        }
        benchmark::DoNotOptimize(scratch[0].x);
    }
}
BENCHMARK(BM_StepAndTransforms)->Unit(benchmark::kMillisecond)->Iterations(400);
}  // namespace
CASE
fi
cmake -S "$before_src" -B "$before_build" -DCMAKE_BUILD_TYPE=Release -DNUVEX_BUILD_TESTS=OFF \
    -DNUVEX_BUILD_TOOLS=OFF >/dev/null
cmake --build "$before_build" --target nuvex_bench -j 2 >/dev/null

filter='BM_Step/|BM_StepAndTransforms|BM_StepAndRenderFrame|BM_ClearAndCopyReference|TickAtSize|ClearAndCopyAtSize'
results=$(mktemp)
trap 'rm -f "$results" "$results.csv"' EXIT
for round in $(seq 1 "$rounds"); do
    for side in before after; do
        binary=$after
        [[ $side == before ]] && binary="$before_build/bench/nuvex_bench"
        "$binary" --benchmark_filter="$filter" --benchmark_repetitions=5 \
            --benchmark_report_aggregates_only=true --benchmark_out="$results.csv" \
            --benchmark_out_format=csv >/dev/null 2>&1
        awk -F, -v side="$side" '$1 ~ /_median"$/ { gsub(/"/, "", $1); sub(/_median$/, "", $1);
                sub(/\/iterations:[0-9]+/, "", $1);
                print side, $1, $4 }' "$results.csv" >>"$results"
    done
done
echo "== $commit (before) and this tree (after), medians of 5, processor ms, medians of $rounds rounds"
awk '
    { key = $1 " " $2; v[key, ++n[key]] = $3 }
    function median(key,   m, i, j, t, a) {
        m = n[key]; for (i = 1; i <= m; i++) a[i] = v[key, i]
        for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
        return m % 2 ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2
    }
    END {
        printf "%-36s %10s %10s %8s\n", "benchmark", "before", "after", "speed-up"
        split("BM_Step BM_StepAndTransforms BM_StepAndRenderFrame BM_ClearAndCopyReference", order, " ")
        for (k = 1; k <= 4; k++) {
            name = order[k]
            b = median("before " name); a = median("after " name)
            if (n["before " name] && n["after " name])
                printf "%-36s %10.3f %10.3f %7.2fx\n", name, b, a, b / a
        }
        print ""
        print "the tick at each size against clearing and copying a frame of that size:"
        split("1280/1024 1920/1080 2560/1440 3840/2160 3840/1080", sizes, " ")
        for (k = 1; k <= 5; k++) {
            s = sizes[k]
            for (side = 1; side <= 2; side++) {
                who = side == 1 ? "before" : "after"
                t = median(who " BM_TickAtSize/" s); r = median(who " BM_ClearAndCopyAtSize/" s)
                if (r > 0) printf "  %-10s %-6s tick %7.3f ms  reference %7.3f ms  %6.2fx\n", s, who, t, r, t / r
            }
        }
    }' "$results"
