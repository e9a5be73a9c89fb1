// The open file and what other programs do to it: a save over their changes, a reload when
// the window comes back to the front, and a load that stops part way.
#include "EditorFixture.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>

namespace {

const std::string Overwrite = "The map set has been changed by another program. Overwrite it?";
const std::string Reload = "The map set has been changed by another program. Reload it?";

std::string Replaced(std::string Text, const std::string& From, const std::string& To) {
    const size_t At = Text.find(From);
    EXPECT_NE(At, std::string::npos) << From;
    return At == std::string::npos ? Text : Text.replace(At, From.size(), To);
}

} // namespace

TEST_F(EditorTest, ASaveOverAnotherProgramsChangesAsksFirst) {
    const std::string Path = WriteMapSet();
    Load(Path);
    MakeZone({{200, 200}, {240, 200}, {240, 240}}, true, "Mine");
    // Nothing else wrote the file: no question, also for a save right after our own.
    Main->mniSave->trigger();
    MakeZone({{300, 200}, {340, 200}, {340, 240}}, true, "Also");
    Main->mniSave->trigger();
    EXPECT_TRUE(Choices.empty());

    // Another program rewrites it at once with as many bytes: neither time nor size tells.
    const std::string Theirs = Replaced(Fixtures::ReadFile(Path), ";Mine;", ";Them;");
    Fixtures::WriteFile(Path, Theirs);
    MakeZone({{400, 200}, {440, 200}, {440, 240}}, true, "Late");
    ChoiceAnswers = {"Cancel"};
    Main->mniSave->trigger();
    EXPECT_EQ(Choices, std::vector<std::string>{Overwrite});
    EXPECT_EQ(Fixtures::ReadFile(Path), Theirs) << "Cancel writes nothing";
    EXPECT_TRUE(Main->Modified());
    EXPECT_TRUE(Main->isWindowModified());

    // The unsaved-changes question's Save asks too; Cancel keeps the window open.
    Main->show();
    Answers = {TSaveChangesAnswer::scSave};
    Main->close();
    EXPECT_TRUE(Main->isVisible());
    EXPECT_EQ(Choices.size(), 2u);

    ChoiceAnswers = {"Overwrite"};
    Main->mniSave->trigger();
    EXPECT_NE(Fixtures::ReadFile(Path).find(";Late;"), std::string::npos);
    EXPECT_FALSE(Main->Modified());
    Choices.clear();
    Main->mniSave->trigger();
    EXPECT_TRUE(Choices.empty()) << "what we wrote is what we remember";
}

TEST_F(EditorTest, RegainingTheFocusOffersToReloadAChangedFileOncePerChange) {
    const std::string Path = WriteMapSet();
    Load(Path);
    Main->show();
    Main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main.get()));
    const auto Refocus = [this] {
        QEvent Activation(QEvent::ActivationChange);
        QApplication::sendEvent(Main.get(), &Activation);
        QApplication::processEvents();
    };
    Refocus();
    EXPECT_TRUE(Choices.empty());

    const std::string North = "Zone=200,200,240,200,240,240,;North;0;\r\n";
    Fixtures::WriteFile(Path, Fixtures::ReadFile(Path) + North);
    ChoiceAnswers = {"Keep"};
    Refocus();
    Refocus();
    EXPECT_EQ(Choices, std::vector<std::string>{Reload}) << "asked once per change";
    EXPECT_EQ(Surface().ZoneCount(), 3);

    // A further change with unsaved work here: Reload goes through the unsaved-changes
    // question, whose Cancel keeps the work.
    Fixtures::WriteFile(Path,
                        Fixtures::ReadFile(Path) + "Zone=300,200,340,200,340,240,;South;0;\r\n");
    MakeZone({{400, 200}, {440, 200}, {440, 240}}, true, "Mine");
    ChoiceAnswers = {"Reload"};
    Answers = {TSaveChangesAnswer::scCancel};
    Refocus();
    EXPECT_EQ(Questions, std::vector<std::string>{"Save changes to the map set?"});
    EXPECT_EQ(ZoneNames(), (std::vector<std::string>{"West", "East", "Bay", "Mine"}));

    Fixtures::WriteFile(Path, Fixtures::ReadFile(Path) + "Link=0,3\r\n");
    ChoiceAnswers = {"Reload"};
    Answers = {TSaveChangesAnswer::scDiscard};
    Refocus();
    EXPECT_EQ(Choices.size(), 3u);
    EXPECT_EQ(ZoneNames(), (std::vector<std::string>{"West", "East", "Bay", "North", "South"}));
    EXPECT_EQ(Main->lbLandZones->count(), 4);
    EXPECT_FALSE(Main->Modified());
    Refocus();
    EXPECT_EQ(Choices.size(), 3u) << "the reloaded file is no change";
}

TEST_F(EditorTest, AFailedLoadNamesTheFileAndLineAndShowsWhatItRead) {
    const std::string Good = WriteMapSet();
    const struct {
        const char* Text;
        std::string Message;
        std::vector<std::string> Land;
    } Cases[] = {
        {"Bitmap=b.bmp\r\nZone=0,0,40,0,40,40,;Lone;0;\r\nElement=zz.bmp:0,0\r\n",
         ":3: List index out of bounds (-1)",
         {"Lone"}},
        // Neighbour numbers are resolved after the last line: the place is the zone's line.
        {"Bitmap=b.bmp\r\nZone=0,0,40,0,40,40,;Lone;0;\r\n"
         "Zone=50,0,90,0,90,40,;Next;0;7#\r\nLink=0,1\r\n",
         ":3: List index out of bounds (7)",
         {"Lone", "Next"}},
    };
    for (const auto& Case : Cases) {
        Load(Good);
        const std::string Bad = Dir.File("bad.mapset");
        Fixtures::WriteFile(Bad, Case.Text);
        Load(Bad);
        ASSERT_FALSE(Messages.Messages().empty());
        EXPECT_EQ(Messages.Messages().back(), Bad + Case.Message);
        EXPECT_EQ(Entries(Main->lbLandZones), Case.Land);
        EXPECT_EQ(Entries(Main->lbBitmaps), std::vector<std::string>{"b.bmp: 64x48"});
        EXPECT_EQ(Main->lbElements->count(), 0);
        EXPECT_EQ(Main->StatusPanels[3]->text().toStdString(),
                  "MapSet incomplete: loading stopped at line 3");
        EXPECT_EQ(Main->FileName(), "");
    }
    Load(Good);
    EXPECT_EQ(Main->StatusPanels[3]->text().toStdString(), "");
}
