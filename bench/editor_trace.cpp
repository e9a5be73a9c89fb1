// Trace Region in the editor's window on a 10-megapixel map of 300 territories: the first
// click (the background composed, the whole picture traced in the worker, the outline put
// into the pending points and drawn) and later clicks (a lookup and the same drawing).
// Wall time: the author waits for the window, not for one thread.
#include "BenchMain.h"
#include "SurfaceClick.h"
#include "editor/Editor.h"
#include "editor/MainForm.h"
#include "editor/PointsEditorForm.h"
#include "editor/TraceSession.h"
#include "editor/TraceWorker.h"
#include "platform/Application.h"
#include "platform/Bitmap.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QRadioButton>
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int32_t Width = 3650, Height = 2740; // 10.0 megapixels
constexpr int32_t Columns = 20, Rows = 15;
constexpr uint8_t Line = 3, Sea = 60;

// Territories of a wavy grid, lines 1 to 3 pixels wide, the right-most column sea.
int32_t Territory(int32_t X, int32_t Y) {
    const double U = X + 40 * std::sin(Y / 83.0), V = Y + 40 * std::sin(X / 97.0);
    const int32_t C = std::clamp(int32_t(U * Columns / Width), 0, Columns - 1);
    const int32_t R = std::clamp(int32_t(V * Rows / Height), 0, Rows - 1);
    return R * Columns + C;
}

void WriteMap(const std::filesystem::path& Dir) {
    TBitmap Image;
    Image.SetPixelFormat(TPixelFormat::pf8bit);
    std::vector<TRGBQuad> Colors(256);
    for (int I = 0; I < 256; ++I)
        Colors[size_t(I)] = {uint8_t(I), uint8_t(255 - I), uint8_t(I / 2), 0};
    Image.SetPalette(Colors);
    Image.SetSize(Width, Height);
    for (int32_t Y = 0; Y < Height; ++Y) {
        uint8_t* Out = Image.ScanLine(Y);
        for (int32_t X = 0; X < Width; ++X) {
            const int32_t T = Territory(X, Y);
            const int32_t W = 1 + T % 3;
            const bool OnLine = (X + W < Width && Territory(X + W, Y) != T) ||
                                (Y + W < Height && Territory(X, Y + W) != T);
            Out[X] = OnLine ? Line : T % Columns == Columns - 1 ? Sea : uint8_t(20 + T % 4);
        }
    }
    Image.SaveToFile((Dir / "big.bmp").string());
    std::ofstream((Dir / "big.mapset").string(), std::ios::binary)
        << "Bitmap=big.bmp\r\nElement=big.bmp:0,0\r\n";
}

struct Session {
    Session() {
        Dir = std::filesystem::temp_directory_path() /
              ("editor-trace-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(Dir);
        WriteMap(Dir);
        PreviousOpen = Application().SetOpenDialogHook(
            [this](const TFileDialogOptions&, std::vector<std::string>& Files) {
                Files = {(Dir / "big.mapset").string()};
                return true;
            });
        Main = CreateForms({Dir.string(), ""});
        Main->surface->SetActive(false);
        Main->mniLoad->trigger();
        Main->rbTraceRegion->setChecked(true);
    }
    ~Session() {
        Main.reset();
        Application().SetOpenDialogHook(PreviousOpen);
        std::error_code Ignored;
        std::filesystem::remove_all(Dir, Ignored);
    }
    void ClickMap(int32_t X, int32_t Y) { ClickSurface(Main->surface, X, Y); }

    std::filesystem::path Dir;
    TApplication::TOpenDialogHook PreviousOpen;
    std::unique_ptr<TfrmMain> Main;
};

// Made on first use, freed while the application object still lives.
Session* Made = nullptr;
Session& Editor() {
    if (!Made)
        Made = new Session;
    return *Made;
}

void FirstClick(benchmark::State& State) {
    Session& E = Editor();
    TTraceSession& Trace = *E.Main->TraceSession();
    int32_t Flip = 0;
    for (auto _ : State) {
        // Other settings: the trace kept is dropped, as a change of the background does.
        TTraceSettings S = Trace.Settings();
        S.MinArea = 100 + (Flip++ % 2);
        Trace.SetSettings(S);
        E.ClickMap(Width / 2, Height / 2);
        Trace.Worker().Wait();
        if (E.Main->PointsEditor()->LineCount() < 3)
            State.SkipWithError("no outline");
        E.Main->PointsEditor()->Clear();
    }
}
BENCHMARK(FirstClick)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void LaterClick(benchmark::State& State) {
    Session& E = Editor();
    TTraceSession& Trace = *E.Main->TraceSession();
    if (!Trace.Ready()) {
        E.ClickMap(Width / 2, Height / 2);
        Trace.Worker().Wait();
    }
    int32_t K = 0;
    for (auto _ : State) {
        ++K;
        E.ClickMap((K * 377) % Width, (K * 531) % Height);
    }
}
BENCHMARK(LaterClick)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, [] { delete Made; });
}
