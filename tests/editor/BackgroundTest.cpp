// Background composition through the main window, and a whole session from an empty
// window to a saved map set that loads back the same.
#include "EditorFixture.h"

#include "editor/BitmapPreview.h"
#include "editor/NewElementForm.h"
#include "editor/SpinEdit.h"

#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QUndoStack>

#include <QPushButton>
#include <QToolButton>
#include <algorithm>

class BackgroundTest : public EditorTest {
protected:
    // The lines of a map set with its Element lines sorted: they are written in the order
    // in which the background engine draws them, which is not the order of placement.
    static std::vector<std::string> SortedElements(const std::string& Text) {
        std::vector<std::string> Lines = Fixtures::Lines(Text);
        const auto IsElement = [](const std::string& L) { return L.rfind("Element=", 0) == 0; };
        const auto First = std::find_if(Lines.begin(), Lines.end(), IsElement);
        const auto Last = std::find_if_not(First, Lines.end(), IsElement);
        std::sort(First, Last);
        return Lines;
    }

    // Chooses an entry (or none) in the New Element dialog, types Left and Top, presses OK.
    void AddElement(int Row, const QString& Left, const QString& Top) {
        WhenModal([Row, Left, Top](QWidget* Dialog) {
            auto* Form = static_cast<TdlgNewElement*>(Dialog);
            if (Row >= 0)
                Form->lbBitmaps->setCurrentRow(Row);
            Form->spinLeft->Edit()->setText(Left);
            Form->spinTop->Edit()->setText(Top);
            Form->BitBtn1->click();
        });
        Main->btnAddElement->click();
    }
};

TEST_F(BackgroundTest, BitmapsAndElementsStayInStepWithTheSurface) {
    for (const char* Name : {"c.bmp", "a.bmp", "b.bmp"})
        Fixtures::WriteBitmap(Dir.File(Name), Name[0] == 'a' ? 32 : 64, 48, 20);
    std::filesystem::create_directory(Dir.File("sub"));
    Fixtures::WriteBitmap(Dir.File("sub/d.bmp"), 8, 8, 1);

    Dialogs.AnswerOpen({Dir.File("sub/d.bmp")});
    Main->btnAddBitmap->click();
    EXPECT_EQ(Messages.Messages(),
              std::vector<std::string>{"Bitmaps must reside in Application Directory!"});
    EXPECT_EQ(Main->lbBitmaps->count(), 0);

    Dialogs.AnswerOpen({Dir.File("c.bmp"), Dir.File("a.bmp"), Dir.File("b.bmp")});
    Main->btnAddBitmap->click();
    EXPECT_TRUE(Dialogs.Shown().back().MultiSelect);
    EXPECT_EQ(Dialogs.Shown().back().Title, "Select Bitmap File");
    EXPECT_EQ(Entries(Main->lbBitmaps),
              (std::vector<std::string>{"a.bmp: 32x48", "b.bmp: 64x48", "c.bmp: 64x48"}));
    EXPECT_EQ(Surface().Bitmaps().size(), 3u);
    EXPECT_TRUE(Main->Modified());

    // The first bitmap starts chosen; OK without a source bitmap is refused and the dialog
    // stays; Cancel ends it.
    Messages.Clear();
    WhenModal([](QWidget* Dialog) {
        auto* Form = static_cast<TdlgNewElement*>(Dialog);
        EXPECT_EQ(Form->lbBitmaps->currentRow(), 0);
        EXPECT_TRUE(Form->lbBitmaps->currentItem()->isSelected());
        Form->lbBitmaps->clearSelection();
        Form->BitBtn1->click();
        EXPECT_TRUE(Form->isVisible());
        Form->BitBtn2->click();
    });
    Main->btnAddElement->click();
    EXPECT_EQ(Messages.Messages(), std::vector<std::string>{"Please Select a Source Bitmap"});
    EXPECT_EQ(Surface().ElementCount(), 0);

    AddElement(0, "100", "200");
    AddElement(2, "30", "40");
    EXPECT_EQ(Entries(Main->lbElements),
              (std::vector<std::string>{"a.bmp: 32x48: 100,200", "c.bmp: 64x48: 30,40"}));
    // The dialog remembers Left and Top.
    WhenModal([](QWidget* Dialog) {
        auto* Form = static_cast<TdlgNewElement*>(Dialog);
        EXPECT_EQ(Form->spinLeft->Value(), 30);
        EXPECT_EQ(Form->spinTop->Value(), 40);
        EXPECT_EQ(Form->lbBitmaps->count(), 3);
        EXPECT_EQ(Form->lbBitmaps->currentRow(), 0);
        Form->lbBitmaps->setCurrentRow(1);
        Form->BitBtn1->click();
    });
    Main->btnAddElement->click();
    ASSERT_EQ(Surface().ElementCount(), 3);
    EXPECT_EQ(Surface().ElementNames()[2].Name, "b.bmp");

    // Removing by index removes the surface's element of that index.
    Main->lbElements->setCurrentRow(0);
    Main->btnRemoveElement->click();
    ASSERT_EQ(Surface().ElementCount(), 2);
    EXPECT_EQ(Surface().ElementNames()[0].Name, "c.bmp");

    // Removing a bitmap takes its elements; the list follows the surface.
    Main->lbBitmaps->setCurrentRow(2);
    Main->btnRemoveBitmap->click();
    EXPECT_EQ(Entries(Main->lbBitmaps), (std::vector<std::string>{"a.bmp: 32x48", "b.bmp: 64x48"}));
    EXPECT_EQ(Entries(Main->lbElements), (std::vector<std::string>{"b.bmp: 30,40"}));
    EXPECT_EQ(Surface().ElementCount(), 1);
}

TEST_F(BackgroundTest, BitmapsThatCannotBeAddedAreNamedAndTheRestAreStillAdded) {
    Fixtures::WriteBitmap(Dir.File("a.bmp"), 32, 32, 20);
    QImage Deep(16, 16, QImage::Format_RGB888);
    Deep.fill(Qt::red);
    ASSERT_TRUE(Deep.save(QString::fromStdString(Dir.File("deep.bmp")), "BMP"));
    Fixtures::WriteFile(Dir.File("junk.bmp"), "not a bitmap");
    Fixtures::WriteBitmap(Dir.File("z.bmp"), 8, 16, 30);

    Dialogs.AnswerOpen(
        {Dir.File("a.bmp"), Dir.File("deep.bmp"), Dir.File("junk.bmp"), Dir.File("z.bmp")});
    Main->btnAddBitmap->click();
    EXPECT_EQ(Entries(Main->lbBitmaps), (std::vector<std::string>{"a.bmp: 32x32", "z.bmp: 8x16"}));
    ASSERT_EQ(Messages.Messages().size(), 1u);
    const std::string& Message = Messages.Messages()[0];
    EXPECT_NE(Message.find("deep.bmp: Only 256 color bitmaps are supported"), std::string::npos)
        << Message;
    EXPECT_NE(Message.find("junk.bmp: "), std::string::npos) << Message;
    EXPECT_EQ(Message.find("a.bmp"), std::string::npos) << Message;

    // Each bitmap added is a step of Undo of its own; the refused ones left none.
    EXPECT_EQ(Main->UndoStack()->count(), 2);
    Main->mniUndo->trigger();
    EXPECT_EQ(Entries(Main->lbBitmaps), std::vector<std::string>{"a.bmp: 32x32"});
}

TEST_F(BackgroundTest, TheBitmapDialogPreviewsTheChosenFileAndAddsIt) {
    Fixtures::WriteBitmap(Dir.File("a.bmp"), 64, 32, 20);
    QImage Deep(40, 20, QImage::Format_RGB888);
    Deep.fill(Qt::blue);
    ASSERT_TRUE(Deep.save(QString::fromStdString(Dir.File("deep.bmp")), "BMP"));
    Fixtures::WriteFile(Dir.File("junk.bmp"), "not a bitmap");
    // The program's own dialog instead of the script, for this test only.
    const auto Script = Application().SetOpenDialogHook(ExecuteOpenDialogWithPreview);
    WhenModal([this](QWidget* Window) {
        auto* Dialog = qobject_cast<QFileDialog*>(Window);
        ASSERT_NE(Dialog, nullptr);
        // Whatever fails below, the dialog ends and the test goes on.
        const std::unique_ptr<QDialog, void (*)(QDialog*)> Ends(Dialog, [](QDialog* D) {
            if (D->isVisible())
                D->reject();
        });
        auto* Preview = Dialog->findChild<TBitmapPreview*>();
        auto* List = Dialog->findChild<QListView*>("listView");
        ASSERT_NE(Preview, nullptr);
        ASSERT_NE(List, nullptr);
        EXPECT_EQ(Dialog->directory().absolutePath().toStdString(), Dir.Path());
        // As a click on the file's entry does, once the directory has been read.
        const auto Choose = [&](const QString& Name) {
            for (int Tries = 0; Tries < 500; ++Tries) {
                const QModelIndex Root = List->rootIndex();
                for (int Row = 0; Row < List->model()->rowCount(Root); ++Row) {
                    const QModelIndex Entry = List->model()->index(Row, 0, Root);
                    if (Entry.data().toString() == Name) {
                        List->setCurrentIndex(Entry);
                        return true;
                    }
                }
                QTest::qWait(10);
            }
            return false;
        };
        ASSERT_TRUE(Choose("deep.bmp"));
        EXPECT_EQ(Preview->lblSize->text(), "40x20");
        EXPECT_EQ(Preview->lblDepth->text(), "24 bits per pixel: only 8-bit bitmaps can be added");
        EXPECT_FALSE(Preview->imgThumbnail->pixmap().isNull());
        ASSERT_TRUE(Choose("junk.bmp"));
        EXPECT_TRUE(Preview->lblSize->text().isEmpty());
        EXPECT_FALSE(Preview->lblDepth->text().isEmpty()) << "the reader's reason";
        ASSERT_TRUE(Choose("a.bmp"));
        EXPECT_EQ(Preview->lblSize->text(), "64x32");
        EXPECT_EQ(Preview->lblDepth->text(), "8 bits per pixel");
        EXPECT_EQ(Preview->imgThumbnail->pixmap().size(), QSize(128, 64));
        auto* Name = Dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(Name, nullptr);
        Name->setText("a.bmp");
        static_cast<QDialog*>(Dialog)->accept();
    });
    Main->btnAddBitmap->click();
    Application().SetOpenDialogHook(Script);
    EXPECT_EQ(Entries(Main->lbBitmaps), std::vector<std::string>{"a.bmp: 64x32"});
}

TEST_F(BackgroundTest, AWholeSessionSavesAMapThatLoadsBackTheSame) {
    Fixtures::WriteBitmap(Dir.File("land.bmp"), 240, 240, 30);
    Dialogs.AnswerOpen({Dir.File("land.bmp")});
    Main->btnAddBitmap->click();
    AddElement(0, "0", "0");
    AddElement(0, "240", "0");
    MakeZone({{0, 0}, {120, 0}, {120, 120}, {0, 120}}, true, "North");
    MakeZone({{120, 0}, {240, 0}, {240, 120}, {120, 120}}, true);
    MakeZone({{0, 120}, {120, 120}, {120, 240}, {0, 240}}, false);
    MakeZone({{300, 120}, {400, 120}, {400, 200}}, false);
    Main->rbSelectZone->setChecked(true);
    ClickMap(10, 200);
    Main->AddanonAdjacentNeighbor1->trigger();
    ClickMap(390, 130);

    Dialogs.AnswerSave(Dir.File("built.mapset"));
    Main->mniSave->trigger();
    EXPECT_FALSE(Main->Modified());
    const std::string Saved = Fixtures::ReadFile(Dir.File("built.mapset"));
    EXPECT_EQ(SortedElements(Saved),
              (std::vector<std::string>{"Bitmap=land.bmp", "Element=land.bmp:0,0",
                                        "Element=land.bmp:240,0",
                                        "Zone=0,0,120,0,120,120,0,120,;North;0;1#2#",
                                        "Zone=120,0,240,0,240,120,120,120,;Land1;0;0#",
                                        "Zone=0,120,120,120,120,240,0,240,;Sea1;1;0#3#",
                                        "Zone=300,120,400,120,400,200,;Sea2;1;2#", "Link=2,3"}));

    // Back into a fresh window: the same lists and the same file on the next save.
    Main.reset();
    Main = CreateForms({Dir.Path(), ""});
    Load(Dir.File("built.mapset"));
    EXPECT_EQ(Entries(Main->lbBitmaps), std::vector<std::string>{"land.bmp: 240x240"});
    // Listed in the order of the file, which is the order the engine drew them in.
    EXPECT_EQ(Entries(Main->lbElements),
              (std::vector<std::string>{"land.bmp: 240,0", "land.bmp: 0,0"}));
    EXPECT_EQ(Entries(Main->lbLandZones), (std::vector<std::string>{"Land1", "North"}));
    EXPECT_EQ(Surface().LinkCount(), 1);
    Main->mniSave->trigger();
    EXPECT_EQ(SortedElements(Fixtures::ReadFile(Dir.File("built.mapset"))), SortedElements(Saved));

    QProcess Check;
    Check.start(ZW_CLI_PATH, {"check", QString::fromStdString(Dir.File("built.mapset"))});
    ASSERT_TRUE(Check.waitForFinished(30000));
    EXPECT_EQ(Check.exitCode(), 0) << Check.readAllStandardOutput().toStdString();
}
