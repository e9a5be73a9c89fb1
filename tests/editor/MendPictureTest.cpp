// Bringing outside work into the editor: split borders mended (all pairs from the Zone
// menu, one pair from the Map Check window), each one step of the history; pictures of any
// format converted into the map's palette and added as bitmaps.
#include "EditorFixture.h"

#include "editor/AddPictureDialog.h"
#include "editor/BackgroundCommands.h"
#include "editor/MapCheckWindow.h"
#include "editor/MapDocument.h"
#include "editor/ZoneCommands.h"
#include "platform/Bitmap.h"

#include <QImage>
#include <QLabel>
#include <QUndoStack>

#include <set>
#include <utility>

namespace {

class MendPictureTest : public EditorTest {
public:
    // Land zones drawn apart: A's bottom split at (50,60) by B, T over L and R meeting at
    // its split point (150,60), and D inside C along C's bottom (left as drawn). A link
    // joins A and T.
    std::string WriteSplitMap(const std::string& More = "") {
        Fixtures::WriteBitmap(Dir.File("b.bmp"), 64, 48, 20);
        Fixtures::WriteFile(Dir.File("split.mapset"),
                            "Bitmap=b.bmp\r\nElement=b.bmp:0,0\r\n"
                            "Zone=0,0,100,0,100,60,0,60,;A;0;\r\n"
                            "Zone=0,60,50,60,100,60,100,120,0,120,;B;0;\r\n"
                            "Zone=100,0,200,0,200,60,100,60,;T;0;\r\n"
                            "Zone=100,60,150,60,150,120,100,120,;L;0;\r\n"
                            "Zone=150,60,200,60,200,120,150,120,;R;0;\r\n"
                            "Zone=300,0,400,0,400,60,300,60,;C;0;\r\n"
                            "Zone=320,60,380,60,380,40,320,40,;D;0;\r\n"
                            "Link=0,2\r\n" +
                                More);
        return Dir.File("split.mapset");
    }
    // The file a save would write now.
    std::string Saved() {
        Main->Document().BuildNeighbors();
        EXPECT_TRUE(Surface().SaveMapSet(Dir.File("probe.mapset")));
        return Fixtures::ReadFile(Dir.File("probe.mapset"));
    }
    std::set<std::pair<std::string, std::string>> SplitPairs() {
        Main->RunMapCheck();
        std::set<std::pair<std::string, std::string>> Pairs;
        for (const TFinding& F : Main->frmMapCheck->Findings())
            if (F.Kind == "split-border")
                Pairs.insert({F.Zones[0].Name, F.Zones[1].Name});
        return Pairs;
    }
    std::vector<std::vector<TPoint>> GridPoints() {
        std::vector<std::vector<TPoint>> Result;
        for (int32_t I = 0; I < Surface().ZoneCount(); ++I)
            Result.push_back(Surface().Zone(I)->GridPoints()
                                 ? Surface().Zone(I)->GridPoints()->Items()
                                 : std::vector<TPoint>{});
        return Result;
    }
    QUndoStack& History() { return *Main->UndoStack(); }
};

using TPairs = std::set<std::pair<std::string, std::string>>;

TEST_F(MendPictureTest, MendBordersIsOneStepThatUndoesToTheSameBytes) {
    Load(WriteSplitMap());
    ASSERT_EQ(SplitPairs(), (TPairs{{"A", "B"}, {"T", "L"}, {"T", "R"}, {"C", "D"}}));
    const std::string Before = Saved();
    const auto GridBefore = GridPoints();
    ASSERT_FALSE(GridBefore[0].empty());

    Main->mniMendBorders->trigger();
    EXPECT_EQ(History().count(), 1);
    EXPECT_EQ(History().undoText().toStdString(), "Mend Borders");
    EXPECT_EQ(Main->StatusPanels[3]->text().toStdString(),
              "Mended 3 pairs: 2 points added to 2 zones.");
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_NE(Messages.Messages()[0].find("1 split border left as drawn"), std::string::npos);
    EXPECT_NE(Messages.Messages()[0].find("Zones 5 \"C\" and 6 \"D\""), std::string::npos);
    // No point moved: every zone has the grid points a load of the file would give it.
    EXPECT_EQ(GridPoints(), GridBefore);
    EXPECT_EQ(SplitPairs(), (TPairs{{"C", "D"}}));
    EXPECT_EQ(Entries(Main->lbLandZones).size(), 7u);
    const std::string After = Saved();
    EXPECT_NE(After.find("Zone=0,0,100,0,100,60,50,60,0,60,;A;0;"), std::string::npos);
    EXPECT_NE(After.find("Link=0,2"), std::string::npos);

    Main->mniUndo->trigger();
    EXPECT_EQ(Saved(), Before);
    EXPECT_EQ(GridPoints(), GridBefore);
    EXPECT_FALSE(Main->Modified());
    Main->mniRedo->trigger();
    EXPECT_EQ(Saved(), After);

    // Nothing left to mend but what cannot be: no step of history.
    Messages.Clear();
    Main->mniMendBorders->trigger();
    EXPECT_EQ(History().count(), 1);
    EXPECT_EQ(History().index(), 1);
}

TEST_F(MendPictureTest, TheMapCheckMendsTheBorderOfOneFinding) {
    // The check runs beside the window: its findings are those of the map as it is once
    // the summary no longer says it is checking.
    const auto CheckNow = [this] {
        Main->mniMapCheck->trigger();
        ASSERT_TRUE(QTest::qWaitFor([this] {
            const QString Text = Main->lblFindings->text();
            return !Text.isEmpty() && Text != "Checking the map...";
        }));
    };
    // A text finding of the file comes first in the list and is no split border.
    Load(WriteSplitMap("Colour=red\r\n"));
    CheckNow();
    TMapCheckWindow& Check = *Main->frmMapCheck;
    const std::string Before = Saved();
    int Row = -1;
    for (size_t I = 0; I < Check.Findings().size(); ++I) {
        const TFinding& F = Check.Findings()[I];
        if (F.Kind == "split-border" && F.Zones[0].Name == "A")
            Row = int(I);
    }
    ASSERT_GE(Row, 0);
    const int TextRows = int(Check.TextFindings().size());
    ASSERT_EQ(TextRows, 1);
    Check.lbFindings->setCurrentRow(0);
    EXPECT_FALSE(Check.actMendBorder->isEnabled());
    Check.lbFindings->setCurrentRow(TextRows + Row);
    ASSERT_TRUE(Check.actMendBorder->isEnabled());
    Check.actMendBorder->trigger();

    EXPECT_EQ(History().undoText().toStdString(), "Mend Border A and B");
    EXPECT_EQ(SplitPairs(), (TPairs{{"T", "L"}, {"T", "R"}, {"C", "D"}}));
    EXPECT_TRUE(Messages.Messages().empty());
    Main->mniUndo->trigger();
    EXPECT_EQ(Saved(), Before);

    // A finding that no longer names the same zones mends nothing: the list is renewed.
    CheckNow();
    Check.lbFindings->setCurrentRow(TextRows + Row);
    Main->Document().Push(new TDeleteZoneCommand(&Main->Document(), 4));
    Check.actMendBorder->trigger();
    EXPECT_EQ(History().undoText().toStdString(), "Delete Zone R");
}

TEST_F(MendPictureTest, APictureTakesTheMapsColoursOrBringsItsOwn) {
    // Flat art with white, which a paint program keeps at entry 0 or 255.
    QImage Art(40, 30, QImage::Format_RGB32);
    Art.fill(qRgb(255, 255, 255));
    for (int X = 0; X < 20; ++X)
        Art.setPixel(X, 5, qRgb(200, 30, 30));
    ASSERT_TRUE(Art.save(QString::fromStdString(Dir.File("art.png"))));
    const auto AddArt = [this](const std::string& Expected) {
        Dialogs.AnswerOpen({Dir.File("art.png")});
        WhenModal([Expected](QWidget* Dialog) {
            auto* Form = static_cast<TdlgAddPicture*>(Dialog);
            EXPECT_EQ(Form->edtBitmapName->text().toStdString(), Expected);
            EXPECT_FALSE(Form->cbDither->isChecked());
            Form->btnOK->click();
        });
        Main->btnAddPicture->click();
    };

    Load(WriteMapSet());
    Surface().Render();
    const QImage Before = Surface().ScreenImage().copy();
    AddArt("art.bmp");
    EXPECT_EQ(History().undoText().toStdString(), "Add Bitmap art.bmp");
    EXPECT_EQ(Entries(Main->lbBitmaps)[1], "art.bmp: 40x30");
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_NE(Messages.Messages()[0].find("art.png was converted to art.bmp (40x30) with the "
                                          "map's colours, with a colour error of"),
              std::string::npos)
        << Messages.Messages()[0];
    TBitmap Written;
    Written.LoadFromFile(Dir.File("art.bmp"));
    for (int32_t Y = 0; Y < Written.Height(); ++Y)
        for (int32_t X = 0; X < Written.Width(); ++X)
            ASSERT_TRUE(Written.ScanLine(Y)[X] >= 10 && Written.ScanLine(Y)[X] <= 245);
    // The other bitmaps look exactly as they did.
    Surface().Render();
    EXPECT_TRUE(Surface().ScreenImage() == Before);

    // The name is taken now: a free one is offered, and the taken one refused.
    Dialogs.AnswerOpen({Dir.File("art.png")});
    WhenModal([this](QWidget* Dialog) {
        auto* Form = static_cast<TdlgAddPicture*>(Dialog);
        EXPECT_EQ(Form->edtBitmapName->text().toStdString(), "art-2.bmp");
        EXPECT_FALSE(Form->lblNameNote->isHidden());
        Form->edtBitmapName->setText("art.bmp");
        Form->btnOK->click();
        EXPECT_TRUE(Form->isVisible());
        EXPECT_EQ(Messages.Messages().back(), "art.bmp already exists. Choose another name.");
        Form->btnCancel->click();
    });
    Main->btnAddPicture->click();
    EXPECT_EQ(Surface().Bitmaps().size(), 3u);

    // Without bitmaps the picture brings its own colours, and shows in them.
    Answers = {TSaveChangesAnswer::scDiscard};
    Main->mniNewMapSet->trigger();
    Messages.Clear();
    AddArt("art-2.bmp");
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_NE(Messages.Messages()[0].find("with 2 colours of its own, exactly."), std::string::npos)
        << Messages.Messages()[0];
    Main->Document().Push(
        new TAddElementCommand(&Main->Document(), "art-2.bmp", 0, 0, "art-2.bmp: 0,0"));
    Surface().SetOffsetX(0);
    Surface().SetOffsetY(0);
    Surface().Render();
    const QImage& Shown = Surface().ScreenImage();
    EXPECT_EQ(Shown.pixel(1, 1) & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_EQ(Shown.pixel(3, 5) & 0xFFFFFFu, 0xC81E1Eu);
}

} // namespace
