// The main window's start, file and view commands, the tool windows and the command line.
#include "EditorFixture.h"

#include "editor/GridSizeForm.h"
#include "editor/MapDocument.h"
#include "editor/OverviewWindow.h"
#include "editor/RecoveryCopy.h"
#include "editor/ScrollerGlyph.h"
#include "editor/SpinEdit.h"
#include "editor/WindowPlaces.h"
#include "graphics/ColorPalette.h"
#include "platform/Text.h"
#include "widgets/SpriteSurfaceScroller.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>

#include <algorithm>

namespace {

std::string Panel(TfrmMain& Main, int Index) {
    return Main.StatusPanels[Index]->text().toStdString();
}

std::string Caption(QWidget& Window) {
    return Window.windowTitle().remove("[*]").toStdString();
}

} // namespace

TEST_F(EditorTest, StartsWithTheDesignStateOfEveryForm) {
    EXPECT_EQ(Application().Title(), "Korvane 4.0 Zonewright");
    EXPECT_EQ(Caption(*Main), "Brellwick Zonewright - Build 7");
    EXPECT_EQ(Panel(*Main, 0), "OffsetX: 0");
    EXPECT_EQ(Panel(*Main, 1), "OffsetY: 0");
    EXPECT_EQ(Panel(*Main, 2), "Selected Zone:");
    EXPECT_EQ(Panel(*Main, 3), "");
    EXPECT_EQ(Main->StatusPanels[0]->width(), 100);
    EXPECT_EQ(Main->StatusPanels[2]->width(), 250);
    EXPECT_TRUE(Main->mniViewBackground->isChecked());
    EXPECT_TRUE(Main->mniViewZones->isChecked());
    EXPECT_FALSE(Main->mniGrid->isChecked());
    EXPECT_EQ(Main->pageMain->currentIndex(), 0);
    EXPECT_EQ(Main->pageMain->tabText(1).toStdString(), "Zone Definitions");
    EXPECT_TRUE(Main->rbSelectZone->isChecked());
    EXPECT_FALSE(Main->cbLandZone->isChecked());
    EXPECT_FALSE(Points().isVisible());
    EXPECT_EQ(Main->GridSize(), 120);
    EXPECT_EQ(Main->ClearAll1->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(Main->RemoveLast1->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(Main->HighlightNeighbors1->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));
    EXPECT_EQ(Main->mniSave->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));

    // Every control is found by its component name.
    for (const char* Name : {"btnCreateZone", "lbLandZones",
                             "lbBitmaps",     "lbElements",
                             "btnAddElement", "edtZoneName",
                             "status",        "surface",
                             "pageMain",      "pnlControls",
                             "Button4",       "ElasticPanel1",
                             "ElasticPanel2", "SpriteSurfaceScroller1",
                             "mniLoad",       "mniGridSize",
                             "dlgSave",       "dlgOpenMapSet",
                             "dlgOpenBitmap", "frmPointsEditor",
                             "memoPoints",    "dlgGridSize",
                             "spinGridSize",  "dlgNewElement",
                             "spinLeft"})
        EXPECT_NE(Main->findChild<QObject*>(Name), nullptr) << Name;

    TZoneSpriteSurface& S = Surface();
    EXPECT_EQ(S.ColorIndexLand(), 118);
    EXPECT_EQ(S.ColorIndexSea(), 196);
    EXPECT_EQ(S.AnimationInterval(), 200);
    EXPECT_EQ(S.VirtualWidth(), 444);
    EXPECT_EQ(S.VirtualHeight(), 415);
    EXPECT_EQ(S.GridMarginTop(), 16);
    EXPECT_EQ(S.ColorPalette(), Main->palMain.get());
    EXPECT_EQ(Main->palMain->Entries(118) & 0xFFFFFF, RGBColor(132, 140, 123));
    EXPECT_EQ(Main->palMain->Entries(239) & 0xFFFFFF, RGBColor(0, 0, 1));
    EXPECT_EQ(Main->palMain->Entries(97), Main->palMain->Entries(224));

    const std::unique_ptr<TBitmap> Glyph = MakeScrollerGlyph();
    EXPECT_EQ(Glyph->Width(), 80);
    EXPECT_EQ(Glyph->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(Main->SpriteSurfaceScroller1->Glyph().Width(), 80);
}

TEST_F(EditorTest, MapSetsAreAcceptedOnlyFromTheProgramsDirectory) {
    const std::string Good = WriteMapSet();
    std::filesystem::create_directory(Dir.File("sub"));
    Fixtures::WriteFile(Dir.File("sub/other.mapset"), "");

    Load(Dir.File("sub/other.mapset"));
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0], "MapSet Files must reside in Application Directory!");
    EXPECT_EQ(Messages.Captions()[0], "Korvane 4.0 Zonewright");
    EXPECT_EQ(Surface().ZoneCount(), 0);
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
    ASSERT_EQ(Dialogs.Shown().size(), 1u);
    EXPECT_EQ(Dialogs.Shown()[0].Title, "Open MapSet File");
    EXPECT_EQ(Dialogs.Shown()[0].InitialDir, Dir.Path());

    // The same directory written in another letter case passes.
    std::string Upper = Good;
    for (char& C : Upper)
        C = char(std::toupper(static_cast<unsigned char>(C)));
    EXPECT_TRUE(TfrmMain::InProgramDir(Dir.Path() + "/MAP.MAPSET"));
    EXPECT_FALSE(TfrmMain::InProgramDir("/elsewhere/map.mapset"));
    Load(Good);
    EXPECT_EQ(Surface().ZoneCount(), 3);
}

TEST_F(EditorTest, LoadFillsTheThreeListsFromTheMapSet) {
    Load(WriteMapSet());
    EXPECT_EQ(Entries(Main->lbBitmaps), (std::vector<std::string>{"a.bmp: 32x32", "b.bmp: 64x48"}));
    EXPECT_EQ(Entries(Main->lbElements),
              (std::vector<std::string>{"b.bmp: 0,0", "a.bmp: 64,0", "b.bmp: 0,48"}));
    EXPECT_EQ(Entries(Main->lbLandZones), (std::vector<std::string>{"East", "West"}));
    EXPECT_EQ(TfrmMain::ZoneOf(Main->lbLandZones->item(0)), Surface().Zone(1));
    EXPECT_EQ(Panel(*Main, 3), "");
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
    EXPECT_EQ(Caption(*Main), "Brellwick Zonewright - Build 7 - map.mapset");
    EXPECT_FALSE(Main->Modified());

    // Loading the open map set again gets the saved version back, lists not doubled.
    Surface().DeleteZone(Surface().Zone(2));
    Load(Dir.File("map.mapset"));
    EXPECT_EQ(Surface().ZoneCount(), 3);
    EXPECT_EQ(Main->lbLandZones->count(), 2);
}

#ifdef ZW_SAMPLE_DIR
TEST_F(EditorTest, TheSampleMapSetLoadsIntoTheThreeLists) {
    Main = CreateForms({ZW_SAMPLE_DIR, ""});
    Load(std::string(ZW_SAMPLE_DIR) + "/sample.mapset");
    EXPECT_TRUE(Messages.Messages().empty());
    EXPECT_EQ(Entries(Main->lbBitmaps),
              (std::vector<std::string>{"sample-east.bmp: 800x1200", "sample-west.bmp: 800x1200"}));
    EXPECT_EQ(Entries(Main->lbElements),
              (std::vector<std::string>{"sample-west.bmp: 0,0", "sample-east.bmp: 800,0"}));
    std::vector<std::string> Land;
    for (int32_t I = 0; I < Surface().ZoneCount(); ++I)
        if (!Surface().Zone(I)->IsSea())
            Land.push_back(Surface().Zone(I)->Name());
    std::sort(Land.begin(), Land.end());
    EXPECT_EQ(Land.size(), 27u);
    EXPECT_EQ(Entries(Main->lbLandZones), Land);
    for (int Row = 0; Row < Main->lbLandZones->count(); ++Row)
        EXPECT_EQ(ShownText(TfrmMain::ZoneOf(Main->lbLandZones->item(Row))->Name()),
                  Main->lbLandZones->item(Row)->text());
}
#endif

TEST_F(EditorTest, SaveRebuildsNeighboursAndSaveAsAsksForTheName) {
    Load(WriteMapSet());
    Main->mniNewMapSet->trigger();
    EXPECT_EQ(Main->FileName(), "");
    EXPECT_EQ(Main->lbBitmaps->count() + Main->lbElements->count() + Main->lbLandZones->count(), 0);
    EXPECT_EQ(Surface().ZoneCount() + Surface().LinkCount() + int(Surface().Bitmaps().size()), 0)
        << "New MapSet empties the map";
    EXPECT_FALSE(Main->Modified());

    // An unnamed map set with zones and a link.
    TMapDocument& D = Main->Document();
    D.InsertZoneAt(0, "0,0,40,0,40,40,0,40,;West;0;");
    D.InsertZoneAt(1, "40,0,80,0,80,40,40,40,;East;0;");
    D.InsertZoneAt(2, "0,60,40,60,40,90,;Bay;1;");
    D.InsertLinkAt(0, 0, 2);

    // Without a name Save is Save As; a cancelled dialog writes nothing.
    Main->mniSave->trigger();
    ASSERT_EQ(Dialogs.Shown().size(), 2u);
    EXPECT_EQ(Dialogs.Shown()[1].Title, "Save MapSet As");
    EXPECT_EQ(Dialogs.Shown()[1].DefaultExt, "mapset");
    EXPECT_TRUE(Dialogs.Shown()[1].OverwritePrompt);
    EXPECT_EQ(Main->FileName(), "");

    Surface().Zone(0)->NeighborList().clear();
    Dialogs.AnswerSave(Dir.File("copy"));
    Main->mniSave->trigger();
    EXPECT_EQ(Main->FileName(), Dir.File("copy.mapset"));
    ASSERT_FALSE(Messages.Messages().empty());
    EXPECT_EQ(Messages.Messages().back(), "File " + Dir.File("copy.mapset") + " saved");
    EXPECT_EQ(Surface().Zone(0)->NeighborCount(), 2) << "East by the edge, Bay by the link";
    const std::string Written = Fixtures::ReadFile(Dir.File("copy.mapset"));
    EXPECT_NE(Written.find("Zone=0,0,40,0,40,40,0,40,;West;0;1#2#\r\n"), std::string::npos);

    // Save As elsewhere is written; loading it back from there is refused.
    TempDir Other;
    Dialogs.AnswerSave(Other.File("far.mapset"));
    Main->mniSaveAs->trigger();
    EXPECT_FALSE(Fixtures::ReadFile(Other.File("far.mapset")).empty());
    Load(Other.File("far.mapset"));
    EXPECT_EQ(Messages.Messages().back(), "MapSet Files must reside in Application Directory!");

    // Save As right after New writes an empty map set.
    Main->mniNewMapSet->trigger();
    Dialogs.AnswerSave(Dir.File("empty.mapset"));
    Main->mniSaveAs->trigger();
    const std::string Empty = Fixtures::ReadFile(Dir.File("empty.mapset"));
    EXPECT_TRUE(std::filesystem::exists(Dir.File("empty.mapset")));
    for (const char* Key : {"Bitmap=", "Element=", "Zone=", "Link="})
        EXPECT_EQ(Empty.find(Key), std::string::npos) << Key;
}

TEST_F(EditorTest, ViewTogglesAndThePointsEditorFollowTheirControls) {
    Main->mniViewBackground->trigger();
    EXPECT_FALSE(Surface().ShowBackground());
    EXPECT_TRUE(Surface().AutoBlank());
    Main->mniViewBackground->trigger();
    EXPECT_TRUE(Surface().ShowBackground());
    EXPECT_FALSE(Surface().AutoBlank());
    Main->mniViewZones->trigger();
    EXPECT_FALSE(Surface().ShowZones());
    auto* Scroller = Main->findChild<QAction*>("mniScroller");
    ASSERT_NE(Scroller, nullptr);
    EXPECT_TRUE(Scroller->isChecked());
    Scroller->trigger();
    EXPECT_TRUE(Main->SpriteSurfaceScroller1->isHidden());
    Scroller->trigger();
    EXPECT_FALSE(Main->SpriteSurfaceScroller1->isHidden());

    Main->pageMain->setCurrentIndex(1);
    EXPECT_TRUE(Points().isVisible());
    Points().close();
    EXPECT_FALSE(Points().isVisible()) << "the close box only hides it";
    Main->pageMain->setCurrentIndex(0);
    Main->pageMain->setCurrentIndex(1);
    EXPECT_TRUE(Points().isVisible());
    Main->pageMain->setCurrentIndex(0);
    EXPECT_FALSE(Points().isVisible());
}

TEST_F(EditorTest, MiddleButtonDragPansTheMapInEveryMode) {
    Surface().SetVirtualWidth(3000);
    Surface().SetVirtualHeight(3000);
    Main->rbDrawPoints->setChecked(true);
    // Events at view positions: the map moves under the mouse as it goes.
    const auto At = [this](QEvent::Type Type, int X, int Y, Qt::MouseButton Button,
                           Qt::MouseButtons Held) {
        SendMouse(Type, X + Surface().OffsetX(), Y + Surface().OffsetY(), Button, Held);
    };
    At(QEvent::MouseButtonPress, 200, 200, Qt::MiddleButton, Qt::MiddleButton);
    At(QEvent::MouseMove, 150, 170, Qt::NoButton, Qt::MiddleButton);
    EXPECT_EQ(std::pair(Surface().OffsetX(), Surface().OffsetY()), std::pair(50, 30));
    At(QEvent::MouseMove, 100, 100, Qt::NoButton, Qt::MiddleButton);
    At(QEvent::MouseButtonRelease, 100, 100, Qt::MiddleButton, Qt::NoButton);
    EXPECT_EQ(std::pair(Surface().OffsetX(), Surface().OffsetY()), std::pair(100, 100));
    EXPECT_EQ(Main->StatusPanels[0]->text().toStdString(), "OffsetX: 100");
    EXPECT_TRUE(Memo().empty()) << "the middle button draws no point";
    At(QEvent::MouseMove, 10, 10, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(Surface().OffsetX(), 100) << "the pan ended with the release";
}

TEST_F(EditorTest, ControlPagesStartAtTheDesignWidthAndWidenWithTheSplitter) {
    Main->resize(900, 600);
    Main->show();
    QApplication::processEvents();
    EXPECT_EQ(Main->pnlControls->width(), 185);
    const int ListWidth = Main->lbBitmaps->width();
    const int Map = Main->splControls->sizes().at(0);
    Main->splControls->setSizes({Map - 115, 300});
    QApplication::processEvents();
    EXPECT_EQ(Main->pnlControls->width(), 300);
    EXPECT_EQ(Main->lbBitmaps->width(), ListWidth + 115) << "the lists widen with the pages";
    Main->pageMain->setCurrentIndex(1);
    QApplication::processEvents();
    EXPECT_GT(Main->lbLandZones->width(), 250);
    // A wider window widens the map, not the pages.
    Main->resize(1100, 600);
    QApplication::processEvents();
    EXPECT_EQ(Main->pnlControls->width(), 300);
}

TEST_F(EditorTest, TheScrollerTakesOnlyItsRoundFaceAndCanBeHidden) {
    Main->resize(900, 600);
    Main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Main.get()));
    Main->rbDrawPoints->setChecked(true);
    QWidget* Scroller = Main->SpriteSurfaceScroller1;
    const auto Click = [this, Scroller](QPoint InScroller) {
        QTest::mouseClick(Main->windowHandle(), Qt::LeftButton, {},
                          Scroller->mapTo(Main.get(), InScroller));
    };
    Click({1, 1});
    EXPECT_EQ(Memo().size(), 1u) << "beside the face the click reaches the map";
    const QPoint Centre = Scroller->rect().center();
    Click(Centre);
    EXPECT_EQ(Memo().size(), 1u) << "the face itself is the scroller's";
    Main->findChild<QAction*>("mniScroller")->trigger();
    Click(Centre);
    EXPECT_EQ(Memo().size(), 2u) << "a hidden scroller covers nothing";
}

TEST_F(EditorTest, PointsEditorLetsOnlyDigitsCommasAndLineBreaksThrough) {
    Points().show();
    QTest::keyClicks(Points().memoPoints, "12a,4-5");
    QTest::keyClick(Points().memoPoints, Qt::Key_Return);
    QTest::keyClicks(Points().memoPoints, "7 0,8");
    EXPECT_EQ(Memo(), (std::vector<std::string>{"12,45", "70,8"}));
    QTest::keyClick(Points().memoPoints, Qt::Key_Escape);
    EXPECT_EQ(Memo(), (std::vector<std::string>{"12,45"}));
    Points().btnClear->click();
    EXPECT_TRUE(Memo().empty());
    QTest::keyClick(Points().memoPoints, Qt::Key_Escape);
    EXPECT_TRUE(Memo().empty());
}

TEST_F(EditorTest, GridTemplateLiesOnTheBrickCellsOfTheGridSize) {
    Surface().SetVirtualWidth(400);
    Surface().SetVirtualHeight(400);
    Surface().SetAutoBlank(true);
    Surface().SetAutoBlankColorIndex(240);
    Main->mniGrid->trigger();
    Surface().Render();
    const TDIBCanvas& Frame = Surface().DIBCanvas();
    const auto Pixel = [&](int X, int Y) { return Frame.GetPixel(X, Y); };
    // Row 0: verticals at 0, 120, 240; row 1 (120..240): at 60, 180, 300; horizontals at
    // 0, 120, 240.
    for (auto [X, Y] : std::vector<std::pair<int, int>>{{0, 60},
                                                        {120, 60},
                                                        {240, 60},
                                                        {60, 180},
                                                        {180, 180},
                                                        {300, 180},
                                                        {30, 120},
                                                        {30, 240},
                                                        {90, 0},
                                                        {120, 300}})
        EXPECT_EQ(Pixel(X, Y), 0) << X << "," << Y;
    for (auto [X, Y] : std::vector<std::pair<int, int>>{{60, 60}, {120, 180}, {180, 60}, {60, 300}})
        EXPECT_EQ(Pixel(X, Y), 240) << X << "," << Y;

    // The dialog keeps the size within 50 to 1000 and Cancel keeps it.
    for (auto [Typed, Expected] :
         std::vector<std::pair<const char*, int>>{{"20", 50}, {"5000", 1000}, {"250", 250}}) {
        WhenModal([Typed](QWidget* Dialog) {
            auto* Spin = Dialog->findChild<TSpinEdit*>("spinGridSize");
            Spin->Edit()->selectAll();
            QTest::keyClick(Spin->Edit(), Qt::Key_Backspace);
            QTest::keyClicks(Spin->Edit(), Typed);
            QTest::keyClick(Spin->Edit(), Qt::Key_Return);
        });
        Main->mniGridSize->trigger();
        EXPECT_EQ(Main->GridSize(), Expected) << Typed;
    }
    WhenModal([](QWidget* Dialog) { static_cast<QDialog*>(Dialog)->reject(); });
    Main->mniGridSize->trigger();
    EXPECT_EQ(Main->GridSize(), 250);
    // Text that is no number reads as the minimum.
    TSpinEdit* Spin = Main->findChild<TSpinEdit*>("spinGridSize");
    Spin->Edit()->setText("-");
    EXPECT_EQ(Spin->Value(), 50);
}

TEST_F(EditorTest, UnsavedChangesAreNeverLostWithoutAsking) {
    const std::string Path = WriteMapSet();
    Load(Path);
    MakeZone({{200, 200}, {240, 200}, {240, 240}}, true);
    ASSERT_TRUE(Main->Modified());
    EXPECT_TRUE(Main->windowTitle().contains("[*]") && Main->isWindowModified());

    Main->show();
    Answers = {TSaveChangesAnswer::scCancel};
    Main->mniExit->trigger();
    EXPECT_TRUE(Main->isVisible());
    EXPECT_EQ(Questions, (std::vector<std::string>{"Save changes to the map set?"}));

    // Load asks too; Cancel keeps the new zone.
    Answers = {TSaveChangesAnswer::scCancel};
    Load(Path);
    EXPECT_EQ(Surface().ZoneCount(), 4);

    // Save As to a place that cannot be written: the name, the caption and the unsaved mark
    // stay.
    const QString Caption = Main->windowTitle();
    Dialogs.AnswerSave(Dir.File("missing/x.mapset"));
    Main->mniSaveAs->trigger();
    EXPECT_EQ(Main->FileName(), Path);
    EXPECT_EQ(Main->windowTitle(), Caption);
    EXPECT_TRUE(Main->isWindowModified());

    // New MapSet asks too; Cancel keeps the map, Discard empties it.
    Questions.clear();
    Main->mniNewMapSet->trigger();
    EXPECT_EQ(Questions.size(), 1u);
    EXPECT_EQ(Surface().ZoneCount(), 4);
    EXPECT_EQ(Main->FileName(), Path);
    Answers = {TSaveChangesAnswer::scDiscard};
    Main->mniNewMapSet->trigger();
    EXPECT_EQ(Surface().ZoneCount(), 0);
    EXPECT_EQ(Main->FileName(), "");
    EXPECT_FALSE(Main->Modified());
    MakeZone({{200, 200}, {240, 200}, {240, 240}}, true);

    // Save chosen but the file cannot be written (its directory is gone): the window stays.
    Dialogs.AnswerSave(Dir.File("missing/x.mapset"));
    Answers = {TSaveChangesAnswer::scSave};
    Main->close();
    EXPECT_TRUE(Main->isVisible());

    // Save that works, then nothing to ask.
    Dialogs.AnswerSave(Dir.File("saved.mapset"));
    Answers = {TSaveChangesAnswer::scSave};
    Main->mniNewMapSet->trigger();
    Main->close();
    EXPECT_FALSE(Main->isVisible());
    EXPECT_NE(Fixtures::ReadFile(Dir.File("saved.mapset")).find(";Land1;"), std::string::npos);
}

TEST_F(EditorTest, CommandLineNamesTheMapSetOrTheDirectory) {
    const std::string Path = WriteMapSet();
    TEditorStart Start = ParseEditorArguments({"zonewright", QString::fromStdString(Path)});
    EXPECT_EQ(Start.MapSetFile, Path);
    EXPECT_EQ(Start.ProgramDir, Dir.Path());
    Start = ParseEditorArguments({"zonewright", QString::fromStdString(Dir.Path())});
    EXPECT_EQ(Start.MapSetFile, "");
    EXPECT_EQ(Start.ProgramDir, Dir.Path());

    Main->OpenAtStart(Path);
    EXPECT_EQ(Surface().ZoneCount(), 3);
    Main->OpenAtStart(Dir.File("none.mapset"));
    ASSERT_FALSE(Messages.Messages().empty());
    EXPECT_EQ(Messages.Messages().back(), "Cannot open file " + Dir.File("none.mapset"));

    // A file the reader refuses: its message, the cursor back, nothing left to overwrite it.
    Fixtures::WriteFile(Dir.File("bad.mapset"), "Bitmap=nothere.bmp\r\n");
    Main->OpenAtStart(Dir.File("bad.mapset"));
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
    EXPECT_EQ(Panel(*Main, 3), "MapSet incomplete: loading stopped at line 1");
    EXPECT_EQ(Main->FileName(), "");
}

TEST_F(EditorTest, UnsavedWorkIsCopiedAsideUntilSavedAndOfferedAfterACrash) {
    const std::string Path = WriteMapSet();
    const std::string Copy = Path + ".recovery";
    Load(Path);
    Main->Recovery()->SetInterval(10);
    QTest::qWait(50);
    EXPECT_FALSE(std::filesystem::exists(Copy)) << "never a copy of a clean map";

    MakeZone({{200, 200}, {240, 200}, {240, 240}}, true, "Kept");
    QTRY_VERIFY(std::filesystem::exists(Copy));
    // The process ends without closing the window: the next start offers the copy.
    Main.reset();
    Main = CreateForms({Dir.Path(), ""});
    const auto Answer = [](const char* Button) {
        WhenModal([Button](QWidget* Dialog) {
            for (QPushButton* B : Dialog->findChildren<QPushButton*>())
                if (B->text() == Button)
                    B->click();
        });
    };
    Answer("Recover");
    Main->OfferRecovery();
    EXPECT_EQ(ZoneNames(), (std::vector<std::string>{"West", "East", "Bay", "Kept"}));
    EXPECT_EQ(Main->FileName(), Path);
    EXPECT_TRUE(Main->Modified());
    Main->mniSave->trigger();
    EXPECT_NE(Fixtures::ReadFile(Path).find(";Kept;"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Copy)) << "a save removes the copy";

    // A map set without a name is copied into the program's directory; Discard removes it.
    Main->mniNewMapSet->trigger();
    MakeZone({{200, 200}, {240, 200}, {240, 240}}, true);
    const std::string Unnamed = Dir.File("Untitled.mapset.recovery");
    ASSERT_TRUE(Main->Recovery()->WriteNow());
    EXPECT_NE(Fixtures::ReadFile(Unnamed).find(";Land1;"), std::string::npos);
    Main.reset();
    Main = CreateForms({Dir.Path(), ""});
    Answer("Discard");
    Main->OfferRecovery();
    EXPECT_EQ(Surface().ZoneCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(Unnamed));

    // A clean close removes the copy too.
    MakeZone({{200, 200}, {240, 200}, {240, 240}}, true);
    ASSERT_TRUE(Main->Recovery()->WriteNow());
    Answers = {TSaveChangesAnswer::scDiscard};
    Main->show();
    Main->close();
    EXPECT_FALSE(std::filesystem::exists(Unnamed));
}

TEST(WindowPlacesTest, ToolWindowsGoBesideTheMainWindowOrOverItsMapNeverOffTheScreen) {
    struct Row {
        const char* What;
        QRect Free, Main, Lists;
        QSize Size;
        std::vector<QRect> Taken;
        QRect Expected;
    };
    const QRect Big(0, 0, 1600, 1200), Small(0, 0, 800, 600);
    const QRect Main(100, 100, 1000, 700), Lists(915, 130, 185, 660);
    const std::vector<Row> Rows = {
        {"right, at the top", Big, Main, Lists, {157, 180}, {}, {1104, 100, 157, 180}},
        {"right, under a tool there",
         Big,
         Main,
         Lists,
         {157, 180},
         {{1104, 100, 157, 180}},
         {1104, 284, 157, 180}},
        {"left", Big, {560, 100, 1000, 700}, Lists, {320, 240}, {}, {236, 100, 320, 240}},
        {"below", Big, {300, 100, 1200, 600}, Lists, {560, 220}, {}, {300, 704, 560, 220}},
        // The window that opened at y=1053 on a 1200-pixel screen.
        {"over the map",
         Big,
         {300, 200, 1000, 860},
         {1115, 230, 185, 820},
         {560, 220},
         {},
         {304, 415, 560, 220}},
        {"over the map, narrowed left of the lists",
         Small,
         {0, 0, 800, 600},
         {615, 25, 185, 560},
         {640, 220},
         {},
         {0, 150, 611, 220}},
    };
    for (const Row& R : Rows) {
        const QRect Got = TWindowPlaces::Beside(R.Main, R.Size, R.Free, R.Taken, R.Lists);
        EXPECT_EQ(Got, R.Expected) << R.What;
        EXPECT_TRUE(R.Free.contains(Got)) << R.What;
        EXPECT_FALSE(Got.intersects(R.Lists)) << R.What;
    }
}

TEST_F(EditorTest, ToolWindowsOpenOnTheScreenClearOfTheListsAndWhereTheyWereLastRun) {
    const QString Settings = QString::fromStdString(Dir.File("places.ini"));
    Main->KeepWindowPlaces(Settings);
    Main->show();
    Main->pageMain->setCurrentIndex(1);
    Main->mniOverview->trigger();
    Main->mniMapCheck->trigger();
    const QRect Free = Main->screen()->availableGeometry();
    QWidget* Lists = Main->splControls->widget(1);
    const QRect ListsRect(Lists->mapToGlobal(QPoint(0, 0)), Lists->size());
    std::vector<QRect> Tools;
    for (const char* Name : {"frmPointsEditor", "frmOverview", "frmMapCheck"}) {
        auto* Tool = Main->findChild<QWidget*>(Name);
        ASSERT_NE(Tool, nullptr) << Name;
        EXPECT_TRUE(Tool->isVisible()) << Name;
        EXPECT_TRUE(Free.contains(Tool->frameGeometry())) << Name;
        EXPECT_FALSE(Tool->frameGeometry().intersects(ListsRect)) << Name;
        Tools.push_back(Tool->frameGeometry());
    }
    EXPECT_FALSE(Tools[0].intersects(Tools[1]));

    // Moved and resized by the user, then the editor closed: the next run opens them there.
    Main->move(Free.topLeft() + QPoint(10, 10));
    Points().move(Free.topLeft() + QPoint(20, 300));
    Main->frmOverview->setGeometry(QRect(Free.topLeft() + QPoint(200, 260), QSize(300, 200)));
    const QRect MainPlace = Main->geometry(), PointsPlace = Points().geometry(),
                OverviewPlace = Main->frmOverview->geometry();
    Main->close();
    Main.reset();
    Main = CreateForms({Dir.Path(), ""});
    Main->KeepWindowPlaces(Settings);
    EXPECT_EQ(Main->geometry(), MainPlace);
    Main->show();
    Main->pageMain->setCurrentIndex(1);
    Main->mniOverview->trigger();
    EXPECT_EQ(Points().geometry(), PointsPlace);
    EXPECT_EQ(Main->frmOverview->geometry(), OverviewPlace);

    // A place no screen holds any more is not taken.
    Main->frmOverview->hide();
    Main->frmOverview->move(Free.right() + 5000, 0);
    Main->frmOverview->show();
    Main->frmOverview->hide();
    Main->mniOverview->trigger();
    EXPECT_TRUE(Free.contains(Main->frmOverview->frameGeometry()));
}
