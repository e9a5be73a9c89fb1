// Zones from the map picture in the window (Trace Region, Trace All Zones...) and renaming
// the zones that arrive as Land1, Land2, ...
#include "EditorFixture.h"

#include <QInputDialog>
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
