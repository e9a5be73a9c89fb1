// Mending the split borders of a map of 20,000 zones (a 100 x 200 grid of squares) of
// which 5,000 pairs are split by an extra point on one side: the plan alone, and the plan
// applied to the surface with the neighbour rebuild after it, as the mend command does.
#include "BenchMain.h"
#include "mend/BorderMend.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <benchmark/benchmark.h>

#include <algorithm>

#include <memory>
#include <string>

namespace {

// The fastest repetition: on a shared machine the steadiest figure.
double Fastest(const std::vector<double>& V) {
    return V.empty() ? 0 : *std::min_element(V.begin(), V.end());
}

constexpr int Columns = 100;
constexpr int Rows = 200;
constexpr int Side = 20;

std::unique_ptr<TZoneSpriteSurface> SplitGrid() {
    auto S = std::make_unique<TZoneSpriteSurface>();
    for (int R = 0; R < Rows; ++R)
        for (int C = 0; C < Columns; ++C) {
            const int X = C * Side, Y = R * Side;
            const auto P = [](int PX, int PY) {
                return std::to_string(PX) + "," + std::to_string(PY) + ",";
            };
            std::string Text = P(X, Y) + P(X + Side, Y) + P(X + Side, Y + Side);
            // Every other zone of every other row splits its bottom edge.
            if (R % 2 == 0 && C % 2 == 0)
                Text += P(X + Side / 2, Y + Side);
            Text += P(X, Y + Side) + ";Z" + std::to_string(R * Columns + C) + ";0;";
            S->AddZone(new TZone(S.get(), Text));
        }
    return S;
}

void BM_PlanMend20000Zones5000Splits(benchmark::State& State) {
    const auto S = SplitGrid();
    const std::vector<TZone*> Zones = SurfaceZones(*S);
    for (auto _ : State) {
        const TBorderMend Mend = PlanBorderMend(Zones);
        if (Mend.Mended.size() != 5000)
            State.SkipWithError("expected 5000 mended pairs");
        benchmark::DoNotOptimize(Mend.PointsAdded);
    }
}
BENCHMARK(BM_PlanMend20000Zones5000Splits)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

void BM_MendAndRebuild20000Zones5000Splits(benchmark::State& State) {
    for (auto _ : State) {
        State.PauseTiming();
        auto S = SplitGrid();
        State.ResumeTiming();
        const TBorderMend Mend = PlanBorderMend(SurfaceZones(*S));
        ApplyOutlineChanges(*S, Mend.Changes);
        S->BuildNeighbors();
        State.PauseTiming();
        S.reset();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_MendAndRebuild20000Zones5000Splits)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
