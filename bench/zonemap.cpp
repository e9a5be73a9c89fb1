// Neighbour building (indexed against the pairwise reference), map-set load and save of a
// 20,000-zone map set beside plain stream I/O of the same bytes, and a path search across
// that map.

#include "../tests/zonemap/MapMaker.h"
#include "../tests/zonemap/PairwiseNeighbors.h"
#include "BenchMain.h"
#include "WigglyGrid.h"
#include "graphics/ColorPalette.h"
#include "platform/Bitmap.h"
#include "zonemap/ZoneEdgeTable.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace {

// Hexagon maps of about square shape for each zone count.
std::pair<int32_t, int32_t> GridFor(int64_t Zones) {
    switch (Zones) {
    case 1000:
        return {40, 25};
    case 5000:
        return {100, 50};
    default:
        return {200, int32_t(Zones / 200)};
    }
}

// One surface per zone count, made once: the benchmarks time only the operation.
TZoneSpriteSurface& HexSurface(int64_t Zones) {
    static std::map<int64_t, std::unique_ptr<TZoneSpriteSurface>> Surfaces;
    auto& Surface = Surfaces[Zones];
    if (!Surface) {
        Surface = std::make_unique<TZoneSpriteSurface>();
        const auto [Columns, Rows] = GridFor(Zones);
        MapMaker::AddHexMap(*Surface, Columns, Rows);
        // A sea strait down the middle, crossed at a few fords of land.
        for (int32_t R = 0; R < Rows; ++R)
            for (int32_t C = Columns * 2 / 5; C < Columns * 3 / 5; ++C)
                if (R % 25 != 0)
                    Surface->Zone(R * Columns + C)->SetIsSea(1);
        for (int32_t L = 0; L < 50; ++L)
            Surface->AddLink(Surface->Zone(L * 37 % int32_t(Zones)),
                             Surface->Zone(L * 7919 % int32_t(Zones)));
    }
    return *Surface;
}

void BM_BuildNeighborsIndexed(benchmark::State& State) {
    TZoneSpriteSurface& Surface = HexSurface(State.range(0));
    for (auto _ : State)
        Surface.BuildNeighbors();
    State.SetComplexityN(State.range(0));
    State.counters["ns/zone"] =
        benchmark::Counter(double(State.range(0)), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}
BENCHMARK(BM_BuildNeighborsIndexed)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_BuildNeighborsPairwise(benchmark::State& State) {
    TZoneSpriteSurface& Surface = HexSurface(State.range(0));
    for (auto _ : State)
        BuildNeighborsPairwise(Surface);
}
BENCHMARK(BM_BuildNeighborsPairwise)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_FindPath(benchmark::State& State) {
    TZoneSpriteSurface& Surface = HexSurface(20000);
    Surface.BuildNeighbors();
    TZone* Start = Surface.Zone(0);
    TZone* Destination = Surface.Zone(Surface.ZoneCount() - 1);
    for (auto _ : State)
        Surface.FindPath(Start, Destination);
    State.counters["path"] = double(Surface.PathCount());
    State.counters["cost"] = double(Destination->PathCost());
}
BENCHMARK(BM_FindPath)->Unit(benchmark::kMillisecond);

// --- Outlines of many points ------------------------------------------------------------

double Min(const std::vector<double>& V) {
    return V.empty() ? 0 : *std::min_element(V.begin(), V.end());
}

// The 200 x 100 wiggly grid with K pieces per side (4K points per zone) and 50 links.
TZoneSpriteSurface& WigglySurface(int64_t K) {
    static std::map<int64_t, std::unique_ptr<TZoneSpriteSurface>> Surfaces;
    auto& Surface = Surfaces[K];
    if (!Surface) {
        Surface = std::make_unique<TZoneSpriteSurface>();
        TWigglyGridOptions Options;
        Options.Segments = int32_t(K);
        Options.WithNeighbors = false;
        for (int32_t R = 0; R < Options.Rows; ++R)
            for (int32_t C = 0; C < Options.Columns; ++C)
                Surface->AddZone(new TZone(Surface.get(), WigglyGridZoneText(Options, R, C)));
        const int32_t Zones = Surface->ZoneCount();
        for (int32_t L = 0; L < 50; ++L)
            Surface->AddLink(Surface->Zone(L * 37 % Zones), Surface->Zone(L * 7919 % Zones));
        Surface->BuildNeighbors();
    }
    return *Surface;
}

void BM_BuildNeighborsWiggly(benchmark::State& State) {
    TZoneSpriteSurface& Surface = WigglySurface(State.range(0));
    for (auto _ : State)
        Surface.BuildNeighbors();
    State.counters["edges"] = double(Surface.ZoneCount()) * 4 * double(State.range(0));
}
BENCHMARK(BM_BuildNeighborsWiggly)
    ->Arg(1)
    ->Arg(8)
    ->Arg(75)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Min);

// One zone of the middle replaced by a zone of the same outline (as the editor's Replace
// does); timed: bringing the edge table and the neighbour lists up to date.
void BM_NeighborsAfterOneEdit(benchmark::State& State) {
    TZoneSpriteSurface& Surface = WigglySurface(State.range(0));
    TNeighborIndex Index(Surface);
    Index.Rebuild();
    const int32_t Middle = Surface.ZoneCount() / 2 + 77;
    for (auto _ : State) {
        const std::string Text = Surface.Zone(Middle)->ZoneText();
        const auto T0 = std::chrono::steady_clock::now();
        Index.ZoneDeleting(Surface.Zone(Middle));
        const auto T1 = std::chrono::steady_clock::now();
        Surface.DeleteZone(Surface.Zone(Middle));
        Surface.InsertZone(Middle, new TZone(&Surface, Text.substr(0, Text.find(';'))));
        const auto T2 = std::chrono::steady_clock::now();
        Index.ZoneAdded(Surface.Zone(Middle));
        Index.Update();
        const auto T3 = std::chrono::steady_clock::now();
        State.SetIterationTime(std::chrono::duration<double>((T1 - T0) + (T3 - T2)).count());
    }
    Surface.BuildNeighbors();
}
BENCHMARK(BM_NeighborsAfterOneEdit)
    ->Arg(1)
    ->Arg(8)
    ->Arg(75)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Min);

// --- Map-set file ----------------------------------------------------------------------

// Where the files are, once made; removed at exit.
std::filesystem::path MadeDir;

struct MapSetFiles {
    std::filesystem::path Dir;
    std::string Bitmap, MapSet[2], SaveTarget, PlainTarget;
    std::string MapSetBytes, BitmapBytes;
};

std::string ReadAll(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    std::ostringstream Out;
    Out << In.rdbuf();
    return Out.str();
}

// A 20,000-zone map set with one 2048 x 2048 bitmap placed four times and 50 links,
// written once by the program itself.
const MapSetFiles& Files() {
    static MapSetFiles F;
    if (!F.Dir.empty())
        return F;
    F.Dir = std::filesystem::temp_directory_path() / ("zonemap-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(F.Dir);
    MadeDir = F.Dir;
    F.Bitmap = (F.Dir / "world.bmp").string();
    TBitmap Image;
    Image.SetPixelFormat(TPixelFormat::pf8bit);
    std::vector<TRGBQuad> Colors(256);
    for (int I = 0; I < 256; ++I)
        Colors[size_t(I)] = {uint8_t(I), uint8_t(255 - I), uint8_t(I / 2), 0};
    Image.SetPalette(Colors);
    Image.SetSize(2048, 2048);
    for (int32_t Y = 0; Y < 2048; ++Y)
        for (int32_t X = 0; X < 2048; ++X)
            Image.ScanLine(Y)[X] = uint8_t(10 + ((X / 64) ^ (Y / 48)) % 200);
    Image.SaveToFile(F.Bitmap);

    TColorPalette Palette;
    TZoneSpriteSurface Surface;
    Surface.SetColorPalette(&Palette);
    Surface.SetBounds(0, 0, 640, 480);
    Surface.SetBitmapDirectory(F.Dir.string());
    Surface.AddBitmap("world.bmp");
    for (int32_t K = 0; K < 4; ++K)
        Surface.AddElement("world.bmp", (K % 2) * 2048, (K / 2) * 2048);
    TZoneSpriteSurface& Hex = HexSurface(20000);
    for (int32_t I = 0; I < Hex.ZoneCount(); ++I) {
        TZone* Z = new TZone(&Surface, MapMaker::CoordinateText(Hex.Zone(I)->Points()));
        Z->SetName(Hex.Zone(I)->Name());
        Z->SetIsSea(Hex.Zone(I)->IsSea());
        Surface.AddZone(Z);
    }
    for (int32_t L = 0; L < Hex.LinkCount(); ++L)
        Surface.AddLink(Surface.Zone(Hex.Link(L)->Zone1->Index()),
                        Surface.Zone(Hex.Link(L)->Zone2->Index()));
    Surface.BuildNeighbors();
    F.MapSet[0] = (F.Dir / "a.mapset").string();
    F.MapSet[1] = (F.Dir / "b.mapset").string();
    Surface.SaveMapSet(F.MapSet[0]);
    std::filesystem::copy_file(F.MapSet[0], F.MapSet[1]);
    F.SaveTarget = (F.Dir / "saved.mapset").string();
    F.PlainTarget = (F.Dir / "plain.mapset").string();
    F.MapSetBytes = ReadAll(F.MapSet[0]);
    F.BitmapBytes = ReadAll(F.Bitmap);
    return F;
}

struct LoadedSurface {
    LoadedSurface() {
        Surface.SetColorPalette(&Palette);
        Surface.SetBounds(0, 0, 640, 480);
        Surface.SetBitmapDirectory(Files().Dir.string());
        Surface.SetGridMarginTop(16);
        Surface.SetGridWidth(20);
        Surface.SetGridHeight(26);
    }
    TColorPalette Palette;
    TZoneSpriteSurface Surface;
};

void BM_LoadMapSet(benchmark::State& State) {
    const MapSetFiles& F = Files();
    LoadedSurface L;
    int Next = 0;
    for (auto _ : State) {
        // Alternate names: loading the current file name again does nothing.
        L.Surface.SetMapSetFile(F.MapSet[Next]);
        Next ^= 1;
    }
    State.counters["zones"] = double(L.Surface.ZoneCount());
    State.SetBytesProcessed(int64_t(State.iterations()) *
                            int64_t(F.MapSetBytes.size() + F.BitmapBytes.size()));
}
BENCHMARK(BM_LoadMapSet)->Unit(benchmark::kMillisecond);

// The bytes the load reads (map set and bitmap), read whole with a plain stream.
void BM_ReadSameBytesPlain(benchmark::State& State) {
    const MapSetFiles& F = Files();
    for (auto _ : State) {
        std::string A = ReadAll(F.MapSet[0]);
        std::string B = ReadAll(F.Bitmap);
        benchmark::DoNotOptimize(A.data());
        benchmark::DoNotOptimize(B.data());
    }
    State.SetBytesProcessed(int64_t(State.iterations()) *
                            int64_t(F.MapSetBytes.size() + F.BitmapBytes.size()));
}
BENCHMARK(BM_ReadSameBytesPlain)->Unit(benchmark::kMillisecond);

void BM_SaveMapSet(benchmark::State& State) {
    const MapSetFiles& F = Files();
    LoadedSurface L;
    L.Surface.SetMapSetFile(F.MapSet[0]);
    L.Surface.BuildNeighbors();
    for (auto _ : State)
        L.Surface.SaveMapSet(F.SaveTarget);
    State.SetBytesProcessed(int64_t(State.iterations()) * int64_t(F.MapSetBytes.size()));
}
BENCHMARK(BM_SaveMapSet)->Unit(benchmark::kMillisecond);

// The same bytes written over a file with a plain stream (no replace-by-rename).
void BM_WriteSameBytesPlain(benchmark::State& State) {
    const MapSetFiles& F = Files();
    for (auto _ : State) {
        std::ofstream Out(F.PlainTarget, std::ios::binary | std::ios::trunc);
        Out.write(F.MapSetBytes.data(), std::streamsize(F.MapSetBytes.size()));
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * int64_t(F.MapSetBytes.size()));
}
BENCHMARK(BM_WriteSameBytesPlain)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, [] {
        if (!MadeDir.empty())
            std::filesystem::remove_all(MadeDir);
    });
}
