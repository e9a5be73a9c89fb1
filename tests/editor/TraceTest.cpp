// Zones from the map picture in the window (Trace Region, Trace All Zones...) and renaming
// the zones that arrive as Land1, Land2, ...
#include "EditorFixture.h"

#include "editor/TraceAllDialog.h"
#include "editor/TraceSession.h"
#include "editor/TraceWorker.h"
#include "platform/Bitmap.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QTableWidget>
#include <QUndoStack>

class TraceTest : public EditorTest {
public:
    std::string Saved() {
        Main->RebuildNeighbors();
        const std::string Path = Dir.File("probe.mapset");
        EXPECT_TRUE(Surface().SaveMapSet(Path));
        return Fixtures::ReadFile(Path);
    }
    // Rename Zone... on the selected zone, answering the dialog with Name.
    void Rename(const QString& Name) {
        WhenModal([Name](QWidget* Dialog) {
            auto* Ask = qobject_cast<QInputDialog*>(Dialog);
            ASSERT_NE(Ask, nullptr);
            Ask->setTextValue(Name);
            Ask->accept();
        });
        Main->mniRenameZone->trigger();
    }
};

TEST_F(TraceTest, RenameKeepsTheZoneAndRefusesBadNamesAndUndoesToTheSameFile) {
    Load(WriteMapSet());
    Main->rbSelectZone->setChecked(true);
    ClickMap(60, 20); // East, zone 1, linked to nothing, neighbour of West
    const std::string Before = Saved();
    struct Case {
        QString Typed;
        const char* Message;
    };
    const Case Refused[] = {
        {"We;st", "A Zone name must not contain \";\" or a line break."},
        {"Two\nLines", "A Zone name must not contain \";\" or a line break."},
        {"West", "Zones have the same name: West"},
        {"", "Zone 1 does not have a name"},
    };
    for (const Case& C : Refused) {
        Messages.Clear();
        Rename(C.Typed);
        ASSERT_EQ(Messages.Messages(), std::vector<std::string>{C.Message});
        EXPECT_EQ(Saved(), Before);
    }
    EXPECT_EQ(Main->UndoStack()->count(), 0);

    Messages.Clear();
    Rename("Eastmarch");
    EXPECT_TRUE(Messages.Messages().empty());
    EXPECT_EQ(ZoneNames(), (std::vector<std::string>{"West", "Eastmarch", "Bay"}));
    EXPECT_EQ(Entries(Main->lbLandZones), (std::vector<std::string>{"Eastmarch", "West"}));
    EXPECT_EQ(Main->lbLandZones->currentItem()->text(), "Eastmarch");
    EXPECT_EQ(Main->edtZoneName->text(), "Eastmarch");
    const std::string After = Saved();
    std::string Expected = Before;
    Expected.replace(Expected.find(";East;"), 6, ";Eastmarch;");
    // Only the name changed: place, points, neighbour fields (West's names no one) and links.
    EXPECT_EQ(After, Expected);
    EXPECT_EQ(Main->UndoStack()->count(), 1);
    Main->mniUndo->trigger();
    EXPECT_EQ(Saved(), Before);
    EXPECT_EQ(Entries(Main->lbLandZones), (std::vector<std::string>{"East", "West"}));
    Main->mniRedo->trigger();
    EXPECT_EQ(Saved(), After);
}

namespace {

constexpr uint8_t West = 30, North = 31, Sea = 60, Line = 3;

// 200 x 150: a west land, a north-east land and a south-east sea, with border lines 2 px
// wide between them.
void WriteDrawnMap(const std::string& Path) {
    TBitmap Bitmap;
    Bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    Bitmap.SetPalette(Fixtures::TestColors());
    Bitmap.SetSize(200, 150);
    for (int32_t Y = 0; Y < 150; ++Y)
        for (int32_t X = 0; X < 200; ++X)
            Bitmap.ScanLine(Y)[X] = X == 99 || X == 100 || (X > 100 && (Y == 74 || Y == 75)) ? Line
                                    : X < 99                                                 ? West
                                    : Y < 74                                                 ? North
                                                                                             : Sea;
    Bitmap.SaveToFile(Path);
}

} // namespace

TEST_F(TraceTest, TraceRegionThenTraceAllMakeTheRegionsAsOneUndoStep) {
    WriteDrawnMap(Dir.File("drawn.bmp"));
    Fixtures::WriteFile(Dir.File("drawn.mapset"), "Bitmap=drawn.bmp\r\nElement=drawn.bmp:0,0\r\n");
    Load(Dir.File("drawn.mapset"));

    // The first click traces in a worker; a click meanwhile replaces the one waiting, and
    // the last is taken when the trace is done.
    Main->rbTraceRegion->setChecked(true);
    ClickMap(150, 30);
    ClickMap(40, 60);
    Main->TraceSession()->Worker().Wait();
    ASSERT_NE(Main->TraceSession()->Ready(), nullptr);
    const std::vector<std::string> West = Memo();
    ASSERT_GE(West.size(), 4u);
    for (const std::string& Line : West) {
        const int X = std::stoi(Line), Y = std::stoi(Line.substr(Line.find(',') + 1));
        EXPECT_EQ(X % 5, 0) << Line;
        EXPECT_EQ(Y % 5, 0) << Line;
        // The west region's outline: the map's west edge and the line's middle.
        EXPECT_TRUE(X == 0 || X == 100) << Line;
    }
    EXPECT_TRUE(Main->cbLandZone->isChecked());
    // Later clicks are lookups, taken at once.
    ClickMap(150, 30);
    EXPECT_FALSE(Main->TraceSession()->Running());
    EXPECT_NE(Memo(), West);
    ClickMap(40, 60);
    EXPECT_EQ(Memo(), West);
    Main->btnCreateZone->click();
    ASSERT_EQ(ZoneNames(), std::vector<std::string>{"Land1"});
    ClickMap(40, 60);
    EXPECT_EQ(Main->StatusPanels[3]->text(), "Zone Land1 has this outline already");
    Main->btnCreateZone->click(); // refused as a duplicate, as for clicked points
    EXPECT_EQ(Surface().ZoneCount(), 1);
    Messages.Clear();

    const std::string Before = Saved();
    const int Steps = Main->UndoStack()->count();
    WhenModal([](QWidget* Widget) {
        auto* Dialog = qobject_cast<TdlgTraceAll*>(Widget);
        ASSERT_NE(Dialog, nullptr);
        for (int Row = 0; Row < Dialog->tblColors->rowCount(); ++Row) {
            const int Index = Dialog->tblColors->item(Row, 0)->data(Qt::UserRole).toInt();
            if (Index == Sea)
                Dialog->tblColors->item(Row, 3)->setCheckState(Qt::Checked);
            if (Index == Line)
                Dialog->tblColors->item(Row, 2)->setCheckState(Qt::Checked);
        }
        Dialog->cbSkipCovered->setChecked(true);
        Dialog->WaitForTrace();
        EXPECT_EQ(Dialog->Settings().SeaColors, std::vector<uint8_t>{Sea});
        EXPECT_EQ(Dialog->Regions().size(), 2u); // the west region is Land1 already
        EXPECT_FALSE(Dialog->lblPreview->pixmap().isNull());
        Dialog->btnsOkCancel->button(QDialogButtonBox::Ok)->click();
    });
    Main->mniTraceAll->trigger();
    EXPECT_TRUE(Messages.Messages().empty());
    EXPECT_EQ(ZoneNames(), (std::vector<std::string>{"Land1", "Land2", "Sea1"}));
    EXPECT_TRUE(Surface().Zone(2)->IsSea());
    ASSERT_EQ(Main->UndoStack()->count(), Steps + 1);
    Main->RebuildNeighbors();
    // Traced borders are shared exactly: every pair meets.
    for (int32_t I = 0; I < 3; ++I)
        EXPECT_EQ(Surface().Zone(I)->NeighborCount(), 2) << I;
    const std::string After = Saved();

    Main->mniUndo->trigger();
    EXPECT_EQ(Saved(), Before);
    Main->mniRedo->trigger();
    EXPECT_EQ(Saved(), After);

    // The settings chosen there are Trace Region's from now on: the sea is sea.
    ClickMap(150, 120);
    EXPECT_FALSE(Main->cbLandZone->isChecked());
}
