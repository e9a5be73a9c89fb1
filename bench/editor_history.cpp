// The editor's main window on a 20,000-zone map set: undo and redo of a zone command, and
// the map check after an edit (both must stay well under a tenth and a half of a second).
#include "editor/Editor.h"
#include "editor/MainForm.h"
#include "platform/Application.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int32_t Columns = 200;
constexpr int32_t Rows = 100;
constexpr int32_t Cell = 80;

// Hexagons sharing their edges exactly, every seventh one sea.
std::string ZoneLine(int32_t Column, int32_t Row, int32_t Number) {
    const int32_t x = Column * Cell + (Row % 2) * Cell / 2;
    const int32_t y = Row * Cell * 3 / 4;
    const int32_t q = Cell / 4;
    const int32_t pts[12] = {x,        y + q,     x + 2 * q, y,        x + Cell, y + q,
                             x + Cell, y + 3 * q, x + 2 * q, y + Cell, x,        y + 3 * q};
    std::string text = "Zone=";
    for (int32_t v : pts)
        text += std::to_string(v) + ",";
    return text + ";Z" + std::to_string(Number) + ";" + (Number % 7 == 0 ? "1" : "0") + ";\r\n";
}

struct Window {
    Window() {
        Dir = std::filesystem::temp_directory_path() /
              ("editor-history-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(Dir);
        std::ofstream File(Dir / "big.mapset", std::ios::binary);
        int32_t n = 0;
        for (int32_t r = 0; r < Rows; ++r)
            for (int32_t c = 0; c < Columns; ++c, ++n)
                File << ZoneLine(c, r, n);
        File << "Link=0,19999\r\n";
        File.close();
        // No message box may wait for an answer.
        Application().SetMessageHook([](const std::string&, const std::string&) {});
        Main = CreateForms({Dir.string(), ""});
        Main->resize(1920 + 200, 1080 + 60);
        Main->show();
        Main->OpenAtStart((Dir / "big.mapset").string());
    }
    ~Window() {
        Main.reset();
        std::error_code ignored;
        std::filesystem::remove_all(Dir, ignored);
    }
    std::filesystem::path Dir;
    std::unique_ptr<TfrmMain> Main;
};

// Made on first use and destroyed before the application object, which its widgets need.
std::unique_ptr<Window> WindowHolder;

Window& TheWindow() {
    if (!WindowHolder)
        WindowHolder = std::make_unique<Window>();
    return *WindowHolder;
}

// A zone in the middle of the map deleted (with its list entry), ready to be taken back.
void DeleteMiddleZone(TfrmMain& Main) {
    Main.SelectZone(Main.surface->Zone(Main.surface->ZoneCount() / 2));
    Main.btnDeleteZone->click();
}

void BM_UndoDeleteZone(benchmark::State& State) {
    TfrmMain& Main = *TheWindow().Main;
    DeleteMiddleZone(Main);
    for (auto _ : State) {
        Main.mniUndo->trigger();
        State.PauseTiming();
        Main.mniRedo->trigger();
        State.ResumeTiming();
    }
    Main.mniUndo->trigger();
}
BENCHMARK(BM_UndoDeleteZone)->Unit(benchmark::kMillisecond);

void BM_RedoDeleteZone(benchmark::State& State) {
    TfrmMain& Main = *TheWindow().Main;
    DeleteMiddleZone(Main);
    Main.mniUndo->trigger();
    for (auto _ : State) {
        Main.mniRedo->trigger();
        State.PauseTiming();
        Main.mniUndo->trigger();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_RedoDeleteZone)->Unit(benchmark::kMillisecond);

// The check as it runs after an edit: the neighbour rebuild, every check, the list of
// findings and the count in the status bar.
void BM_MapCheckAfterEdit(benchmark::State& State) {
    TfrmMain& Main = *TheWindow().Main;
    for (auto _ : State) {
        State.PauseTiming();
        DeleteMiddleZone(Main);
        State.ResumeTiming();
        Main.RunMapCheck();
        State.PauseTiming();
        Main.mniUndo->trigger();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_MapCheckAfterEdit)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    WindowHolder.reset();
    return 0;
}
