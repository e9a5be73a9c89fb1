// Zone editing through the main window: points on the map, creating, naming, deleting and
// replacing zones, standard sea zones, selection, neighbours, links and paths.
#include "EditorFixture.h"

#include "editor/DrawPointsTool.h"
#include "editor/MapCheckWindow.h"
#include "editor/SpinEdit.h"

#include <QLabel>
#include <QTabWidget>
#include <QUndoStack>

#include <random>

namespace {

using Corners = std::vector<std::pair<int, int>>;

std::vector<TPoint> PointsOf(const TZone* Zone) {
    return Zone->Points();
}

} // namespace

TEST_F(EditorTest, ClickedPointsBecomeNamedLandAndSeaZones) {
    Main->rbDrawPoints->setChecked(true);
    ClickMap(123, 457);
    ClickMap(-7, 3);
    EXPECT_EQ(Memo(), (std::vector<std::string>{"120,455", "-5,0"}));
    // A right click with no zone point anywhere adds nothing.
    ClickMap(50, 50, Qt::RightButton);
    EXPECT_EQ(Memo().size(), 2u);
    Main->ClearAll1->trigger();

    MakeZone({{100, 100}, {140, 100}, {140, 140}}, true);
    ASSERT_EQ(Surface().ZoneCount(), 1);
    EXPECT_EQ(Surface().Zone(0)->Name(), "Land1");
    EXPECT_FALSE(Surface().Zone(0)->IsSea());
    EXPECT_EQ(Surface().Zone(0)->ZoneText(), "100,100,140,100,140,140,;Land1;0;");
    EXPECT_TRUE(Memo().empty());
    EXPECT_TRUE(Main->edtZoneName->text().isEmpty());
    EXPECT_TRUE(Main->Modified());
    EXPECT_TRUE(Main->NeighborsDirty());

    MakeZone({{200, 100}, {240, 100}, {240, 140}}, true, "Hills");
    MakeZone({{300, 100}, {340, 100}, {340, 140}}, false, "ignored");
    MakeZone({{300, 200}, {340, 200}, {340, 240}}, false);
    EXPECT_EQ(ZoneNames(), (std::vector<std::string>{"Land1", "Hills", "Sea1", "Sea2"}));
    EXPECT_EQ(Entries(Main->lbLandZones), (std::vector<std::string>{"Hills", "Land1"}));
    EXPECT_EQ(TfrmMain::ZoneOf(Main->lbLandZones->item(1)), Surface().Zone(0));
    // Sea zones are never named from the box: it is off while "Land Zone" is unchecked.
    EXPECT_FALSE(Main->edtZoneName->isEnabled());
    Main->cbLandZone->click();
    EXPECT_TRUE(Main->edtZoneName->isEnabled());

    // The lowest free number is taken again once its zone is gone.
    Main->rbSelectZone->setChecked(true);
    ClickMap(135, 105);
    Main->btnDeleteZone->click();
    MakeZone({{100, 300}, {140, 300}, {140, 340}}, true);
    EXPECT_EQ(Surface().Zone(Surface().ZoneCount() - 1)->Name(), "Land1");

    // A right click takes the nearest corner of any zone, the first of equal ones.
    Main->ClearAll1->trigger();
    ClickMap(203, 97, Qt::RightButton);
    EXPECT_EQ(Memo(), (std::vector<std::string>{"200,100"}));
}

TEST_F(EditorTest, ZonesThatCannotBeMadeAreRefusedWithTheirReason) {
    MakeZone({{100, 100}, {140, 100}, {140, 140}}, true);
    struct Row {
        std::vector<std::string> Lines;
        std::string Name;
        std::string Message;
    };
    const std::vector<Row> Rows = {
        {{"1,1", "2,2"}, "", "First draw at least 3 dots to define the Zone."},
        {{"1,1", "2,2", "3,x"}, "", "'x' is not a valid integer value"},
        {{"1,1", "2,2", "33"}, "", "'' is not a valid integer value"},
        // Numbers that do not fit a coordinate are refused, naming the line, not read as 0.
        {{"1,1", "99999999999,750", "3,3"},
         "",
         "Line 2 of the Points Editor, \"99999999999,750\", holds a number too large for a map "
         "coordinate."},
        {{"1,1", "2,2", "3,-2147483649"},
         "",
         "Line 3 of the Points Editor, \"3,-2147483649\", holds a number too large for a map "
         "coordinate."},
        {{"100,100", "140,100", "140,140"},
         "",
         "A Zone already exists at this location!  If you're using the  Create Standard Sea "
         "Zone option, try creating the Zone with the seed point a  bit more to the right."},
        {{"1,1", "9,1", "9,9"}, "Bad;Name", "A Zone name must not contain \";\" or a line break."},
    };
    for (const Row& R : Rows) {
        Messages.Clear();
        TypeMemo(R.Lines);
        Main->cbLandZone->setChecked(true);
        Main->edtZoneName->setText(QString::fromStdString(R.Name));
        Main->btnCreateZone->click();
        EXPECT_EQ(Messages.Messages(), std::vector<std::string>{R.Message});
        EXPECT_EQ(Surface().ZoneCount(), 1);
        EXPECT_EQ(Memo(), R.Lines) << "the pending points stay";
    }
    // A zone's own points do not make a second zone.
    Main->rbSelectZone->setChecked(true);
    ClickMap(135, 105);
    Messages.Clear();
    Main->btnCreateZone->click();
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0].substr(0, 39), "A Zone already exists at this location!");
}

TEST_F(EditorTest, ReplaceKeepsTheNameAndAFailedReplaceKeepsEverything) {
    Load(WriteMapSet());
    TZone* West = Surface().Zone(0);
    Main->rbSelectZone->setChecked(true);
    ClickMap(10, 10);
    ASSERT_EQ(Main->SelectedZone(), West);
    ASSERT_EQ(Surface().LinkCount(), 1);

    // Failed replacements: too few points, a bad line, the points of another zone.
    for (const std::vector<std::string>& Lines : {std::vector<std::string>{"0,0", "40,0"},
                                                  {"0,0", "40,0", "0,z"},
                                                  {"0,0", "40,0", "0,99999999999"},
                                                  {"40,0", "80,0", "80,40", "40,40"}}) {
        Messages.Clear();
        TypeMemo(Lines);
        Main->btnReplaceZone->click();
        EXPECT_EQ(Messages.Messages().size(), 1u);
        EXPECT_EQ(Surface().ZoneCount(), 3);
        EXPECT_EQ(Surface().Zone(0), West);
        EXPECT_EQ(Main->SelectedZone(), West);
        EXPECT_EQ(Surface().LinkCount(), 1);
        EXPECT_EQ(Main->lbLandZones->count(), 2);
    }

    // The same points again are no duplicate of the zone being replaced; moved points make
    // the new zone, named from the name box, last in the zone order, with the old one's link.
    Main->mniSave->trigger();
    const std::string Before = Fixtures::ReadFile(Dir.File("map.mapset"));
    TypeMemo({"0,0", "40,0", "40,45", "0,40"});
    Messages.Clear();
    Main->btnReplaceZone->click();
    EXPECT_TRUE(Messages.Messages().empty());
    EXPECT_EQ(ZoneNames(), (std::vector<std::string>{"East", "Bay", "West"}));
    EXPECT_EQ(Surface().Zone(2)->Point(2), (TPoint{40, 45}));
    ASSERT_EQ(Surface().LinkCount(), 1);
    EXPECT_EQ(Surface().Link(0)->Zone1, Surface().Zone(2));
    EXPECT_EQ(Surface().Link(0)->Zone2, Surface().Zone(1));
    Main->mniUndo->trigger();
    Main->mniSave->trigger();
    EXPECT_EQ(Fixtures::ReadFile(Dir.File("map.mapset")), Before);
    Main->mniRedo->trigger();
    EXPECT_EQ(Entries(Main->lbLandZones), (std::vector<std::string>{"East", "West"}));
    EXPECT_EQ(Main->SelectedZone(), nullptr);

    // Delete takes the zone's own entry, not another of the same name.
    MakeZone({{200, 200}, {240, 200}, {240, 240}}, true, "West");
    Main->rbSelectZone->setChecked(true);
    ClickMap(238, 202);
    Main->btnDeleteZone->click();
    ASSERT_EQ(Main->lbLandZones->count(), 2);
    EXPECT_EQ(TfrmMain::ZoneOf(Main->lbLandZones->item(1)), Surface().Zone(2));
}

TEST_F(EditorTest, StandardSeaZonesAreBricksOfTheGridSize) {
    struct Row {
        int GridSize, SeedX, SeedY;
        std::vector<TPoint> Points;
    };
    const std::vector<Row> Rows = {
        {120, 130, 250, {{120, 240}, {180, 240}, {240, 240}, {240, 360}, {180, 360}, {120, 360}}},
        {120, 130, 130, {{180, 120}, {240, 120}, {300, 120}, {300, 240}, {240, 240}, {180, 240}}},
        {250, 130, 250, {{125, 250}, {250, 250}, {375, 250}, {375, 500}, {250, 500}, {125, 500}}},
    };
    for (const Row& R : Rows) {
        if (R.GridSize != Main->GridSize()) {
            WhenModal([Size = R.GridSize](QWidget* Dialog) {
                auto* Spin = Dialog->findChild<TSpinEdit*>("spinGridSize");
                Spin->Edit()->setText(QString::number(Size));
                QTest::keyClick(Spin->Edit(), Qt::Key_Return);
            });
            Main->mniGridSize->trigger();
        }
        TypeMemo({std::to_string(R.SeedX) + "," + std::to_string(R.SeedY)});
        Main->btnCreateSeaZone->click();
        TZone* Zone = Surface().Zone(Surface().ZoneCount() - 1);
        EXPECT_EQ(PointsOf(Zone), R.Points) << R.SeedX << "," << R.SeedY << " S=" << R.GridSize;
        EXPECT_TRUE(Zone->IsSea());
    }
    EXPECT_EQ(ZoneNames(), (std::vector<std::string>{"Sea1", "Sea2", "Sea3"}));
    // The brick of row 1 again: a duplicate; no seed at all: its own message.
    TypeMemo({"130,250"});
    Main->btnCreateSeaZone->click();
    TypeMemo({});
    Main->btnCreateSeaZone->click();
    // A seed too large for a coordinate is refused and stays; it made no brick at 0.
    TypeMemo({"99999999999,250"});
    Main->btnCreateSeaZone->click();
    ASSERT_EQ(Messages.Messages().size(), 3u);
    EXPECT_EQ(Messages.Messages()[1], "Click to Create a Point where the Sea Zone should go!");
    EXPECT_EQ(Messages.Messages()[2].substr(0, 38), "Line 1 of the Points Editor, \"99999999");
    EXPECT_EQ(Memo(), std::vector<std::string>{"99999999999,250"});
    EXPECT_EQ(Surface().ZoneCount(), 3);
}

TEST_F(EditorTest, SelectionByMapAndListAndHighlightsUntilTheNextClick) {
    Load(WriteMapSet());
    MakeZone({{20, 20}, {60, 20}, {60, 30}}, true, "Over");
    Main->rbSelectZone->setChecked(true);

    // Where two zones overlap the first in zone order wins.
    ClickMap(35, 22);
    EXPECT_EQ(Main->SelectedZone(), Surface().Zone(0));
    EXPECT_EQ(Memo(), (std::vector<std::string>{"0,0", "40,0", "40,40", "0,40"}));
    EXPECT_EQ(Main->StatusPanels[2]->text().toStdString(), "Selected Zone: West");
    EXPECT_EQ(Main->edtZoneName->text().toStdString(), "West");
    EXPECT_TRUE(Main->cbLandZone->isChecked());
    ClickMap(20, 70);
    EXPECT_EQ(Main->SelectedZone(), Surface().Zone(2));
    EXPECT_FALSE(Main->cbLandZone->isChecked()) << "Bay is a sea zone";
    ClickMap(300, 300);
    EXPECT_EQ(Main->SelectedZone(), Surface().Zone(2)) << "a click outside every zone keeps it";

    // The list selects the zone attached to the entry.
    QListWidgetItem* East = Main->lbLandZones->findItems("East", Qt::MatchExactly).front();
    QTest::mouseClick(Main->lbLandZones->viewport(), Qt::LeftButton, {},
                      Main->lbLandZones->visualItemRect(East).center());
    EXPECT_EQ(Main->SelectedZone(), Surface().Zone(1));

    // Neighbours are rebuilt when stale, highlighted, and cleared by the next mouse down.
    Main->HighlightNeighbors1->trigger();
    EXPECT_FALSE(Main->NeighborsDirty());
    EXPECT_TRUE(Surface().Zone(0)->Sprite()->Highlighted());
    EXPECT_FALSE(Surface().Zone(1)->Sprite()->Highlighted());
    EXPECT_FALSE(Surface().Zone(2)->Sprite()->Highlighted());
    EXPECT_FALSE(Surface().Zone(3)->Sprite()->Highlighted()) << "overlapping is not adjacent";
    ClickMap(300, 300);
    EXPECT_FALSE(Surface().Zone(0)->Sprite()->Highlighted());
}

TEST_F(EditorTest, PicksLinkDistantZonesAndFindTheCheapestPath) {
    Load(WriteMapSet());
    MakeZone({{200, 200}, {240, 200}, {240, 240}, {200, 240}}, true, "Far");
    MakeZone({{240, 200}, {280, 200}, {280, 240}, {240, 240}}, false);
    Main->rbSelectZone->setChecked(true);

    // The Zone menu needs a selection.
    Main->AddanonAdjacentNeighbor1->trigger();
    Main->FindPathtoDestination1->trigger();
    Main->HighlightNeighbors1->trigger();
    EXPECT_EQ(Messages.Messages(), std::vector<std::string>(3, "No Zone Selected"));

    // Cancel ends a pick without a link.
    ClickMap(50, 10);
    Main->AddanonAdjacentNeighbor1->trigger();
    EXPECT_EQ(Main->PickMode(), TPickMode::pmAddNeighbor);
    EXPECT_TRUE(Main->pageMain->isHidden());
    EXPECT_EQ(Main->pnlControls->Caption(), "Click the Zone to add as a Neighbor");
    Main->Button4->click();
    EXPECT_EQ(Main->PickMode(), TPickMode::pmNone);
    EXPECT_FALSE(Main->pageMain->isHidden());
    EXPECT_EQ(Surface().LinkCount(), 1);

    // In Draw Points mode too, a click during a pick selects: East is linked with Far.
    Main->AddanonAdjacentNeighbor1->trigger();
    Main->rbDrawPoints->setChecked(true);
    Messages.Clear();
    ClickMap(210, 230);
    EXPECT_EQ(Messages.Messages(), std::vector<std::string>{"Link Established"});
    EXPECT_TRUE(Memo().size() == 4u) << "the selection filled the memo, no point was added";
    ASSERT_EQ(Surface().LinkCount(), 2);
    EXPECT_EQ(Surface().Link(1)->Zone1, Surface().Zone(1));
    EXPECT_EQ(Surface().Link(1)->Zone2, Surface().Zone(3));
    EXPECT_FALSE(Main->pageMain->isHidden());

    // From the new sea zone to Bay: by Far, the new link, East, West and the old link.
    Main->rbSelectZone->setChecked(true);
    ClickMap(270, 220);
    Main->FindPathtoDestination1->trigger();
    EXPECT_EQ(Main->pnlControls->Caption(), "Click the Destination Zone");
    ClickMap(30, 65);
    std::vector<std::string> Path;
    for (int32_t I = 0; I < Surface().PathCount(); ++I)
        Path.push_back(Surface().PathZone(I)->Name());
    EXPECT_EQ(Path, (std::vector<std::string>{"Sea1", "Far", "East", "West", "Bay"}));
    for (int32_t I = 0; I < Surface().ZoneCount(); ++I)
        EXPECT_TRUE(Surface().Zone(I)->Sprite()->Highlighted()) << I;
    EXPECT_EQ(Main->StatusPanels[3]->text().toStdString(),
              "Path: Sea1 > Far > East > West > Bay (cost 2020)");
    ClickMap(300, 300);
    EXPECT_FALSE(Surface().Zone(0)->Sprite()->Highlighted());
    EXPECT_EQ(Main->StatusPanels[3]->text().toStdString(), "") << "the listed path goes too";
}

TEST_F(EditorTest, DrawingShowsTheOutlineAndTheCornerARightClickWouldTake) {
    Load(WriteMapSet());
    Main->rbDrawPoints->setChecked(true);
    for (auto [X, Y] : std::vector<std::pair<int, int>>{{100, 100}, {200, 100}, {200, 200}})
        ClickMap(X, Y);
    Surface().Render();
    const TDIBCanvas& Frame = Surface().DIBCanvas();
    const uint8_t Yellow = Frame.GetPixel(100, 100);
    EXPECT_EQ(Frame.GetPixel(150, 100), Yellow) << "the line between two points";
    EXPECT_EQ(Frame.GetPixel(150, 150), Yellow) << "the closing line";
    EXPECT_NE(Frame.GetPixel(170, 130), Yellow) << "inside the outline";

    // The mark follows the mouse, and a right click takes the marked corner.
    auto* Tool = dynamic_cast<TDrawPointsTool*>(Main->ActiveTool());
    ASSERT_NE(Tool, nullptr);
    SendMouse(QEvent::MouseMove, 77, 4, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(Tool->MarkedCorner(), (TPoint{80, 0}));
    ClickMap(77, 4, Qt::RightButton);
    EXPECT_EQ(Memo().back(), "80,0");
    // A deleted zone's corner is no longer offered.
    Main->rbSelectZone->setChecked(true);
    ClickMap(60, 20);
    Main->btnDeleteZone->click();
    Main->rbDrawPoints->setChecked(true);
    SendMouse(QEvent::MouseMove, 77, 4, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(Tool->MarkedCorner(), (TPoint{40, 0}));
}

TEST_F(EditorTest, DraggingACornerMovesItInEveryZoneThatHasItAsOneStep) {
    Load(WriteMapSet());
    const auto Points = [this](int32_t Zone) { return Surface().Zone(Zone)->Points(); };
    const std::vector<TPoint> West = Points(0), East = Points(1);
    Main->rbSelectZone->setChecked(true);
    ClickMap(10, 10);
    QUndoStack* History = Main->UndoStack();
    const int Steps = History->count();

    // Left: onto the grid; the shared corner moves in West and East alike.
    DragMap({41, 1}, {52, 13});
    EXPECT_EQ(Points(0), (std::vector<TPoint>{{0, 0}, {50, 10}, {40, 40}, {0, 40}}));
    EXPECT_EQ(Points(1), (std::vector<TPoint>{{50, 10}, {80, 0}, {80, 40}, {40, 40}}));
    EXPECT_EQ(ZoneNames(), (std::vector<std::string>{"West", "East", "Bay"}));
    ASSERT_EQ(Surface().LinkCount(), 1);
    EXPECT_EQ(Surface().Link(0)->Zone1, Surface().Zone(0)) << "the link stays";
    EXPECT_EQ(Surface().Link(0)->Zone2, Surface().Zone(2));
    EXPECT_EQ(Main->SelectedZone(), Surface().Zone(0));
    EXPECT_EQ(Memo(), (std::vector<std::string>{"0,0", "50,10", "40,40", "0,40"}));
    EXPECT_EQ(History->count(), Steps + 1);

    // Right: onto the nearest other corner (Bay's), never back onto itself.
    DragMap({1, 41}, {3, 57}, Qt::RightButton);
    EXPECT_EQ(Points(0)[3], (TPoint{0, 60}));
    // A click on a corner, without a drag, moves nothing.
    DragMap({40, 40}, {41, 41});
    EXPECT_EQ(History->count(), Steps + 2);

    Main->mniUndo->trigger();
    Main->mniUndo->trigger();
    EXPECT_EQ(Points(0), West);
    EXPECT_EQ(Points(1), East);
    EXPECT_EQ(Surface().Link(0)->Zone1, Surface().Zone(0));
    // The selected zone stays selected, and the points editor shows its corners as they are.
    EXPECT_EQ(Main->SelectedZone(), Surface().Zone(0));
    EXPECT_EQ(Memo(), (std::vector<std::string>{"0,0", "40,0", "40,40", "0,40"}));
    Main->mniRedo->trigger();
    EXPECT_EQ(Points(1)[0], (TPoint{50, 10}));
    EXPECT_EQ(Memo()[1], "50,10");
}

namespace {

// A press and release queued behind whatever is already waiting, as a quick user's clicks
// are.
void PostClick(QWidget* Target, QPoint At) {
    const QPointF P(At);
    QCoreApplication::postEvent(Target,
                                new QMouseEvent(QEvent::MouseButtonPress, P, Target->mapToGlobal(P),
                                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(Target, new QMouseEvent(QEvent::MouseButtonRelease, P,
                                                        Target->mapToGlobal(P), Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
}

void PostClick(QWidget* Button) {
    PostClick(Button, Button->rect().center());
}

// Every list entry, the selection and the pick refer to zones the surface still has.
void ExpectViewsMatchTheZones(TfrmMain& Main) {
    const TZoneSpriteSurface& S = *Main.surface;
    const auto Holds = [&S](const TZone* Zone) {
        for (int32_t I = 0; I < S.ZoneCount(); ++I)
            if (S.Zone(I) == Zone)
                return true;
        return false;
    };
    int32_t Land = 0;
    for (int32_t I = 0; I < S.ZoneCount(); ++I)
        Land += S.Zone(I)->IsSea() ? 0 : 1;
    ASSERT_EQ(Main.lbLandZones->count(), Land);
    for (int Row = 0; Row < Main.lbLandZones->count(); ++Row)
        EXPECT_TRUE(Holds(TfrmMain::ZoneOf(Main.lbLandZones->item(Row))));
    if (Main.SelectedZone()) {
        EXPECT_TRUE(Holds(Main.SelectedZone()));
    }
    if (Main.PickSource()) {
        EXPECT_TRUE(Holds(Main.PickSource()));
    }
}

} // namespace

TEST_F(EditorTest, ReplaceThenAClickAndDeleteQueuedBehindItKeepEveryZoneWhole) {
    // Eight land zones in a row, the sixth replaced under a new name, then a click on the
    // seventh and Delete Selected Zone, both queued before the replacement has finished.
    for (int I = 0; I < 8; ++I)
        MakeZone({{I * 40, 0}, {I * 40 + 40, 0}, {I * 40 + 40, 40}, {I * 40, 40}}, true,
                 "Land" + std::to_string(I + 1));
    Main->rbSelectZone->setChecked(true);
    ClickMap(5 * 40 + 20, 20);
    ASSERT_EQ(Main->SelectedZone()->Name(), "Land6");
    TypeMemo({"200,0", "240,0", "240,45", "200,40"});
    Main->edtZoneName->setText("Harbour");
    PostClick(Main->btnReplaceZone);
    PostClick(Main->surface, QPoint(6 * 40 + 20 - Surface().OffsetX(), 20 - Surface().OffsetY()));
    PostClick(Main->btnDeleteZone);
    QTest::qWait(120);

    EXPECT_EQ(ZoneNames(), (std::vector<std::string>{"Land1", "Land2", "Land3", "Land4", "Land5",
                                                     "Land8", "Harbour"}));
    EXPECT_EQ(Main->SelectedZone(), nullptr);
    EXPECT_TRUE(Main->lbLandZones->selectedItems().isEmpty()) << "no highlight without a selection";
    EXPECT_EQ(Main->StatusPanels[2]->text().toStdString(), "Selected Zone:");
    // A click on the map moves the list's highlight to the zone clicked.
    ClickMap(20, 20);
    ASSERT_EQ(Main->lbLandZones->selectedItems().size(), 1);
    EXPECT_EQ(TfrmMain::ZoneOf(Main->lbLandZones->selectedItems().front()), Surface().Zone(0));
    ExpectViewsMatchTheZones(*Main);
    Main->mniUndo->trigger();
    EXPECT_EQ(Surface().Zone(5)->Name(), "Land7");
    ExpectViewsMatchTheZones(*Main);
}

TEST_F(EditorTest, RandomEditsWithQueuedClicksKeepTheViewsOnLiveZonesAndUndoToTheStart) {
    Load(WriteMapSet());
    Dialogs.AnswerSave(Dir.File("start.mapset"));
    Main->mniSaveAs->trigger();
    const std::string Start = Fixtures::ReadFile(Dir.File("start.mapset"));
    Main->mniMapCheck->trigger();

    std::mt19937 Random(20261208);
    const auto Pick = [&Random](int N) { return int(Random() % unsigned(N)); };
    // Cells of a 40-pixel grid over the map, so that new zones both touch and repeat.
    const auto Square = [](int Col, int Row) {
        const int X = Col * 40, Y = Row * 40;
        return std::vector<std::string>{std::to_string(X) + "," + std::to_string(Y),
                                        std::to_string(X + 40) + "," + std::to_string(Y),
                                        std::to_string(X + 40) + "," + std::to_string(Y + 40),
                                        std::to_string(X) + "," + std::to_string(Y + 40)};
    };
    for (int Step = 0; Step < 400; ++Step) {
        SCOPED_TRACE("step " + std::to_string(Step));
        switch (Pick(12)) {
        case 0:
        case 1:
            Main->rbSelectZone->setChecked(Pick(4) != 0);
            PostClick(Main->surface,
                      QPoint(Pick(6) * 40 + 20 - Surface().OffsetX(), Pick(4) * 40 + 20));
            break;
        case 2:
            PostClick(Main->btnDeleteZone);
            break;
        case 3:
        case 4:
            TypeMemo(Square(Pick(6), Pick(4)));
            Main->cbLandZone->setChecked(Pick(3) != 0);
            Main->edtZoneName->setText(Pick(2) ? "" : "Typed" + QString::number(Step));
            PostClick(Pick(2) ? Main->btnReplaceZone : Main->btnCreateZone);
            break;
        case 5:
            (Pick(2) ? Main->AddanonAdjacentNeighbor1 : Main->FindPathtoDestination1)->trigger();
            PostClick(Main->surface,
                      QPoint(Pick(6) * 40 + 20 - Surface().OffsetX(), Pick(4) * 40 + 20));
            break;
        case 6:
            if (const int Count = Main->frmMapCheck->lbFindings->count())
                emit Main->frmMapCheck->lbFindings->itemDoubleClicked(
                    Main->frmMapCheck->lbFindings->item(Pick(Count)));
            break;
        case 7:
        case 8:
            QMetaObject::invokeMethod(
                Main.get(), [this] { Main->mniUndo->trigger(); }, Qt::QueuedConnection);
            break;
        case 9:
            QMetaObject::invokeMethod(
                Main.get(), [this] { Main->mniRedo->trigger(); }, Qt::QueuedConnection);
            break;
        case 10:
            if (Main->lbLandZones->count() > 0)
                PostClick(
                    Main->lbLandZones->viewport(),
                    Main->lbLandZones
                        ->visualItemRect(Main->lbLandZones->item(Pick(Main->lbLandZones->count())))
                        .center());
            break;
        default:
            // Long enough for the map check's timer.
            QTest::qWait(Pick(2) ? 0 : 60);
            ExpectViewsMatchTheZones(*Main);
            break;
        }
    }
    QTest::qWait(60);
    ExpectViewsMatchTheZones(*Main);

    Main->Button4->click();
    while (Main->UndoStack()->canUndo())
        Main->mniUndo->trigger();
    Dialogs.AnswerSave(Dir.File("end.mapset"));
    Main->mniSaveAs->trigger();
    EXPECT_EQ(Fixtures::ReadFile(Dir.File("end.mapset")), Start);
}
