// The live map check beside the map, and getting around a large map from it and by name.
#include "EditorFixture.h"

#include "editor/GoToZoneDialog.h"
#include "editor/MapCheckWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QUndoStack>

TEST_F(EditorTest, MapCheckFollowsEveryEditAndLeadsToTheZone) {
    Fixtures::WriteBitmap(Dir.File("big.bmp"), 2000, 1600, 20);
    Fixtures::WriteFile(Dir.File("big.mapset"), "Bitmap=big.bmp\r\nElement=big.bmp:0,0\r\n"
                                                "Zone=0,0,40,0,40,40,0,40,;West;0;\r\n"
                                                "Zone=40,0,80,0,80,40,40,40,;East;0;\r\n");
    Load(Dir.File("big.mapset"));
    Main->mniMapCheck->trigger();
    EXPECT_TRUE(Main->frmMapCheck->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Main->lblFindings->text() == "No findings"; }));
    EXPECT_TRUE(Main->frmMapCheck->Findings().empty());

    // A lonely zone: found without asking, once the burst of changes is over.
    MakeZone({{1500, 1200}, {1540, 1200}, {1540, 1240}}, true, "Lonely");
    QTRY_COMPARE(Main->frmMapCheck->lbFindings->count(), 1);
    const TFinding& Found = Main->frmMapCheck->Findings().front();
    EXPECT_EQ(Found.Kind, "no-neighbor");
    EXPECT_EQ(Main->frmMapCheck->lbFindings->item(0)->text().toStdString(), FormatFinding(Found));
    EXPECT_EQ(Main->lblFindings->text().toStdString(), "1 finding");
    EXPECT_FALSE(Main->NeighborsDirty()) << "the check's rebuild left the lists current";

    // The double click selects the zone and puts it in the middle of the view.
    Main->rbSelectZone->setChecked(true);
    QListWidgetItem* Item = Main->frmMapCheck->lbFindings->item(0);
    emit Main->frmMapCheck->lbFindings->itemDoubleClicked(Item);
    ASSERT_NE(Main->SelectedZone(), nullptr);
    EXPECT_EQ(Main->SelectedZone()->Name(), "Lonely");
    EXPECT_EQ(Surface().OffsetX(), 1520 - Surface().Width() / 2);
    EXPECT_EQ(Surface().OffsetY(), 1220 - Surface().Height() / 2);

    // The edit that mends it takes the finding away.
    Main->btnDeleteZone->click();
    QTRY_COMPARE(Main->frmMapCheck->lbFindings->count(), 0);
    Main->mniUndo->trigger();
    QTRY_COMPARE(Main->frmMapCheck->lbFindings->count(), 1);
}

TEST_F(EditorTest, GoToZoneSelectsAndCentresTheZoneNamed) {
    Fixtures::WriteBitmap(Dir.File("big.bmp"), 2000, 1600, 20);
    Fixtures::WriteFile(Dir.File("big.mapset"), "Bitmap=big.bmp\r\nElement=big.bmp:0,0\r\n"
                                                "Zone=0,0,40,0,40,40,0,40,;West;0;\r\n"
                                                "Zone=1000,800,1100,800,1100,900,;Far Sea;1;\r\n");
    Load(Dir.File("big.mapset"));
    WhenModal([](QWidget* Dialog) {
        auto* Ask = static_cast<TGoToZoneDialog*>(Dialog);
        Ask->edtZoneName->setText("far sea");
        Ask->accept();
    });
    Main->mniGoToZone->trigger();
    ASSERT_NE(Main->SelectedZone(), nullptr);
    EXPECT_EQ(Main->SelectedZone()->Name(), "Far Sea");
    EXPECT_EQ(Main->StatusPanels[2]->text().toStdString(), "Selected Zone: Far Sea");
    EXPECT_EQ(Surface().OffsetX(), 1050 - Surface().Width() / 2);
    EXPECT_EQ(Surface().OffsetY(), 850 - Surface().Height() / 2);
}
