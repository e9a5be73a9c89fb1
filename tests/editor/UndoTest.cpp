// Undo and redo from the window: every kind of change, made through its controls, taken
// back to the same bytes and lists and forward again, with the modified mark following the
// history's clean state. The commands' own round trips are the document's tests.
#include "EditorFixture.h"

#include "editor/NewElementForm.h"
#include "editor/SpinEdit.h"

#include <QUndoStack>

class UndoTest : public EditorTest {
public:
    UndoTest() {
        Fixtures::WriteBitmap(Dir.File("c.bmp"), 16, 16, 60);
        Load(WriteMapSet());
        Main->rbSelectZone->setChecked(true);
    }
    // The file a save would write now (the save rebuilds the neighbours first).
    std::string Saved() {
        Main->RebuildNeighbors();
        const std::string Path = Dir.File("probe.mapset");
        EXPECT_TRUE(Surface().SaveMapSet(Path));
        return Fixtures::ReadFile(Path);
    }
    void AddElement(int Row, int Left, int Top) {
        WhenModal([=](QWidget* Dialog) {
            auto* Form = static_cast<TdlgNewElement*>(Dialog);
            Form->lbBitmaps->setCurrentRow(Row);
            Form->spinLeft->SetValue(Left);
            Form->spinTop->SetValue(Top);
            Form->BitBtn1->click();
        });
        Main->btnAddElement->click();
    }
};

TEST_F(UndoTest, EveryKindOfChangeUndoesAndRedoesToTheSameFile) {
    struct Row {
        const char* Caption;
        std::function<void(UndoTest&)> Change;
    };
    const std::vector<Row> Rows = {
        {"Undo Create Zone Land1",
         [](UndoTest& T) {
             T.MakeZone({{200, 200}, {240, 200}, {240, 240}}, true);
         }},
        {"Undo Create Zone Sea1",
         [](UndoTest& T) {
             T.Main->cbLandZone->setChecked(false);
             T.TypeMemo({"130,250"});
             T.Main->btnCreateSeaZone->click();
         }},
        {"Undo Delete Zone West",
         [](UndoTest& T) {
             T.ClickMap(10, 10);
             T.Main->btnDeleteZone->click();
         }},
        {"Undo Replace Zone West",
         [](UndoTest& T) {
             T.ClickMap(10, 10);
             T.TypeMemo({"0,0", "40,0", "40,45", "0,40"});
             T.Main->btnReplaceZone->click();
         }},
        {"Undo Link East and Bay",
         [](UndoTest& T) {
             T.ClickMap(50, 10);
             T.Main->AddanonAdjacentNeighbor1->trigger();
             T.ClickMap(30, 65);
         }},
        {"Undo Add Bitmap c.bmp",
         [](UndoTest& T) {
             T.Dialogs.AnswerOpen({T.Dir.File("c.bmp")});
             T.Main->btnAddBitmap->click();
         }},
        {"Undo Remove Bitmap b.bmp",
         [](UndoTest& T) {
             T.Main->lbBitmaps->setCurrentRow(1);
             T.Main->btnRemoveBitmap->click();
         }},
        {"Undo Add Element a.bmp", [](UndoTest& T) { T.AddElement(0, 100, 200); }},
        {"Undo Remove Element b.bmp",
         [](UndoTest& T) {
             T.Main->lbElements->setCurrentRow(0);
             T.Main->btnRemoveElement->click();
         }},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Caption);
        Answers = {TSaveChangesAnswer::scDiscard};
        Load(Dir.File("map.mapset"));
        Main->rbSelectZone->setChecked(true);
        const std::string Before = Saved();
        const std::vector<std::string> Lists[] = {
            Entries(Main->lbBitmaps), Entries(Main->lbElements), Entries(Main->lbLandZones)};
        R.Change(*this);
        ASSERT_EQ(Main->mniUndo->text().toStdString(), R.Caption);
        const std::string After = Saved();
        ASSERT_NE(After, Before);
        Main->mniUndo->trigger();
        EXPECT_EQ(Saved(), Before);
        EXPECT_EQ(Entries(Main->lbBitmaps), Lists[0]);
        EXPECT_EQ(Entries(Main->lbElements), Lists[1]);
        EXPECT_EQ(Entries(Main->lbLandZones), Lists[2]);
        EXPECT_FALSE(Main->Modified());
        Main->mniRedo->trigger();
        EXPECT_EQ(Saved(), After);
        EXPECT_TRUE(Main->Modified());
    }
}

TEST_F(UndoTest, RefusedCommandsLeaveTheHistoryAndTheCleanStateFollowsSaves) {
    EXPECT_FALSE(Main->mniUndo->isEnabled());
    TypeMemo({"1,1", "2,2"});
    Main->btnCreateZone->click();
    Main->HighlightNeighbors1->trigger();
    EXPECT_EQ(Main->UndoStack()->count(), 0);
    EXPECT_FALSE(Main->Modified());

    MakeZone({{200, 200}, {240, 200}, {240, 240}}, true);
    Main->rbSelectZone->setChecked(true);
    ClickMap(238, 202);
    ASSERT_EQ(Main->SelectedZone(), Surface().Zone(3));
    Main->mniUndo->trigger();
    EXPECT_EQ(Main->SelectedZone(), nullptr) << "the selected zone is gone";
    EXPECT_FALSE(Main->Modified()) << "back at the loaded state";
    Main->mniRedo->trigger();
    EXPECT_TRUE(Main->Modified());

    Main->mniSave->trigger();
    EXPECT_FALSE(Main->Modified());
    Main->mniUndo->trigger();
    EXPECT_TRUE(Main->Modified());
    Main->mniRedo->trigger();
    EXPECT_FALSE(Main->Modified());

    // A pick whose source zone is undone away ends.
    ClickMap(238, 202);
    Main->FindPathtoDestination1->trigger();
    ASSERT_EQ(Main->PickMode(), TPickMode::pmFindPath);
    Main->mniUndo->trigger();
    EXPECT_EQ(Main->PickMode(), TPickMode::pmNone);
    EXPECT_EQ(Main->PickSource(), nullptr);

    // New MapSet asks first: Cancel keeps the history; Discard starts afresh, empty and
    // saved. Load forgets the history too.
    const int Steps = Main->UndoStack()->count();
    Main->mniNewMapSet->trigger();
    EXPECT_EQ(Main->UndoStack()->count(), Steps);
    EXPECT_TRUE(Main->Modified());
    Answers = {TSaveChangesAnswer::scDiscard};
    Main->mniNewMapSet->trigger();
    EXPECT_EQ(Main->UndoStack()->count(), 0);
    EXPECT_FALSE(Main->Modified());
    MakeZone({{300, 300}, {340, 300}, {340, 340}}, false);
    Answers = {TSaveChangesAnswer::scDiscard};
    Load(Dir.File("map.mapset"));
    EXPECT_EQ(Main->UndoStack()->count(), 0);
    EXPECT_FALSE(Main->Modified());
}
