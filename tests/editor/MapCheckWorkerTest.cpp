// Work that follows edits without redoing the whole map: the neighbour lists kept by the
// document between edits, and the map check that runs beside the window.
#include "EditorFixture.h"
#include "editor/MapCheckRunner.h"
#include "editor/MapCheckSnapshot.h"
#include "editor/MapCheckWindow.h"
#include "editor/MapDocument.h"
#include "editor/ZoneCommands.h"
#include "mapcheck/MapChecks.h"
#include "mapcheck/PairChecks.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QThreadPool>
#include <QUndoStack>

#include <chrono>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using TLists = std::vector<std::vector<int32_t>>;

TLists NeighborLists(TZoneSpriteSurface& Surface) {
    TLists Lists;
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
        Lists.emplace_back();
        for (const TZone* N : Surface.Zone(I)->Neighbors())
            Lists.back().push_back(N->Index());
    }
    return Lists;
}

// Cell (C, R) of a 6 x 4 grid of 40-px squares; odd cells split their top side with an
// extra point, so that some borders overlap without a shared edge.
std::string CellText(int C, int R, int Serial) {
    const int X = C * 40, Y = R * 40;
    std::string Text = std::to_string(X) + "," + std::to_string(Y) + ",";
    if ((C + R) % 2 == 1)
        Text += std::to_string(X + 20) + "," + std::to_string(Y) + ",";
    for (auto [PX, PY] : {std::pair{X + 40, Y}, {X + 40, Y + 40}, {X, Y + 40}})
        Text += std::to_string(PX) + "," + std::to_string(PY) + ",";
    return Text + ";Z" + std::to_string(Serial) + ";0;";
}

} // namespace

TEST(NeighborIndexInTheDocument, ListsAfterEditsUndoAndRedoEqualAFullRebuild) {
    MessageCapture Messages;
    for (const unsigned Seed : {1u, 7u, 2026u}) {
        Fixtures::SurfaceWithPalette S;
        TMapDocument Document(&S.Surface);
        std::mt19937 Random(Seed);
        const auto Pick = [&](int N) { return int(Random() % unsigned(N)); };
        int Serial = 0;
        for (int Step = 0; Step < 160; ++Step) {
            const int Zones = S.Surface.ZoneCount();
            switch (Pick(6)) {
            case 0:
            case 1:
                Document.Push(new TCreateZoneCommand(&Document, Pick(Zones + 1),
                                                     CellText(Pick(6), Pick(4), ++Serial), "Z"));
                break;
            case 2:
                if (Zones > 0)
                    Document.Push(new TDeleteZoneCommand(&Document, Pick(Zones)));
                break;
            case 3:
                if (Zones > 1)
                    Document.Push(new TAddLinkCommand(&Document, Pick(Zones), Pick(Zones)));
                break;
            case 4:
                Document.UndoStack()->undo();
                break;
            case 5:
                Document.UndoStack()->redo();
                break;
            }
            // Several edits between builds as well as one.
            if (Pick(3) != 0)
                continue;
            Document.BuildNeighbors();
            const TLists Kept = NeighborLists(S.Surface);
            S.Surface.BuildNeighbors();
            ASSERT_EQ(Kept, NeighborLists(S.Surface)) << "seed " << Seed << ", step " << Step;
        }
        // Back to the start and forward again, in one go each.
        while (Document.UndoStack()->canUndo())
            Document.UndoStack()->undo();
        Document.BuildNeighbors();
        EXPECT_EQ(S.Surface.ZoneCount(), 0);
        while (Document.UndoStack()->canRedo())
            Document.UndoStack()->redo();
        Document.BuildNeighbors();
        const TLists Kept = NeighborLists(S.Surface);
        S.Surface.BuildNeighbors();
        EXPECT_EQ(Kept, NeighborLists(S.Surface)) << "seed " << Seed;
    }
}

namespace {

std::vector<std::string> Lines(const std::vector<TFinding>& Findings) {
    std::vector<std::string> Text;
    for (const TFinding& F : Findings)
        Text.push_back(FormatFinding(F));
    return Text;
}

} // namespace

// The worker checks a copy of the map set; its findings must be CheckMapSet's, line for
// line, also after edits that reuse the copies of the zones they left alone.
TEST(MapCheckOfASnapshot, GivesTheFindingsOfTheLiveMapSetBeforeAndAfterEdits) {
    TempDir Dir;
    MessageCapture Messages;
    Fixtures::WriteBitmap(Dir.File("b.bmp"), 64, 48, 20);
    const std::string LongName(300, 'n');
    Fixtures::WriteFile(Dir.File("map.mapset"),
                        "Bitmap=b.bmp\r\nElement=b.bmp:0,0\r\nElement=b.bmp:-10,100\r\n"
                        "Zone=0,0,40,0,40,40,0,40,;West;0;\r\n"
                        "Zone=40,0,80,0,80,40,40,40,;East;0;\r\n"
                        "Zone=40,0,80,0,80,40,40,40,;East2;0;\r\n"
                        "Zone=0,-20,40,-20,40,0,20,0,0,0,;Split;0;\r\n"
                        "Zone=81,0,120,0,120,40,81,40,;Near;0;\r\n"
                        "Zone=200,0,240,0,240,40,;;0;\r\n"
                        "Zone=300,300,310,310,;West;0;\r\n"
                        "Zone=0,100,40,140,40,100,0,140,;Bow;1;\r\n"
                        "Zone=500,0,540,0,540,40,;" +
                            LongName +
                            ";0;\r\n"
                            "Zone=600,0,640,0,640,40,600,40,;P;0;\r\n"
                            "Zone=641,0,680,0,680,40,641,40,;Q;0;\r\n"
                            "Link=0,1\r\nLink=5,5\r\n");
    Fixtures::SurfaceWithPalette S;
    S.Surface.SetBitmapDirectory(Dir.Path());
    TMapDocument Document(&S.Surface);
    TMapCheckRunner Runner(&Document);
    Document.Load(Dir.File("map.mapset"));

    const auto Expected = [&] {
        Document.BuildNeighbors();
        return Lines(CheckMapSet(S.Surface));
    };
    const std::vector<std::string> First = Lines(Runner.CheckNow());
    EXPECT_EQ(First, Expected());
    std::set<std::string> Kinds;
    for (const TFinding& F : CheckMapSet(S.Surface))
        Kinds.insert(F.Kind);
    for (const char* Kind :
         {"unnamed-zone", "duplicate-name", "long-name", "too-few-points", "self-intersection",
          "no-neighbor", "shared-edge", "split-border", "near-border", "redundant-link",
          "self-link", "zone-outside-bitmaps", "element-off-canvas"})
        EXPECT_TRUE(Kinds.count(Kind)) << Kind;

    // A zone renamed in place, one deleted, one made, a link undone: only the new zone is
    // copied afresh.
    S.Surface.Zone(1)->SetName("West");
    Document.Push(new TDeleteZoneCommand(&Document, 2));
    Document.Push(new TCreateZoneCommand(&Document, 0, "120,0,160,0,160,40,120,40,;Far;0;", "Far"));
    Document.Push(new TAddLinkCommand(&Document, 3, 6));
    EXPECT_EQ(Lines(Runner.CheckNow()), Expected());
    Document.UndoStack()->undo();
    Document.UndoStack()->undo();
    EXPECT_EQ(Lines(Runner.CheckNow()), Expected());
}

// A snapshot checked on a plain thread while the window goes on renaming a zone and taking
// snapshots: the renames must reach fresh copies or, once the thread lets go, the old ones,
// never the copies the thread reads. Run under ThreadSanitizer, this sees the hand-over of
// the copies without the thread pool's locks, which it cannot see into.
TEST(MapCheckOfASnapshot, IsCheckedOnAnotherThreadWhileTheWindowGoesOn) {
    MessageCapture Messages;
    Fixtures::SurfaceWithPalette S;
    TMapDocument Document(&S.Surface);
    for (int I = 0; I < 12; ++I)
        Document.Push(new TCreateZoneCommand(&Document, I, CellText(I % 6, I / 6, I), "Z"));
    TMapCheckCache Cache;
    Document.BuildNeighbors();
    const std::vector<std::string> Before = Lines(CheckMapSet(S.Surface));
    std::shared_ptr<const TMapCheckSnapshot> First = Cache.Take(S.Surface);
    std::vector<std::string> Found;
    std::thread Checker([&Found, Mine = std::move(First)]() mutable {
        for (int Round = 0; Round < 20; ++Round)
            Found = Lines(CheckSnapshot(*Mine));
        Mine.reset();
    });
    for (int Round = 0; Round < 60; ++Round) {
        Document.RenameZone(0, Round % 2 ? "Z0" : "Renamed");
        Document.BuildNeighbors();
        EXPECT_EQ(Lines(CheckSnapshot(*Cache.Take(S.Surface))), Lines(CheckMapSet(S.Surface)));
    }
    Checker.join();
    EXPECT_EQ(Found, Before);
}

namespace {

// Cell (C, R) of the grid above in one of four shapes: a square; a square whose top side
// has an extra point (split borders); one a pixel narrower (near borders); one reaching a
// pixel into its right neighbour's cell (borders that cross).
std::string ShapedCellText(int C, int R, int Shape, int Serial) {
    const int X = C * 40, Y = R * 40;
    const int Right = X + (Shape == 2 ? 39 : Shape == 3 ? 41 : 40);
    std::string Text = std::to_string(X) + "," + std::to_string(Y) + ",";
    if (Shape == 1)
        Text += std::to_string(X + 20) + "," + std::to_string(Y) + ",";
    for (auto [PX, PY] : {std::pair{Right, Y}, {Right, Y + 40}, {X, Y + 40}})
        Text += std::to_string(PX) + "," + std::to_string(PY) + ",";
    return Text + ";Z" + std::to_string(Serial) + ";" + (Shape == 0 ? "1" : "0") + ";";
}

} // namespace

// The check after an edit starts from the pairs of zones the last check kept; after every
// step of a random session of edits it must give what a full check gives, line for line.
TEST(MapCheckOfASnapshot, KeptPairChecksFollowEditsAsAFullCheckWould) {
    MessageCapture Messages;
    std::set<std::string> Kinds;
    for (const unsigned Seed : {3u, 11u, 2027u}) {
        Fixtures::SurfaceWithPalette S;
        TMapDocument Document(&S.Surface);
        TMapCheckCache Cache;
        QObject::connect(&Document, &TMapDocument::zoneAboutToBeRemoved,
                         [&Cache](TZone* Zone) { Cache.ZoneRemoved(Zone); });
        std::shared_ptr<TPairChecks> Pairs;
        std::mt19937 Random(Seed);
        const auto Pick = [&](int N) { return int(Random() % unsigned(N)); };
        const auto Cell = [&](int Serial) {
            return ShapedCellText(Pick(6), Pick(4), Pick(4), Serial);
        };
        int Serial = 0, Kept = 0;
        std::pair<int32_t, int32_t> Near{-1, -1};
        for (int Step = 0; Step < 150; ++Step) {
            const int Zones = S.Surface.ZoneCount();
            switch (Pick(8)) {
            case 0:
            case 1:
            case 2:
                Document.Push(
                    new TCreateZoneCommand(&Document, Pick(Zones + 1), Cell(++Serial), "Z"));
                break;
            case 3:
                if (Zones > 0)
                    Document.Push(new TDeleteZoneCommand(&Document, Pick(Zones)));
                break;
            case 4:
                if (Zones > 0) {
                    // A new outline in the old zone's place, one step as Replace makes it.
                    auto* Replace = new QUndoCommand("Replace");
                    const int At = Pick(Zones);
                    new TDeleteZoneCommand(&Document, At, Replace);
                    new TCreateZoneCommand(&Document, At, Cell(++Serial), "Z", Replace);
                    Document.Push(Replace);
                }
                break;
            case 5:
                // Often a pair reported near: the link makes them neighbours.
                if (Near.first >= 0 && Pick(2) == 0)
                    Document.Push(new TAddLinkCommand(&Document, Near.first, Near.second));
                else if (Zones > 1)
                    Document.Push(new TAddLinkCommand(&Document, Pick(Zones), Pick(Zones)));
                break;
            case 6:
                Document.UndoStack()->undo();
                break;
            case 7:
                Document.UndoStack()->redo();
                break;
            }
            Document.BuildNeighbors();
            const TPairChecks* Before = Pairs.get();
            const std::vector<TFinding> Found = CheckSnapshot(*Cache.Take(S.Surface), &Pairs);
            const std::vector<std::string> Expected = Lines(CheckMapSet(S.Surface));
            ASSERT_EQ(Lines(Found), Expected) << "seed " << Seed << ", step " << Step;
            // The full check of a copy, too, where neighbours are known by address.
            ASSERT_EQ(Lines(CheckSnapshot(*Cache.Take(S.Surface))), Expected)
                << "seed " << Seed << ", step " << Step;
            Kept += Before != nullptr && Pairs.get() == Before;
            Near = {-1, -1};
            for (const TFinding& F : Found) {
                Kinds.insert(F.Kind);
                if (F.Kind == "near-border")
                    Near = {F.Zones[0].Number, F.Zones[1].Number};
            }
        }
        // Most checks started from the last one's pairs rather than from nothing.
        EXPECT_GT(Kept, 120) << "seed " << Seed;
    }
    for (const char* Kind : {"shared-edge", "split-border", "near-border"})
        EXPECT_TRUE(Kinds.count(Kind)) << Kind;
}

namespace {

// Thin zones whose bottom sides overlap along one line without an identical edge: a small
// file, quickly drawn, whose check takes a while (every pair of zones is a split border).
std::string WriteSlowMapSet(const TempDir& Dir, int Zones) {
    Fixtures::WriteBitmap(Dir.File("b.bmp"), 64, 48, 20);
    std::string Text = "Bitmap=b.bmp\r\nElement=b.bmp:0,0\r\n";
    for (int I = 0; I < Zones; ++I)
        Text +=
            "Zone=0,0," + std::to_string(1000 + I) + ",0,500,2,;Z" + std::to_string(I) + ";0;\r\n";
    Fixtures::WriteFile(Dir.File("slow.mapset"), Text);
    return Dir.File("slow.mapset");
}

// Enough zones that the check outlasts an event or two; the sanitizers slow it tenfold.
#ifdef __SANITIZE_ADDRESS__
constexpr int SlowZones = 150;
#else
constexpr int SlowZones = 500;
#endif

bool Checking(TfrmMain& Main) {
    return Main.lblFindings->text() == "Checking the map...";
}

// The check of the map set as it is now has been shown.
bool Checked(TfrmMain& Main) {
    return !Checking(Main) && !Main.lblFindings->text().isEmpty();
}

} // namespace

TEST_F(EditorTest, MapCheckRunsBesideTheWindowAndNeverShowsAStaleResult) {
    const auto Expected = [&] {
        Surface().BuildNeighbors();
        return Lines(CheckMapSet(Surface()));
    };
    Load(WriteSlowMapSet(Dir, SlowZones));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Checked(*Main); }, 120000));

    // A lonely zone makes a check start; the window answers while it runs.
    MakeZone({{3000, 3000}, {3040, 3000}, {3040, 3040}}, true, "Lonely");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Checking(*Main); }, 5000));
    QElapsedTimer Waited;
    Waited.start();
    bool Answered = false;
    QTimer::singleShot(0, [&] { Answered = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return Answered; }, 1000));
    EXPECT_LT(Waited.elapsed(), 100) << "an event waited for the check";
    EXPECT_TRUE(Checking(*Main)) << "the map was too quick to show anything";

    // Undone while the check runs: the lonely zone's finding must never appear.
    bool SawStale = false;
    QObject::connect(
        Main->frmMapCheck->lbFindings->model(), &QAbstractItemModel::rowsInserted, [&] {
            for (int Row = 0; Row < Main->frmMapCheck->lbFindings->count(); ++Row)
                SawStale |= Main->frmMapCheck->lbFindings->item(Row)->text().contains("Lonely");
        });
    Main->mniUndo->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Checked(*Main); }, 120000));
    EXPECT_FALSE(SawStale);
    EXPECT_GT(Main->frmMapCheck->Findings().size(), 0u);
    EXPECT_EQ(Lines(Main->frmMapCheck->Findings()), Expected());

    // Another map set loaded during a check: its findings only.
    MakeZone({{3000, 3000}, {3040, 3000}, {3040, 3040}}, true, "Lonely");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Checking(*Main); }, 5000));
    Answers = {TSaveChangesAnswer::scDiscard};
    Load(WriteMapSet());
    ASSERT_EQ(Surface().ZoneCount(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Checked(*Main); }, 120000));
    EXPECT_EQ(Lines(Main->frmMapCheck->Findings()), Expected());
    EXPECT_FALSE(SawStale);

    // The window closed during a check: the worker ends on its own copy.
    Answers = {TSaveChangesAnswer::scDiscard};
    Load(WriteSlowMapSet(Dir, SlowZones));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Checking(*Main); }, 5000));
    Main.reset();
    QThreadPool::globalInstance()->waitForDone();
}

TEST_F(EditorTest, MapCheckShowsTheFileTextFindingsOfTheLastLoadOnly) {
    Fixtures::WriteBitmap(Dir.File("b.bmp"), 100, 48, 20);
    const std::string Zones = "Zone=0,0,40,0,40,40,0,40,;West;0;\r\n"
                              "Zone=40,0,80,0,80,40,40,40,;East;0;\r\n";
    Fixtures::WriteFile(Dir.File("odd.mapset"),
                        "Bitmap=b.bmp\r\nElement=b.bmp:0,0\r\nColour=red\r\n" + Zones);
    Fixtures::WriteFile(Dir.File("broken.mapset"), "Bitmap=b.bmp\r\nElement=c.bmp:0,0\r\n" + Zones);
    Fixtures::WriteFile(Dir.File("clean.mapset"), "Bitmap=b.bmp\r\nElement=b.bmp:0,0\r\n" + Zones);
    const auto Kinds = [&] {
        std::vector<std::string> Shown;
        for (const TFinding& F : Main->frmMapCheck->TextFindings())
            Shown.push_back(F.Kind + " " + std::to_string(F.Line));
        return Shown;
    };
    Main->mniMapCheck->trigger();

    Load(Dir.File("odd.mapset"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Checked(*Main); }));
    EXPECT_EQ(Kinds(), std::vector<std::string>{"ignored-line 3"});
    EXPECT_TRUE(Main->frmMapCheck->Findings().empty());
    ASSERT_EQ(Main->frmMapCheck->lbFindings->count(), 1);
    EXPECT_TRUE(Main->frmMapCheck->lbFindings->item(0)->text().startsWith("ignored-line"));
    EXPECT_EQ(Main->lblFindings->text(), QString("1 finding"));

    // A load that fails: its own text findings at once, nothing of the previous file's.
    Load(Dir.File("broken.mapset"));
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Kinds(), std::vector<std::string>{"unknown-bitmap 2"});
    EXPECT_TRUE(Main->frmMapCheck->Findings().empty());
    EXPECT_EQ(Main->lblFindings->text(), QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Checked(*Main); }));
    EXPECT_EQ(Main->frmMapCheck->lbFindings->item(0)->text().left(14), QString("unknown-bitmap"));

    Load(Dir.File("clean.mapset"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Checked(*Main); }));
    EXPECT_TRUE(Kinds().empty());
    EXPECT_EQ(Main->frmMapCheck->lbFindings->count(), 0);
    EXPECT_EQ(Main->lblFindings->text(), QString("No findings"));
}
