// The map document and its undo commands without a main window: each kind of change done,
// undone and redone against the bytes a save writes, and the order of the announcements.
#include "editor/MapDocument.h"
#include "editor/BackgroundCommands.h"
#include "editor/ZoneCommands.h"
#include "platform/Exception.h"
#include "support/Scripted.h"
#include "zonemap/Fixtures.h"

#include <QUndoStack>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

class MapDocumentTest : public ::testing::Test {
public:
    MapDocumentTest() {
        Fixtures::WriteBitmap(Dir.File("b.bmp"), 64, 48, 20);
        Fixtures::WriteBitmap(Dir.File("a.bmp"), 32, 32, 40);
        Fixtures::WriteBitmap(Dir.File("c.bmp"), 16, 16, 60);
        Fixtures::WriteFile(Dir.File("map.mapset"),
                            "Bitmap=b.bmp\r\nBitmap=a.bmp\r\n"
                            "Element=b.bmp:0,0\r\nElement=a.bmp:64,0\r\nElement=b.bmp:0,48\r\n"
                            "Zone=0,0,40,0,40,40,0,40,;West;0;\r\n"
                            "Zone=40,0,80,0,80,40,40,40,;East;0;\r\n"
                            "Zone=0,60,40,60,40,90,;Bay;1;\r\n"
                            "Link=0,2\r\n");
        S.Surface.SetBitmapDirectory(Dir.Path());
    }
    // As in the window, a frame follows each change: it admits new elements to the
    // drawing order, which the file keeps.
    void Load() {
        Document.Load(Dir.File("map.mapset"));
        S.Surface.Render();
        // Texts as the New Element dialog makes them, which a removed bitmap's refill does
        // not: an undo must bring back these.
        Document.SetElementTexts({"b.bmp: 64x48: 0,0", "a.bmp: 32x32: 64,0", "b.bmp: 64x48: 0,48"});
    }
    // The file a save would write now (a save rebuilds the neighbours first).
    std::string Saved() {
        S.Surface.Render();
        Document.BuildNeighbors();
        const std::string Path = Dir.File("probe.mapset");
        EXPECT_TRUE(S.Surface.SaveMapSet(Path));
        return Fixtures::ReadFile(Path);
    }
    QStringList Texts() const { return Document.ElementTexts(); }

    TempDir Dir;
    MessageCapture Messages;
    Fixtures::SurfaceWithPalette S;
    TMapDocument Document{&S.Surface};
};

TEST_F(MapDocumentTest, EveryKindOfChangeUndoesAndRedoesToTheSameFile) {
    struct Row {
        const char* Caption;
        std::function<QUndoCommand*(TMapDocument*)> Make;
    };
    const std::vector<Row> Rows = {
        {"Create Zone Land1",
         [](TMapDocument* D) {
             return new TCreateZoneCommand(D, 3, "200,200,240,200,240,240,;Land1;0;", "Land1");
         }},
        {"Delete Zone West", [](TMapDocument* D) { return new TDeleteZoneCommand(D, 0); }},
        {"Replace Zone West",
         [](TMapDocument* D) {
             auto* Replace = new QUndoCommand("Replace Zone West");
             new TDeleteZoneCommand(D, 0, Replace);
             new TCreateZoneCommand(D, 2, "0,0,40,0,40,45,0,40,;West;0;", "West", Replace);
             return Replace;
         }},
        {"Link East and Bay", [](TMapDocument* D) { return new TAddLinkCommand(D, 1, 2); }},
        {"Add Bitmap c.bmp", [](TMapDocument* D) { return new TAddBitmapCommand(D, "c.bmp"); }},
        {"Remove Bitmap b.bmp", [](TMapDocument* D) { return new TRemoveBitmapCommand(D, 0); }},
        {"Add Element a.bmp",
         [](TMapDocument* D) {
             return new TAddElementCommand(D, "a.bmp", 100, 200, "a.bmp: 32x32: 100,200");
         }},
        {"Remove Element b.bmp", [](TMapDocument* D) { return new TRemoveElementCommand(D, 0); }},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Caption);
        Load();
        const std::string Before = Saved();
        const QStringList TextsBefore = Texts();
        Document.Push(R.Make(&Document));
        ASSERT_EQ(Document.UndoStack()->undoText().toStdString(), R.Caption);
        EXPECT_TRUE(Document.Modified());
        const std::string After = Saved();
        const QStringList TextsAfter = Texts();
        ASSERT_NE(After, Before);
        Document.UndoStack()->undo();
        EXPECT_EQ(Saved(), Before);
        EXPECT_EQ(Texts(), TextsBefore);
        EXPECT_FALSE(Document.Modified());
        Document.UndoStack()->redo();
        EXPECT_EQ(Saved(), After);
        EXPECT_EQ(Texts(), TextsAfter);
        // Back and forth once more: the objects are new each time, the places the same.
        Document.UndoStack()->undo();
        Document.UndoStack()->redo();
        EXPECT_EQ(Saved(), After);
        EXPECT_EQ(Texts(), TextsAfter);
    }
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(MapDocumentTest, ViewsHearOfAZoneBeforeItIsFreedAndFailedChangesLeaveNoHistory) {
    Load();
    std::vector<std::string> Heard;
    QObject::connect(&Document, &TMapDocument::zoneAboutToBeRemoved, [&](TZone* Zone) {
        // Still whole and still the surface's.
        Heard.push_back("removing " + Zone->Name() + " of " +
                        std::to_string(S.Surface.ZoneCount()));
    });
    QObject::connect(&Document, &TMapDocument::zoneInserted,
                     [&](TZone* Zone) { Heard.push_back("inserted " + Zone->Name()); });
    QObject::connect(&Document, &TMapDocument::neighborsStale, [&] { Heard.push_back("stale"); });
    QObject::connect(&Document, &TMapDocument::neighborsBuilt, [&] { Heard.push_back("built"); });
    QObject::connect(&Document, &TMapDocument::changed, [&] { Heard.push_back("changed"); });
    Document.Push(new TDeleteZoneCommand(&Document, 1));
    Document.UndoStack()->undo();
    Document.BuildNeighbors();
    EXPECT_EQ(Heard, (std::vector<std::string>{"removing East of 3", "stale", "changed",
                                               "inserted East", "stale", "changed", "built"}));

    // A bitmap that cannot be read adds nothing, not even a step of history.
    EXPECT_THROW(Document.Push(new TAddBitmapCommand(&Document, "missing.bmp")), Exception);
    EXPECT_EQ(S.Surface.Bitmaps().size(), 2u);
    EXPECT_EQ(Document.UndoStack()->count(), 1);

    // A load starts a fresh history.
    Load();
    EXPECT_EQ(Document.UndoStack()->count(), 0);
    EXPECT_FALSE(Document.Modified());
}

} // namespace
