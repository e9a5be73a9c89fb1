// The outline checks of "check" on one zone of 40,000 points: a random outline (crossings
// everywhere) and a zigzag of long edges that all overlap in x but never meet, the worst
// case of comparing edges whose x ranges overlap. Then the whole check of a loaded map of
// 20,000 zones over 1000 x 1000 tiles, with the neighbour rebuild that precedes it: what the
// editor pays after each edit.
#include "BenchMain.h"
#include "WigglyGrid.h"
#include "cli/MapSession.h"
#include "mapcheck/FileChecks.h"
#include "mapcheck/Geometry.h"
#include "mapcheck/MapChecks.h"
#include "platform/Bitmap.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
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

// The text checks on a hostile file of about 2 MB: 50,000 Bitmap lines, then 50,000 Element
// lines each naming a bitmap that none of them loads (every lookup misses, every hint is
// sought).
void BM_CheckMapSetTextManyUnknownBitmaps(benchmark::State& State) {
    std::string Text;
    for (int I = 0; I < 50000; ++I)
        Text += "Bitmap=b" + std::to_string(I) + ".bmp\r\n";
    for (int I = 0; I < 50000; ++I)
        Text += "Element=e" + std::to_string(I) + ".bmp:0,0\r\n";
    for (auto _ : State)
        if (CheckMapSetText(Text).size() != 50000)
            State.SkipWithError("every element names an unknown bitmap");
    State.counters["bytes"] = double(Text.size());
}
BENCHMARK(BM_CheckMapSetTextManyUnknownBitmaps)->Unit(benchmark::kMillisecond);

// Rows x Columns standard zones (bricks of Size, odd rows shifted by half) named Sea1, ...,
// over copies of one 1000 x 1000 tile: a clean map as the editor's grid template makes it.
void WriteBrickMap(const std::string& Dir, int Rows, int Columns, int Size) {
    const int Tile = 1000;
    TBitmap Image;
    Image.SetPixelFormat(TPixelFormat::pf8bit);
    Image.SetPalette(std::vector<TRGBQuad>(256, TRGBQuad{0, 0, 128, 0}));
    Image.SetSize(Tile, Tile);
    Image.SaveToFile(Dir + "/tile.bmp");
    std::ofstream File(Dir + "/bricks.mapset", std::ios::binary);
    File << "Bitmap=tile.bmp\r\n";
    for (int Y = 0; Y < Rows * Size; Y += Tile)
        for (int X = 0; X < Columns * Size + Size / 2; X += Tile)
            File << "Element=tile.bmp:" << X << "," << Y << "\r\n";
    int Number = 0;
    for (int Row = 0; Row < Rows; ++Row)
        for (int Col = 0; Col < Columns; ++Col) {
            const int T = Row * Size;
            const int L = Col * Size + (Row % 2 == 1 ? Size / 2 : 0);
            File << "Zone=" << L << "," << T << "," << L + Size / 2 << "," << T << "," << L + Size
                 << "," << T << "," << L + Size << "," << T + Size << "," << L + Size / 2 << ","
                 << T + Size << "," << L << "," << T + Size << ",;Sea" << ++Number << ";1;\r\n";
        }
}

// Made once and released before the application ends: the surface is a widget.
std::unique_ptr<TMapSession> Bricks;

TMapSession& BrickSession() {
    static QTemporaryDir Dir;
    if (!Bricks) {
        const std::string Path = Dir.path().toStdString();
        WriteBrickMap(Path, 100, 200, 20);
        Bricks = std::make_unique<TMapSession>();
        TFinding Error;
        if (!Bricks->Load(Path + "/bricks.mapset", Error))
            std::abort();
        Bricks->Surface().BuildNeighbors();
    }
    return *Bricks;
}

void BM_CheckMapSet20000Zones(benchmark::State& State) {
    TZoneSpriteSurface& Surface = BrickSession().Surface();
    for (auto _ : State)
        if (!CheckMapSet(Surface).empty())
            State.SkipWithError("the brick map is clean");
}
BENCHMARK(BM_CheckMapSet20000Zones)->Unit(benchmark::kMillisecond);

void BM_BuildNeighborsAndCheck20000Zones(benchmark::State& State) {
    TZoneSpriteSurface& Surface = BrickSession().Surface();
    for (auto _ : State) {
        Surface.BuildNeighbors();
        benchmark::DoNotOptimize(CheckMapSet(Surface));
    }
}
BENCHMARK(BM_BuildNeighborsAndCheck20000Zones)->Unit(benchmark::kMillisecond);

double Min(const std::vector<double>& V) {
    return V.empty() ? 0 : *std::min_element(V.begin(), V.end());
}

// The wiggly grids (20,000 zones of 4K points each, 72 elements), loaded from their files.
std::map<int64_t, std::unique_ptr<TMapSession>> Wiggly;

TMapSession& WigglySession(int64_t K) {
    auto& Session = Wiggly[K];
    if (!Session) {
        QTemporaryDir Dir;
        TWigglyGridOptions Options;
        Options.Segments = int32_t(K);
        const TWigglyGridFiles Files = WriteWigglyGrid(Dir.path().toStdString(), Options);
        Session = std::make_unique<TMapSession>();
        TFinding Error;
        if (!Session->Load(Files.MapSet, Error))
            std::abort();
        Session->Surface().BuildNeighbors();
    }
    return *Session;
}

void BM_CheckMapSetWiggly(benchmark::State& State) {
    TZoneSpriteSurface& Surface = WigglySession(State.range(0)).Surface();
    for (auto _ : State)
        if (!CheckMapSet(Surface).empty())
            State.SkipWithError("the wiggly grid is clean");
}
BENCHMARK(BM_CheckMapSetWiggly)
    ->Arg(1)
    ->Arg(8)
    ->Arg(75)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Min);

// The outline check alone on every zone of a wiggly grid: sides of K segments whose edges
// all overlap along the side.
void BM_SelfIntersectionWigglyZones(benchmark::State& State) {
    TZoneSpriteSurface& Surface = WigglySession(State.range(0)).Surface();
    for (auto _ : State)
        for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
            TEdgePair Pair;
            if (FindSelfIntersection(Surface.Zone(I)->Points(), Pair))
                State.SkipWithError("the wiggly grid is clean");
        }
}
BENCHMARK(BM_SelfIntersectionWigglyZones)
    ->Arg(1)
    ->Arg(8)
    ->Arg(16)
    ->Arg(75)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Min);

// Hostile outlines of under 1 MB as a file: one zone of 100,000 points zigzagging along one
// line, and 2,000 triangles whose sides overlap along the same two lines.
std::unique_ptr<TZoneSpriteSurface> Collinear, Overlapping;

void BM_CheckCollinearZigzag(benchmark::State& State) {
    if (!Collinear) {
        Collinear = std::make_unique<TZoneSpriteSurface>();
        std::string Text;
        for (int32_t I = 0; I < 100000; ++I)
            Text += std::to_string(I / 2 + (I % 2) * 50000) + ",0,";
        Collinear->AddZone(new TZone(Collinear.get(), Text + ";Line;0;"));
        Collinear->BuildNeighbors();
    }
    for (auto _ : State)
        benchmark::DoNotOptimize(CheckMapSet(*Collinear));
}
BENCHMARK(BM_CheckCollinearZigzag)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Min);

void BM_CheckOverlappingZones(benchmark::State& State) {
    if (!Overlapping) {
        Overlapping = std::make_unique<TZoneSpriteSurface>();
        for (int32_t I = 0; I < 2000; ++I)
            Overlapping->AddZone(new TZone(
                Overlapping.get(), "0,0," + std::to_string(1000 + I) + ",0,0," +
                                       std::to_string(1 + I) + ";Z" + std::to_string(I) + ";0;"));
        Overlapping->BuildNeighbors();
    }
    size_t Count = 0;
    for (auto _ : State)
        Count = CheckMapSet(*Overlapping).size();
    State.counters["findings"] = double(Count);
}
BENCHMARK(BM_CheckOverlappingZones)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Min);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, [] {
        Bricks.reset();
        Wiggly.clear();
        Collinear.reset();
        Overlapping.reset();
    });
}
