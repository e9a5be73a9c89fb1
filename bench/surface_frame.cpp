// The map surface on wiggly-grid maps (cells whose sides have K pieces): loading a map set,
// and one frame of a 1920 x 1080 view, rendered only (hidden) or also painted into the
// window (shown), on land zones with their labels or on the sea strait; the same view
// still, and while it scrolls.
#include "BenchMain.h"
#include "WigglyGrid.h"

#include "graphics/ColorPalette.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QTemporaryDir>

#include <map>
#include <memory>

namespace {

double Fastest(const std::vector<double>& V) {
    return *std::min_element(V.begin(), V.end());
}

// A map set of the given K on disk and a surface that has loaded it, as the editor sets
// its surface up.
struct TWigglySurface {
    explicit TWigglySurface(int32_t Segments) {
        Options.Segments = Segments;
        Files = WriteWigglyGrid(Dir.path().toStdString(), Options);
        Surface.SetColorPalette(&Palette);
        Surface.SetColorIndexLand(118);
        Surface.SetColorIndexSea(196);
        Surface.SetGridMarginTop(16);
        Surface.SetGridWidth(20);
        Surface.SetGridHeight(26);
        Surface.SetBitmapDirectory(Dir.path().toStdString());
        Surface.SetBounds(0, 0, 1920, 1080);
        Surface.SetMapSetFile(Files.MapSet);
    }
    // Puts the view's centre on the centre of cell (Column, Row).
    void CenterOnCell(int32_t Column, int32_t Row) {
        Surface.SetOffsetX(Column * Options.Cell + Options.Cell / 2 - Surface.Width() / 2);
        Surface.SetOffsetY(Row * Options.Cell + Options.Cell / 2 - Surface.Height() / 2);
    }

    QTemporaryDir Dir;
    TWigglyGridOptions Options;
    TWigglyGridFiles Files;
    TColorPalette Palette;
    TZoneSpriteSurface Surface;
};

// One per K, made on first use and kept for the program's run.
std::map<int32_t, std::unique_ptr<TWigglySurface>>& Surfaces() {
    static std::map<int32_t, std::unique_ptr<TWigglySurface>> All;
    return All;
}

TWigglySurface& SurfaceFor(int32_t Segments) {
    auto& Made = Surfaces()[Segments];
    if (!Made)
        Made = std::make_unique<TWigglySurface>(Segments);
    return *Made;
}

// Counts the paints a widget receives.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget* Watched) : FWatched(Watched) {
        Watched->installEventFilter(this);
    }
    ~TPaintCounter() override { FWatched->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* Event) override {
        Count += Event->type() == QEvent::Paint;
        return false;
    }
    int Count = 0;

private:
    QWidget* FWatched;
};

// The surface's whole load of the map set: read, bitmaps, zones and sprites, first frame,
// links and grid points.
void BM_Load(benchmark::State& State) {
    TWigglySurface& W = SurfaceFor(int32_t(State.range(0)));
    for (auto _ : State) {
        W.Surface.ForgetMapSetFile();
        W.Surface.SetMapSetFile(W.Files.MapSet);
    }
    if (W.Surface.ZoneCount() != W.Files.ZoneCount)
        State.SkipWithError("the map set did not load whole");
    State.counters["zones"] = W.Surface.ZoneCount();
    State.counters["points"] = double(W.Files.PointCount);
}
BENCHMARK(BM_Load)
    ->ArgName("K")
    ->Arg(1)
    ->Arg(8)
    ->Arg(75)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

// One frame; shown 1 with the surface on screen (the frame is painted into the window);
// land 1 with the view on land zones, 0 on the sea strait; blank 1 with the whole frame
// cleared first, as with the background off.
void BM_Frame(benchmark::State& State) {
    TWigglySurface& W = SurfaceFor(int32_t(State.range(0)));
    const bool Shown = State.range(1) != 0;
    const bool Land = State.range(2) != 0;
    W.CenterOnCell(Land ? W.Options.Columns / 5 : W.Options.Columns / 2, W.Options.Rows / 2 + 1);
    W.Surface.SetAutoBlank(State.range(3) != 0);
    W.Surface.setVisible(Shown);
    QApplication::processEvents();
    W.Surface.Render();
    TPaintCounter Paints(&W.Surface);
    for (auto _ : State)
        W.Surface.Render();
    if (Shown && Paints.Count < int(State.iterations()))
        State.SkipWithError("a frame was not painted");
    if (!Shown && Paints.Count != 0)
        State.SkipWithError("the hidden surface was painted");
    W.Surface.SetAutoBlank(false);
    W.Surface.setVisible(false);
}
BENCHMARK(BM_Frame)
    ->ArgNames({"K", "shown", "land", "blank"})
    ->ArgsProduct({{1, 8, 75}, {0, 1}, {0, 1}, {0}})
    ->Args({75, 0, 1, 1})
    ->Args({75, 0, 0, 1})
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

// One frame after the view moved 8 pixels (right, then back left): every row of the frame
// changes, as while the map is scrolled.
void BM_ScrollFrame(benchmark::State& State) {
    TWigglySurface& W = SurfaceFor(int32_t(State.range(0)));
    const bool Shown = State.range(1) != 0;
    const bool Land = State.range(2) != 0;
    W.CenterOnCell(Land ? W.Options.Columns / 5 : W.Options.Columns / 2, W.Options.Rows / 2 + 1);
    W.Surface.setVisible(Shown);
    QApplication::processEvents();
    W.Surface.Render();
    const int32_t X = W.Surface.OffsetX();
    int32_t Step = 8;
    TPaintCounter Paints(&W.Surface);
    for (auto _ : State) {
        W.Surface.SetOffsetX(W.Surface.OffsetX() + Step);
        Step = -Step;
        W.Surface.Render();
    }
    if (Shown && Paints.Count < int(State.iterations()))
        State.SkipWithError("a frame was not painted");
    W.Surface.SetOffsetX(X);
    W.Surface.setVisible(false);
}
BENCHMARK(BM_ScrollFrame)
    ->ArgNames({"K", "shown", "land"})
    ->ArgsProduct({{1, 8, 75}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, [] { Surfaces().clear(); });
}
