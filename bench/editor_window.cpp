// The editor's main window on a 20,000-zone map set with the map view at 1920 x 1080: the
// Load command with its lists (and the surface's share of it), one frame to the screen
// (and the paint's share), and the zone commands a user repeats all day: a selecting
// click, Create New Zone, Delete Selected Zone, Highlight Neighbors and Find Path, each
// with and without stale neighbour lists where that matters.
//
// Every benchmark leaves the window as it found it (zone count, lists, mode), so that
// --benchmark_repetitions and any --benchmark_filter give the same figures.

#include "BenchMain.h"
#include "SurfaceClick.h"
#include "editor/Editor.h"
#include "editor/MainForm.h"
#include "editor/MapNavigator.h"
#include "editor/PointsEditorForm.h"
#include "editor/SortedList.h"
#include "graphics/ColorPalette.h"
#include "platform/Application.h"
#include "platform/Bitmap.h"
#include "platform/Text.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int32_t Columns = 200;
constexpr int32_t Rows = 100;
// Hexagons 80 wide with rows 60 apart: about 400 zones in a full-HD view, each labelled.
constexpr int32_t Cell = 80;
constexpr int ViewWidth = 1920;
constexpr int ViewHeight = 1080;

std::vector<TPoint> HexCell(int32_t Column, int32_t Row) {
    const int32_t X = Column * Cell + (Row % 2) * Cell / 2;
    const int32_t Y = Row * Cell * 3 / 4;
    const int32_t Q = Cell / 4;
    return {{X, Y + Q},
            {X + 2 * Q, Y},
            {X + Cell, Y + Q},
            {X + Cell, Y + 3 * Q},
            {X + 2 * Q, Y + Cell},
            {X, Y + 3 * Q}};
}

// A sea strait down the middle fifth of the map, crossed by land fords every 25 rows, so
// that land and sea zones share edges and a path across has to find a ford.
bool IsSea(int32_t Column, int32_t Row) {
    return Column >= Columns * 2 / 5 && Column < Columns * 3 / 5 && Row % 25 != 0;
}

std::string ZoneName(int32_t Column, int32_t Row) {
    return (IsSea(Column, Row) ? "S" : "L") + std::to_string(Column) + "_" + std::to_string(Row);
}

void WriteBitmap(const std::filesystem::path& Path, int32_t Size, int Shift) {
    TBitmap Image;
    Image.SetPixelFormat(TPixelFormat::pf8bit);
    std::vector<TRGBQuad> Colors(256);
    for (int I = 0; I < 256; ++I)
        Colors[size_t(I)] = {uint8_t(I), uint8_t(255 - I), uint8_t((I + Shift) / 2), 0};
    Image.SetPalette(Colors);
    Image.SetSize(Size, Size);
    for (int32_t Y = 0; Y < Size; ++Y)
        for (int32_t X = 0; X < Size; ++X)
            Image.ScanLine(Y)[X] = uint8_t(10 + ((X / 64) ^ (Y / 48) ^ Shift) % 200);
    Image.SaveToFile(Path.string());
}

// The map set in the program's directory, written by the library itself: two bitmaps,
// 28 elements (a 2048-pixel tile under the whole map, a 1024-pixel one over the strait),
// the zones with their neighbours, and a few links that join zones seven rows apart near
// the top (short cuts that a path from corner to corner cannot use).
std::string WriteMapSet(const std::filesystem::path& Dir) {
    WriteBitmap(Dir / "land.bmp", 2048, 0);
    WriteBitmap(Dir / "strait.bmp", 1024, 7);
    TColorPalette Palette;
    TZoneSpriteSurface Maker;
    Maker.SetColorPalette(&Palette);
    Maker.SetBounds(0, 0, 640, 480);
    Maker.SetBitmapDirectory(Dir.string());
    Maker.AddBitmap("land.bmp");
    Maker.AddBitmap("strait.bmp");
    for (int32_t TY = 0; TY < 3; ++TY)
        for (int32_t TX = 0; TX < 8; ++TX)
            Maker.AddElement("land.bmp", TX * 2048, TY * 2048);
    for (int32_t K = 0; K < 4; ++K)
        Maker.AddElement("strait.bmp", 7000 + K * 512, 1000 + K * 1024);
    for (int32_t R = 0; R < Rows; ++R)
        for (int32_t C = 0; C < Columns; ++C) {
            std::string Text;
            for (const TPoint& P : HexCell(C, R))
                Text += std::to_string(P.X) + "," + std::to_string(P.Y) + ",";
            Maker.AddZone(new TZone(&Maker, Text + ";" + ZoneName(C, R) + ";" +
                                                (IsSea(C, R) ? "1" : "0") + ";"));
        }
    for (int32_t L = 0; L < 12; ++L)
        Maker.AddLink(Maker.Zone(2 * Columns + L * 15), Maker.Zone(9 * Columns + L * 15 + 3));
    Maker.BuildNeighbors();
    const std::string Path = (Dir / "bench.mapset").string();
    Maker.SaveMapSet(Path);
    return Path;
}

// The editor as a user has it: the window shown with a full-HD map view, the map set
// loaded through the Load command, every message box and file dialog scripted.
struct Session {
    Session() {
        Dir = std::filesystem::temp_directory_path() /
              ("editor-window-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(Dir);
        MapSetPath = WriteMapSet(Dir);
        PreviousMessage = Application().SetMessageHook(
            [this](const std::string&, const std::string& Text) { Messages.push_back(Text); });
        PreviousOpen = Application().SetOpenDialogHook(
            [this](const TFileDialogOptions&, std::vector<std::string>& Files) {
                Files = {MapSetPath};
                return true;
            });
        PreviousQuestion = Application().SetSaveChangesHook(
            [](const std::string&, const std::string&) { return TSaveChangesAnswer::scDiscard; });
        Main = CreateForms({Dir.string(), ""});
        Main->show();
        FitMapView();
        // The animation thread's frames would land inside whatever is timed whenever an
        // event loop runs; each command draws its own frame, which is what is measured.
        Main->surface->SetActive(false);
        Load();
        for (int32_t I = 0; I < Main->surface->ZoneCount(); ++I)
            LandZones += Main->surface->Zone(I)->IsSea() ? 0 : 1;
    }
    ~Session() {
        Main.reset();
        Application().SetMessageHook(PreviousMessage);
        Application().SetOpenDialogHook(PreviousOpen);
        Application().SetSaveChangesHook(PreviousQuestion);
        std::error_code Ignored;
        std::filesystem::remove_all(Dir, Ignored);
    }

    // Window sizes until the map view (the surface) is exactly the target: the panels
    // beside and below it take what their layouts give them.
    void FitMapView() {
        for (int Try = 0; Try < 5; ++Try) {
            QApplication::processEvents();
            const int DW = ViewWidth - Main->surface->Width();
            const int DH = ViewHeight - Main->surface->Height();
            if (DW == 0 && DH == 0)
                return;
            Main->resize(Main->width() + DW, Main->height() + DH);
        }
        QApplication::processEvents();
    }
    bool ViewIsFullHD() const {
        return Main->surface->Width() == ViewWidth && Main->surface->Height() == ViewHeight;
    }

    void Load() { Main->mniLoad->trigger(); }

    void ClickMap(int32_t X, int32_t Y) { ClickSurface(Main->surface, X, Y); }
    static TPoint Middle(const TZone* Zone) {
        const TRect& B = Zone->Bounds();
        return {(B.Left + B.Right) / 2, (B.Top + B.Bottom) / 2};
    }
    TZone* ZoneAtCell(int32_t Column, int32_t Row) const {
        return Main->surface->ZoneByName(ZoneName(Column, Row));
    }
    void CenterOn(const TZone* Zone) {
        const TPoint M = Middle(Zone);
        Main->Navigator->CenterOn(M.X, M.Y);
    }

    // A small land triangle inside the cell's hexagon, typed into the points editor.
    void TypeTriangle(int32_t Column, int32_t Row) {
        const TPoint M = Middle(ZoneAtCell(Column, Row));
        Main->PointsEditor()->SetLines({std::to_string(M.X - 15) + "," + std::to_string(M.Y),
                                        std::to_string(M.X + 15) + "," + std::to_string(M.Y),
                                        std::to_string(M.X) + "," + std::to_string(M.Y + 15)});
        Main->cbLandZone->setChecked(true);
        Main->edtZoneName->setText("Bench");
    }
    // Create New Zone and delete the zone again, which leaves the neighbour lists stale.
    void MakeNeighborsStale() {
        TypeTriangle(100, 50);
        Main->btnCreateZone->click();
        Main->SelectZone(Main->surface->Zone(Main->surface->ZoneCount() - 1));
        Main->btnDeleteZone->click();
    }

    // Neighbour lists current again (a case before may have left them stale), untimed.
    void RefreshNeighbors() {
        if (!Main->NeighborsDirty())
            return;
        Main->SelectZone(Main->surface->Zone(0));
        Main->HighlightNeighbors1->trigger();
    }

    // The window as the benchmarks expect it between cases: every zone there, Select Zone
    // mode, nothing failed.
    bool Intact(benchmark::State& State) {
        if (!Messages.empty()) {
            State.SkipWithError(("message shown: " + Messages.front()).c_str());
            Messages.clear();
            return false;
        }
        if (Main->surface->ZoneCount() != Columns * Rows ||
            Main->lbLandZones->count() != LandZones) {
            State.SkipWithError("zones or land-zone list not as loaded");
            return false;
        }
        return true;
    }

    std::filesystem::path Dir;
    std::string MapSetPath;
    std::vector<std::string> Messages;
    int LandZones = 0;
    std::unique_ptr<TfrmMain> Main;
    TApplication::TMessageHook PreviousMessage;
    TApplication::TOpenDialogHook PreviousOpen;
    TApplication::TSaveChangesHook PreviousQuestion;
};

// The fastest repetition: on a shared machine the steadiest figure.
double Fastest(const std::vector<double>& V) {
    return V.empty() ? 0 : *std::min_element(V.begin(), V.end());
}

// Made at first use, gone before the application object: widgets must not outlive it.
std::unique_ptr<Session> TheSessionPtr;

Session& TheSession() {
    if (!TheSessionPtr)
        TheSessionPtr = std::make_unique<Session>();
    return *TheSessionPtr;
}

// Counts the paints the surface receives, to show that a frame really reaches the window.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* Watched) : FWatched(Watched) {
        Watched->installEventFilter(this);
    }
    ~PaintCounter() override { FWatched->removeEventFilter(this); }
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == QEvent::Paint)
            ++Count;
        return false;
    }

private:
    QWidget* FWatched;
};

// Frames painted per timed command.
benchmark::Counter FramesPer(int Frames) {
    return benchmark::Counter(double(Frames), benchmark::Counter::kAvgIterations);
}

void BM_Load(benchmark::State& State) {
    Session& S = TheSession();
    if (!S.ViewIsFullHD())
        State.SkipWithError("the map view is not 1920 x 1080");
    for (auto _ : State) {
        S.Load();
        if (!S.Intact(State))
            break;
    }
    State.counters["zones"] = S.Main->surface->ZoneCount();
    State.counters["listed"] = S.Main->lbLandZones->count();
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

// The surface's part of the Load command: read the file, decode and compress the bitmaps,
// make the zones and their sprites, render the first frame. The rest of the command is
// mostly filling the lists.
void BM_LoadSurfaceOnly(benchmark::State& State) {
    Session& S = TheSession();
    for (auto _ : State) {
        S.Main->surface->ForgetMapSetFile();
        S.Main->surface->SetMapSetFile(S.MapSetPath);
    }
    State.counters["zones"] = S.Main->surface->ZoneCount();
    // The lists named the zones this load freed: the window's own Load puts them right.
    S.Load();
    S.Intact(State);
}
BENCHMARK(BM_LoadSurfaceOnly)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

// The land-zone list's share of the Load command: the 16,160 entries made and placed
// into the window's list as the load does, which leaves the list as it was.
void BM_FillLandZoneList(benchmark::State& State) {
    Session& S = TheSession();
    TZoneSpriteSurface* Surface = S.Main->surface;
    for (auto _ : State) {
        std::vector<std::pair<QString, QVariant>> Zones;
        for (int32_t I = 0; I < Surface->ZoneCount(); ++I) {
            TZone* Zone = Surface->Zone(I);
            if (!Zone->IsSea())
                Zones.emplace_back(ShownText(Zone->Name()),
                                   QVariant::fromValue(reinterpret_cast<quintptr>(Zone)));
        }
        SortedList::Fill(S.Main->lbLandZones, std::move(Zones));
    }
    S.Intact(State);
}
BENCHMARK(BM_FillLandZoneList)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

// What no element covers is blanked before the sprites are drawn. blanking 0: the whole
// frame (hidden, on land), 1: the blanking step alone, for the same view; bare 1 with the
// land tiles hidden, so that nothing covers the view and all of it is blanked (the most
// the step can fill), 0 with the map as it is (the step finds nothing to fill).
struct BlankingStep : TZoneSpriteSurface {
    // The step is the surface's own (protected); named through a derived class, it can be
    // called on the window's surface alone.
    static constexpr auto Step = &BlankingStep::BeforeDrawSprites;
};

void BM_FrameBlanking(benchmark::State& State) {
    Session& S = TheSession();
    const bool StepAlone = State.range(0) != 0;
    const bool Bare = State.range(1) != 0;
    TZoneSpriteSurface& Surface = *S.Main->surface;
    S.CenterOn(S.ZoneAtCell(Columns / 5, Rows / 2));
    Surface.setVisible(false);
    const auto ShowLandTiles = [&Surface](bool Show) {
        for (int32_t I = 0; I < Surface.ElementCount(); ++I)
            if (Surface.ElementNames()[size_t(I)].Name == "land.bmp")
                Surface.Element(I)->SetVisible(Show);
    };
    ShowLandTiles(!Bare);
    QApplication::processEvents();
    Surface.Render();
    for (auto _ : State) {
        if (StepAlone)
            (Surface.*BlankingStep::Step)();
        else
            Surface.Render();
    }
    ShowLandTiles(true);
    Surface.setVisible(true);
    QApplication::processEvents();
    if (!S.ViewIsFullHD())
        State.SkipWithError("the map view is not 1920 x 1080");
}
BENCHMARK(BM_FrameBlanking)
    ->ArgNames({"blanking", "bare"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

// One frame; shown 1 with the surface shown (the frame is painted into the window), 0
// hidden (rendered into the buffer only); land 1 with the view on land zones, each with
// its label, 0 on the sea strait.
void BM_Frame(benchmark::State& State) {
    Session& S = TheSession();
    const bool Shown = State.range(0) != 0;
    S.CenterOn(S.ZoneAtCell(State.range(1) != 0 ? Columns / 5 : Columns / 2, Rows / 2));
    S.Main->surface->setVisible(Shown);
    QApplication::processEvents();
    PaintCounter Paints(S.Main->surface);
    for (auto _ : State)
        S.Main->surface->Render();
    if (Shown && Paints.Count < int(State.iterations()))
        State.SkipWithError("a frame was not painted");
    if (!Shown && Paints.Count != 0)
        State.SkipWithError("the hidden surface was painted");
    State.counters["paints"] =
        benchmark::Counter(double(Paints.Count), benchmark::Counter::kAvgIterations);
    S.Main->surface->setVisible(true);
    QApplication::processEvents();
    if (!S.ViewIsFullHD())
        State.SkipWithError("the map view is not 1920 x 1080");
}
BENCHMARK(BM_Frame)
    ->ArgNames({"shown", "land"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

// A click on the map in Select Zone mode, alternating between two zones of the view.
void BM_SelectClick(benchmark::State& State) {
    Session& S = TheSession();
    S.Main->rbSelectZone->setChecked(true);
    TZone* Zones[2] = {S.ZoneAtCell(60, 50), S.ZoneAtCell(61, 51)};
    S.CenterOn(Zones[0]);
    int Next = 0;
    PaintCounter Frames(S.Main->surface);
    for (auto _ : State) {
        const TPoint M = Session::Middle(Zones[Next]);
        S.ClickMap(M.X, M.Y);
        if (S.Main->SelectedZone() != Zones[Next]) {
            State.SkipWithError("the click did not select the zone");
            break;
        }
        Next ^= 1;
    }
    State.counters["frames"] = FramesPer(Frames.Count);
    S.Intact(State);
}
BENCHMARK(BM_SelectClick)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

// Create New Zone from three typed points, Land Zone checked: the duplicate test against
// every zone, the zone and its sprite, the list entry, the frame. Deleted again untimed.
void BM_CreateZone(benchmark::State& State) {
    Session& S = TheSession();
    S.CenterOn(S.ZoneAtCell(100, 50));
    PaintCounter Frames(S.Main->surface);
    int Timed = 0;
    for (auto _ : State) {
        State.PauseTiming();
        S.TypeTriangle(100, 50);
        State.ResumeTiming();
        const int Before = Frames.Count;
        S.Main->btnCreateZone->click();
        Timed += Frames.Count - Before;
        State.PauseTiming();
        TZone* Made = S.Main->surface->Zone(S.Main->surface->ZoneCount() - 1);
        const bool Ok = S.Main->surface->ZoneCount() == Columns * Rows + 1 &&
                        Made->Name() == "Bench" && S.Main->lbLandZones->count() == S.LandZones + 1;
        if (Ok) {
            S.Main->SelectZone(Made);
            S.Main->btnDeleteZone->click();
        }
        State.ResumeTiming();
        if (!Ok) {
            State.SkipWithError("Create New Zone did not make the listed zone");
            break;
        }
    }
    State.counters["frames"] = FramesPer(Timed);
    S.Intact(State);
}
BENCHMARK(BM_CreateZone)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

// Delete Selected Zone of a land zone from the middle of the zone list, with its list
// entry. Made again untimed from the points and name the selection put in the editors.
void BM_DeleteZone(benchmark::State& State) {
    Session& S = TheSession();
    TZoneSpriteSurface* Surface = S.Main->surface;
    S.CenterOn(Surface->Zone(Surface->ZoneCount() / 2));
    PaintCounter Frames(S.Main->surface);
    int Timed = 0;
    for (auto _ : State) {
        State.PauseTiming();
        // Recreated zones go to the end, so this is always one of the loaded ones.
        int32_t Index = Surface->ZoneCount() / 2;
        while (Surface->Zone(Index)->IsSea())
            ++Index;
        TZone* Victim = Surface->Zone(Index);
        const std::string Name = Victim->Name();
        S.Main->SelectZone(Victim);
        State.ResumeTiming();
        const int Before = Frames.Count;
        S.Main->btnDeleteZone->click();
        Timed += Frames.Count - Before;
        State.PauseTiming();
        const bool Ok = Surface->ZoneCount() == Columns * Rows - 1 &&
                        S.Main->lbLandZones->count() == S.LandZones - 1 &&
                        !Surface->ZoneByName(Name);
        if (Ok)
            S.Main->btnCreateZone->click();
        State.ResumeTiming();
        if (!Ok) {
            State.SkipWithError("Delete Selected Zone left the zone or its entry");
            break;
        }
    }
    State.counters["frames"] = FramesPer(Timed);
    S.Intact(State);
}
BENCHMARK(BM_DeleteZone)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

// Highlight Neighbors of a zone in the middle of the map; argument 1 right after an edit
// (stale neighbour lists, so the rebuild of all 20,000 is part of it), 0 with lists current.
void BM_HighlightNeighbors(benchmark::State& State) {
    Session& S = TheSession();
    const bool Stale = State.range(0) != 0;
    TZone* Zone = S.ZoneAtCell(30, 40);
    S.CenterOn(Zone);
    S.RefreshNeighbors();
    PaintCounter Frames(S.Main->surface);
    int Timed = 0;
    for (auto _ : State) {
        State.PauseTiming();
        if (Stale)
            S.MakeNeighborsStale();
        S.Main->SelectZone(Zone);
        State.ResumeTiming();
        const int Before = Frames.Count;
        S.Main->HighlightNeighbors1->trigger();
        Timed += Frames.Count - Before;
        if (S.Main->NeighborsDirty() || Zone->NeighborCount() != 6 ||
            !Zone->Neighbor(0)->Sprite()->Highlighted()) {
            State.SkipWithError("the six neighbours were not highlighted");
            break;
        }
    }
    State.counters["frames"] = FramesPer(Timed);
    S.Intact(State);
}
BENCHMARK(BM_HighlightNeighbors)
    ->ArgName("stale")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

// Find Path from the top-left corner zone to the bottom-right one, picked with a click;
// argument 1 with stale neighbour lists (Find Path rebuilds them first).
void BM_FindPath(benchmark::State& State) {
    Session& S = TheSession();
    const bool Stale = State.range(0) != 0;
    S.Main->rbSelectZone->setChecked(true);
    TZone* Start = S.ZoneAtCell(0, 0);
    TZone* Destination = S.ZoneAtCell(Columns - 1, Rows - 1);
    const TPoint Target = Session::Middle(Destination);
    int32_t Steps = 0;
    S.RefreshNeighbors();
    PaintCounter Frames(S.Main->surface);
    int Timed = 0;
    for (auto _ : State) {
        State.PauseTiming();
        if (Stale)
            S.MakeNeighborsStale();
        S.Main->SelectZone(Start);
        S.CenterOn(Destination);
        State.ResumeTiming();
        const int Before = Frames.Count;
        S.Main->FindPathtoDestination1->trigger();
        S.ClickMap(Target.X, Target.Y);
        Timed += Frames.Count - Before;
        Steps = S.Main->surface->PathCount();
        if (Steps < Columns || S.Main->surface->PathZone(0) != Start ||
            S.Main->surface->PathZone(Steps - 1) != Destination) {
            State.SkipWithError("no path from corner to corner");
            break;
        }
    }
    State.counters["path"] = Steps;
    State.counters["frames"] = FramesPer(Timed);
    S.Intact(State);
}
BENCHMARK(BM_FindPath)
    ->ArgName("stale")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

// A land zone from the middle of the zone list deleted with its list entry, ready to be
// taken back.
void DeleteMiddleZone(Session& S) {
    TZoneSpriteSurface* Surface = S.Main->surface;
    int32_t Index = Surface->ZoneCount() / 2;
    while (Surface->Zone(Index)->IsSea())
        ++Index;
    S.Main->SelectZone(Surface->Zone(Index));
    S.Main->btnDeleteZone->click();
}

// Undo of Delete Selected Zone: the zone back in its place, with its links and list entry.
void BM_UndoDeleteZone(benchmark::State& State) {
    Session& S = TheSession();
    DeleteMiddleZone(S);
    for (auto _ : State) {
        S.Main->mniUndo->trigger();
        State.PauseTiming();
        S.Main->mniRedo->trigger();
        State.ResumeTiming();
    }
    S.Main->mniUndo->trigger();
    S.Intact(State);
}
BENCHMARK(BM_UndoDeleteZone)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

void BM_RedoDeleteZone(benchmark::State& State) {
    Session& S = TheSession();
    DeleteMiddleZone(S);
    S.Main->mniUndo->trigger();
    for (auto _ : State) {
        S.Main->mniRedo->trigger();
        State.PauseTiming();
        S.Main->mniUndo->trigger();
        State.ResumeTiming();
    }
    S.Intact(State);
}
BENCHMARK(BM_RedoDeleteZone)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

// The map check as it runs after an edit: the neighbour rebuild, every check, the list of
// findings and the count in the status bar.
void BM_MapCheckAfterEdit(benchmark::State& State) {
    Session& S = TheSession();
    for (auto _ : State) {
        State.PauseTiming();
        DeleteMiddleZone(S);
        State.ResumeTiming();
        S.Main->RunMapCheck();
        State.PauseTiming();
        S.Main->mniUndo->trigger();
        State.ResumeTiming();
    }
    S.Intact(State);
}
BENCHMARK(BM_MapCheckAfterEdit)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, [] { TheSessionPtr.reset(); });
}
