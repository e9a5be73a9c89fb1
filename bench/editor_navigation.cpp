// Navigation on a 20,000-zone map set at 1920 x 1080: one wheel step including the frame
// that shows it, and the overview window redrawn after a zone edit (and after a change of
// the background, for comparison).

#include "BenchMain.h"
#include "editor/MapNavigator.h"
#include "editor/OverviewWindow.h"
#include "graphics/ColorPalette.h"
#include "platform/Bitmap.h"
#include "zonemap/EditorPalette.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QApplication>
#include <QWheelEvent>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int32_t Columns = 200;
constexpr int32_t Rows = 100;
// Hexagons 80 wide with rows 60 apart: about 400 zones in a full-HD view, each labelled.
constexpr int32_t Cell = 80;

std::string HexText(int32_t Column, int32_t Row) {
    const int32_t x = Column * Cell + (Row % 2) * Cell / 2;
    const int32_t y = Row * Cell * 3 / 4;
    const int32_t q = Cell / 4;
    const int32_t pts[12] = {x,        y + q,     x + 2 * q, y,        x + Cell, y + q,
                             x + Cell, y + 3 * q, x + 2 * q, y + Cell, x,        y + 3 * q};
    std::string text;
    for (int32_t v : pts)
        text += std::to_string(v) + ",";
    return text;
}

// The map set: one 2048 x 2048 bitmap tiled under the 16,040 x 6,020 pixels of zones,
// every seventh zone sea.
struct Map {
    Map() {
        Dir = std::filesystem::temp_directory_path() /
              ("editor-navigation-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(Dir);
        TBitmap image;
        image.SetPixelFormat(TPixelFormat::pf8bit);
        std::vector<TRGBQuad> colors(256);
        for (int i = 0; i < 256; ++i)
            colors[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
        image.SetPalette(colors);
        image.SetSize(2048, 2048);
        for (int32_t y = 0; y < 2048; ++y)
            for (int32_t x = 0; x < 2048; ++x)
                image.ScanLine(y)[x] = uint8_t(10 + ((x / 64) ^ (y / 48)) % 200);
        image.SaveToFile((Dir / "world.bmp").string());

        Palette.SetPaletteEntries(EditorPaletteEntries());
        Surface.SetColorPalette(&Palette);
        Surface.SetColorIndexLand(118);
        Surface.SetColorIndexSea(196);
        Surface.SetBitmapDirectory(Dir.string());
        Surface.SetBounds(0, 0, 1920, 1080);
        Surface.AddBitmap("world.bmp");
        for (int32_t ty = 0; ty < 3; ++ty)
            for (int32_t tx = 0; tx < 8; ++tx)
                Surface.AddElement("world.bmp", tx * 2048, ty * 2048);
        int32_t n = 0;
        for (int32_t r = 0; r < Rows; ++r)
            for (int32_t c = 0; c < Columns; ++c, ++n)
                Surface.AddZone(new TZone(&Surface, HexText(c, r) + ";Z" + std::to_string(n) + ";" +
                                                        (n % 7 == 0 ? "1" : "0") + ";"));
        Surface.show();
        Surface.Render(); // admits the sprites
    }
    ~Map() {
        std::error_code ignored;
        std::filesystem::remove_all(Dir, ignored);
    }
    std::filesystem::path Dir;
    TColorPalette Palette;
    TZoneSpriteSurface Surface;
    TMapNavigator Navigator{&Surface};
};

// Made on first use and destroyed before the application object, which its widgets need.
std::unique_ptr<Map> MapHolder;

Map& TheMap() {
    if (!MapHolder)
        MapHolder = std::make_unique<Map>();
    return *MapHolder;
}

void BM_WheelStep(benchmark::State& State) {
    Map& map = TheMap();
    map.Navigator.ScrollTo(4000, 2000);
    int direction = -120;
    for (auto _ : State) {
        QWheelEvent event(QPointF(960, 540), QPointF(960, 540), QPoint(), QPoint(0, direction),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&map.Surface, &event);
        direction = -direction;
    }
    State.counters["zones"] = map.Surface.ZoneCount();
}
BENCHMARK(BM_WheelStep)->Unit(benchmark::kMillisecond);

// Window width; the map's shape makes the picture about 2.7 times wider than high.
void BM_OverviewAfterZoneEdit(benchmark::State& State) {
    Map& map = TheMap();
    TOverviewWindow overview(&map.Surface, &map.Navigator);
    overview.resize(int(State.range(0)), int(State.range(0)) * 3 / 8);
    overview.show();
    QApplication::processEvents(); // exposed: from here on repaint paints at once
    TZone* zone = map.Surface.Zone(map.Surface.ZoneCount() / 2);
    for (auto _ : State) {
        zone->SetIsSea(zone->IsSea() ? 0 : 1);
        overview.MapChanged();
        overview.repaint();
    }
}
BENCHMARK(BM_OverviewAfterZoneEdit)->Arg(480)->Arg(1200)->Unit(benchmark::kMillisecond);

void BM_OverviewAfterBackgroundChange(benchmark::State& State) {
    Map& map = TheMap();
    TOverviewWindow overview(&map.Surface, &map.Navigator);
    overview.resize(int(State.range(0)), int(State.range(0)) * 3 / 8);
    overview.show();
    QApplication::processEvents();
    for (auto _ : State) {
        overview.BackgroundChanged();
        overview.repaint();
    }
}
BENCHMARK(BM_OverviewAfterBackgroundChange)->Arg(480)->Arg(1200)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, [] { MapHolder.reset(); });
}
