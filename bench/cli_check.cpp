// The outline checks of "check" on one zone of 40,000 points: a random outline (crossings
// everywhere) and a zigzag of long edges that all overlap in x but never meet, the worst
// case of comparing edges whose x ranges overlap.
#include "cli/Geometry.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<TPoint> RandomOutline(int Count) {
    std::vector<TPoint> Points;
    uint32_t State = 7;
    for (int I = 0; I < Count; ++I) {
        State = State * 1103515245u + 12345u;
        const int32_t X = int32_t((State >> 8) % 100000u);
        State = State * 1103515245u + 12345u;
        Points.push_back({X, int32_t((State >> 8) % 100000u)});
    }
    return Points;
}

// A simple outline: long diagonals up and down a strip, closed down its left side.
std::vector<TPoint> Zigzag(int Count) {
    std::vector<TPoint> Points;
    for (int I = 0; I < Count - 2; ++I)
        Points.push_back({I % 2 == 0 ? 0 : 100000, I});
    Points.push_back({-10, Count - 3});
    Points.push_back({-10, 0});
    return Points;
}

void BM_SelfIntersectionRandom(benchmark::State& State) {
    const std::vector<TPoint> Points = RandomOutline(int(State.range(0)));
    for (auto _ : State) {
        TEdgePair Pair;
        benchmark::DoNotOptimize(FindSelfIntersection(Points, Pair));
    }
}
BENCHMARK(BM_SelfIntersectionRandom)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_SelfIntersectionZigzag(benchmark::State& State) {
    const std::vector<TPoint> Points = Zigzag(int(State.range(0)));
    for (auto _ : State) {
        TEdgePair Pair;
        if (FindSelfIntersection(Points, Pair))
            State.SkipWithError("the zigzag is simple");
    }
}
BENCHMARK(BM_SelfIntersectionZigzag)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
