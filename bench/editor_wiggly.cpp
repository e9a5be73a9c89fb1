// The editor's main window on the 20,000-zone wiggly grid (argument: segments per side, so
// 4 x K points per zone): what a command costs right after an edit, when the neighbour
// lists are stale. Highlight Neighbors and Find Path bring the lists up to date first; the
// map check copies what it reads (on the window's thread) and checks the copy (in a
// worker, timed here on this thread). The full neighbour build is there for comparison:
// it is what every one of them cost after an edit before the edge table was kept.

#include "BenchMain.h"
#include "SurfaceClick.h"
#include "WigglyGrid.h"
#include "editor/Editor.h"
#include "editor/MainForm.h"
#include "editor/MapCheckRunner.h"
#include "editor/MapCheckSnapshot.h"
#include "editor/MapDocument.h"
#include "editor/MapNavigator.h"
#include "editor/PointsEditorForm.h"
#include "mapcheck/PairChecks.h"
#include "platform/Application.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QUndoStack>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int32_t Columns = 200;
constexpr int32_t Rows = 100;

double Fastest(const std::vector<double>& V) {
    return V.empty() ? 0 : *std::min_element(V.begin(), V.end());
}

// The window with the grid of K segments per side loaded through the Load command.
struct Session {
    explicit Session(int32_t K) : Segments(K) {
        Dir = std::filesystem::temp_directory_path() /
              ("editor-wiggly-bench-" + std::to_string(getpid()) + "-" + std::to_string(K));
        std::filesystem::create_directories(Dir);
        TWigglyGridOptions Options;
        Options.Segments = K;
        MapSetPath = WriteWigglyGrid(Dir.string(), Options).MapSet;
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
        Main->resize(1400, 1000);
        Main->show();
        QApplication::processEvents();
        Main->surface->SetActive(false);
        Main->mniLoad->trigger();
        // The first build after a load is a full one; what follows an edit is measured.
        Main->Document().BuildNeighbors();
    }
    ~Session() {
        Main.reset();
        Application().SetMessageHook(PreviousMessage);
        Application().SetOpenDialogHook(PreviousOpen);
        Application().SetSaveChangesHook(PreviousQuestion);
        std::error_code Ignored;
        std::filesystem::remove_all(Dir, Ignored);
    }

    TZone* Cell(int32_t Column, int32_t Row) const {
        return Main->surface->Zone(Row * Columns + Column);
    }
    static TPoint Middle(const TZone* Zone) {
        const TRect& B = Zone->Bounds();
        return {(B.Left + B.Right) / 2, (B.Top + B.Bottom) / 2};
    }
    void ClickMap(int32_t X, int32_t Y) { ClickSurface(Main->surface, X, Y); }
    // Create New Zone (a triangle inside a middle cell) and Delete Selected Zone: the
    // lists are stale, the zones as loaded.
    void Edit() {
        const TPoint M = Middle(Cell(100, 50));
        Main->PointsEditor()->SetLines({std::to_string(M.X - 15) + "," + std::to_string(M.Y),
                                        std::to_string(M.X + 15) + "," + std::to_string(M.Y),
                                        std::to_string(M.X) + "," + std::to_string(M.Y + 15)});
        Main->cbLandZone->setChecked(true);
        Main->edtZoneName->setText("Bench");
        Main->btnCreateZone->click();
        Main->SelectZone(Main->surface->Zone(Main->surface->ZoneCount() - 1));
        Main->btnDeleteZone->click();
    }
    bool Intact(benchmark::State& State) {
        if (!Messages.empty()) {
            State.SkipWithError(("message shown: " + Messages.front()).c_str());
            Messages.clear();
            return false;
        }
        if (Main->surface->ZoneCount() != Columns * Rows) {
            State.SkipWithError("zones not as loaded");
            return false;
        }
        return true;
    }

    int32_t Segments;
    std::filesystem::path Dir;
    std::string MapSetPath;
    std::vector<std::string> Messages;
    std::unique_ptr<TfrmMain> Main;
    TApplication::TMessageHook PreviousMessage;
    TApplication::TOpenDialogHook PreviousOpen;
    TApplication::TSaveChangesHook PreviousQuestion;
};

std::unique_ptr<Session> TheSessionPtr;

Session& TheSession(int32_t K) {
    if (!TheSessionPtr || TheSessionPtr->Segments != K) {
        TheSessionPtr.reset();
        TheSessionPtr = std::make_unique<Session>(K);
    }
    return *TheSessionPtr;
}

void BM_HighlightAfterEdit(benchmark::State& State) {
    Session& S = TheSession(int32_t(State.range(0)));
    TZone* Zone = S.Cell(30, 40);
    for (auto _ : State) {
        State.PauseTiming();
        S.Edit();
        S.Main->SelectZone(Zone);
        State.ResumeTiming();
        S.Main->HighlightNeighbors1->trigger();
        if (S.Main->NeighborsDirty() || Zone->NeighborCount() != 4) {
            State.SkipWithError("the four neighbours were not highlighted");
            break;
        }
    }
    S.Intact(State);
}

void BM_FindPathAfterEdit(benchmark::State& State) {
    Session& S = TheSession(int32_t(State.range(0)));
    S.Main->rbSelectZone->setChecked(true);
    TZone* Start = S.Cell(0, 0);
    TZone* Destination = S.Cell(20, 10);
    const TPoint Target = Session::Middle(Destination);
    for (auto _ : State) {
        State.PauseTiming();
        S.Edit();
        S.Main->SelectZone(Start);
        S.Main->Navigator->CenterOn(Target.X, Target.Y);
        State.ResumeTiming();
        S.Main->FindPathtoDestination1->trigger();
        S.ClickMap(Target.X, Target.Y);
        if (S.Main->surface->PathCount() < 2) {
            State.SkipWithError("no path");
            break;
        }
    }
    S.Intact(State);
}

// The map check after an edit, in its two parts: on the window's thread (neighbour update
// and the copy) and in the worker (the checks).
void BM_MapCheckSnapshotAfterEdit(benchmark::State& State) {
    Session& S = TheSession(int32_t(State.range(0)));
    TMapCheckCache Cache;
    Cache.Take(*S.Main->surface);
    for (auto _ : State) {
        State.PauseTiming();
        S.Edit();
        State.ResumeTiming();
        S.Main->Document().BuildNeighbors();
        benchmark::DoNotOptimize(Cache.Take(*S.Main->surface));
    }
    S.Intact(State);
}

// The worker keeps the pairs of zones it checked for the next check, as the runner does.
void BM_MapCheckWorkerAfterEdit(benchmark::State& State) {
    Session& S = TheSession(int32_t(State.range(0)));
    TMapCheckCache Cache;
    std::shared_ptr<TPairChecks> Pairs;
    CheckSnapshot(*Cache.Take(*S.Main->surface), &Pairs);
    size_t Findings = 0;
    for (auto _ : State) {
        State.PauseTiming();
        S.Edit();
        S.Main->Document().BuildNeighbors();
        const auto Snapshot = Cache.Take(*S.Main->surface);
        State.ResumeTiming();
        Findings = CheckSnapshot(*Snapshot, &Pairs).size();
    }
    State.counters["findings"] = double(Findings);
    S.Intact(State);
}

// The worker's check right after one edit of a real zone: each iteration deletes a cell
// of 4 x K points, or brings it back with Undo. Its four neighbours lose or regain their
// shared edges.
void BM_MapCheckWorkerAfterOneEdit(benchmark::State& State) {
    Session& S = TheSession(int32_t(State.range(0)));
    TMapDocument& Document = S.Main->Document();
    TMapCheckCache Cache;
    const QMetaObject::Connection Removal =
        QObject::connect(&Document, &TMapDocument::zoneAboutToBeRemoved,
                         [&Cache](TZone* Zone) { Cache.ZoneRemoved(Zone); });
    std::shared_ptr<TPairChecks> Pairs;
    CheckSnapshot(*Cache.Take(*S.Main->surface), &Pairs);
    size_t Findings = 0;
    for (auto _ : State) {
        State.PauseTiming();
        if (S.Main->surface->ZoneCount() == Columns * Rows) {
            S.Main->SelectZone(S.Cell(40, 60));
            S.Main->btnDeleteZone->click();
        } else {
            Document.UndoStack()->undo();
        }
        Document.BuildNeighbors();
        const auto Snapshot = Cache.Take(*S.Main->surface);
        State.ResumeTiming();
        Findings = CheckSnapshot(*Snapshot, &Pairs).size();
    }
    if (S.Main->surface->ZoneCount() != Columns * Rows)
        Document.UndoStack()->undo();
    QObject::disconnect(Removal);
    State.counters["findings"] = double(Findings);
    S.Intact(State);
}

// The first check after a load: the whole map, keeping its pairs for the checks after
// edits (each iteration starts from nothing kept).
void BM_MapCheckWorkerFirst(benchmark::State& State) {
    Session& S = TheSession(int32_t(State.range(0)));
    TMapCheckCache Cache;
    const auto Snapshot = Cache.Take(*S.Main->surface);
    size_t Findings = 0;
    for (auto _ : State) {
        std::shared_ptr<TPairChecks> Pairs;
        Findings = CheckSnapshot(*Snapshot, &Pairs).size();
        if (!Pairs)
            State.SkipWithError("the pairs were not kept");
        State.PauseTiming();
        Pairs.reset();
        State.ResumeTiming();
    }
    State.counters["findings"] = double(Findings);
    S.Intact(State);
}

// For comparison: the full neighbour build every command paid after an edit before.
void BM_FullNeighborBuild(benchmark::State& State) {
    Session& S = TheSession(int32_t(State.range(0)));
    for (auto _ : State)
        S.Main->surface->BuildNeighbors();
    S.Intact(State);
}

// Load MapSet File... through the window: the surface's load, the document's text findings
// and the window's lists.
void BM_Load(benchmark::State& State) {
    Session& S = TheSession(int32_t(State.range(0)));
    for (auto _ : State)
        S.Main->mniLoad->trigger();
    if (S.Main->lbLandZones->count() == 0)
        State.SkipWithError("the land zones are not listed");
    S.Intact(State);
}
BENCHMARK(BM_Load)
    ->ArgName("K")
    ->Arg(1)
    ->Arg(8)
    ->Arg(75)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

#define WIGGLY(Name)                                                                               \
    BENCHMARK(Name)                                                                                \
        ->ArgName("K")                                                                             \
        ->Arg(1)                                                                                   \
        ->Arg(8)                                                                                   \
        ->Arg(75)                                                                                  \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->ComputeStatistics("min", Fastest)
WIGGLY(BM_HighlightAfterEdit);
WIGGLY(BM_FindPathAfterEdit);
WIGGLY(BM_MapCheckSnapshotAfterEdit);
WIGGLY(BM_MapCheckWorkerAfterEdit);
WIGGLY(BM_MapCheckWorkerAfterOneEdit);
WIGGLY(BM_MapCheckWorkerFirst);
WIGGLY(BM_FullNeighborBuild);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, [] { TheSessionPtr.reset(); });
}
