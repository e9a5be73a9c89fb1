// The palette findings on the sample map set against what "check" costs there: the whole
// command (load, neighbour rebuild, every check), the checks of the loaded map, and the
// palette findings alone. Run from the build tree: the sample lies beside the editor.
#include "BenchMain.h"
#include "cli/MapSession.h"
#include "mapcheck/MapChecks.h"
#include "mapcheck/PaletteChecks.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <algorithm>

#include <memory>
#include <string>

namespace {

// The fastest repetition: on a shared machine the steadiest figure.
double Fastest(const std::vector<double>& V) {
    return V.empty() ? 0 : *std::min_element(V.begin(), V.end());
}

std::string SamplePath() {
    return QCoreApplication::applicationDirPath().toStdString() + "/../src/editor/sample.mapset";
}

void BM_CheckCommandOnSample(benchmark::State& State) {
    for (auto _ : State) {
        TMapSession Session;
        TFinding Error;
        if (!Session.Load(SamplePath(), Error)) {
            State.SkipWithError("build the sample first (target sample)");
            return;
        }
        Session.Surface().BuildNeighbors();
        benchmark::DoNotOptimize(CheckMapSet(Session.Surface()));
    }
}
BENCHMARK(BM_CheckCommandOnSample)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

std::unique_ptr<TMapSession> Sample;

TZoneSpriteSurface* LoadedSample() {
    if (!Sample) {
        Sample = std::make_unique<TMapSession>();
        TFinding Error;
        if (!Sample->Load(SamplePath(), Error))
            return nullptr;
        Sample->Surface().BuildNeighbors();
    }
    return &Sample->Surface();
}

void BM_ChecksOfLoadedSample(benchmark::State& State) {
    TZoneSpriteSurface* S = LoadedSample();
    if (S == nullptr) {
        State.SkipWithError("build the sample first (target sample)");
        return;
    }
    for (auto _ : State)
        benchmark::DoNotOptimize(CheckMapSet(*S));
}
BENCHMARK(BM_ChecksOfLoadedSample)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

void BM_PaletteFindingsOfLoadedSample(benchmark::State& State) {
    TZoneSpriteSurface* S = LoadedSample();
    if (S == nullptr) {
        State.SkipWithError("build the sample first (target sample)");
        return;
    }
    for (auto _ : State) {
        std::vector<TFinding> Findings;
        CheckPalettes(*S, Findings);
        benchmark::DoNotOptimize(Findings);
    }
}
BENCHMARK(BM_PaletteFindingsOfLoadedSample)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, [] { Sample.reset(); });
}
