#include "Fixtures.h"
#include "MapMaker.h"
#include "platform/Exception.h"
#include "support/Scripted.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/resource.h>

namespace {

using Fixtures::Lines;
using Fixtures::ReadFile;
using Fixtures::WriteBitmap;
using Fixtures::WriteFile;
using Strings = std::vector<std::string>;

Strings Names(const std::vector<TZone*>& Zones) {
    Strings Result;
    for (const TZone* Z : Zones)
        Result.push_back(Z->Name());
    return Result;
}

class MapSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBitmap(Dir.File("HILLS.BMP"), 64, 48, 20);
        S.Surface.SetBitmapDirectory(Dir.Path());
    }
    // Loads Text from a file of a fresh name, so that each load is a new file-name part.
    void Load(const std::string& Text) {
        const std::string Path = Dir.File("map" + std::to_string(++Loads) + ".mapset");
        WriteFile(Path, Text);
        S.Surface.SetMapSetFile(Path);
    }
    // The error message of a load that must fail.
    std::string LoadError(const std::string& Text) {
        try {
            Load(Text);
        } catch (const Exception& E) {
            return E.Message();
        }
        return "<no error>";
    }
    Strings Save(TZoneSpriteSurface& Surface, const std::string& Name) {
        EXPECT_TRUE(Surface.SaveMapSet(Dir.File(Name)));
        return Lines(ReadFile(Dir.File(Name)));
    }

    TempDir Dir;
    Fixtures::SurfaceWithPalette S;
    MessageCapture Messages;
    int Loads = 0;
};

TEST_F(MapSetTest, LoadsEveryLineKind) {
    S.Surface.SetGridMarginTop(16);
    S.Surface.SetGridWidth(20);
    S.Surface.SetGridHeight(26);
    Load("Bitmap=HILLS.BMP\r\n"
         "Element=hills.bmp:0,0\n"
         "Element=HILLS.bmp:64,0\r"
         "Comment=ignored\r\n"
         "\r\n"
         "Zone=0,0,200,0,200,150,0,150,;Land1;0;1#\r\n"
         "Zone=200,0,400,0,400,150,200,150,;Land2;0;0#2#\r\n"
         "zone=1,1;lower-case keys are other keys;0;\r\n"
         "Zone=1000,1000,1100,1000,1100,1100;Far;1;1#\r\n"
         "NoEquals\r\n"
         "Link=1,2\r\n"
         "\0Zone=0,0;AfterTheNul;0;\r\n"s);
    EXPECT_EQ(S.Surface.LoadLine(), 11);
    ASSERT_EQ(S.Surface.Bitmaps().size(), 1u);
    EXPECT_EQ(S.Surface.Bitmaps()[0].Name, "HILLS.BMP");
    ASSERT_EQ(S.Surface.ElementCount(), 2);
    EXPECT_EQ(S.Surface.ElementNames()[0].Name, "HILLS.BMP");
    EXPECT_EQ(S.Surface.ElementNames()[1].Name, "HILLS.BMP");
    EXPECT_EQ(S.Surface.Element(1)->Position(), (TPoint{64, 0}));
    EXPECT_EQ(S.Surface.Element(1)->Factory(), S.Surface.Bitmaps()[0].Factory.get());
    EXPECT_EQ(S.Surface.BackgroundEngine().DrawnCount(), 2); // admitted by the frame
    EXPECT_EQ(S.Surface.VirtualWidth(), 128);
    EXPECT_EQ(S.Surface.VirtualHeight(), 48);

    ASSERT_EQ(S.Surface.ZoneCount(), 3);
    TZone* Land1 = S.Surface.Zone(0);
    TZone* Land2 = S.Surface.Zone(1);
    TZone* Far = S.Surface.Zone(2);
    EXPECT_EQ(Far->Name(), "Far");
    EXPECT_EQ(Far->IsSea(), 1);
    EXPECT_EQ(Names(Land1->Neighbors()), (Strings{"Land2"}));
    // The link first (read in the line loop), then the neighbour field, duplicates kept.
    EXPECT_EQ(Names(Land2->Neighbors()), (Strings{"Far", "Land1", "Far"}));
    EXPECT_EQ(Names(Far->Neighbors()), (Strings{"Land2", "Land2"}));
    ASSERT_EQ(S.Surface.LinkCount(), 1);
    EXPECT_EQ(S.Surface.Link(0)->Zone1, Land2);
    EXPECT_EQ(S.Surface.Link(0)->Zone2, Far);
    ASSERT_NE(Land1->GridPoints(), nullptr);
    EXPECT_EQ(Land1->GridPoints()->Item(0), (TPoint{0, 16}));
    EXPECT_EQ(S.Surface.DIBCanvas().GetPixel(30, 30), 20); // the background was drawn
    EXPECT_EQ(S.Surface.MapSetFile(), Dir.File("map1.mapset"));
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(MapSetTest, GridPointsComeOutAsBuiltAtTheLoadWhenFirstAskedForLater) {
    const std::string Text = "Zone=0,0,200,0,200,150,0,150,;A;0;\r\n"
                             "Zone=200,0,400,0,380,150,200,150,;B;0;\r\n";
    Fixtures::SurfaceWithPalette Expected;
    for (TZoneSpriteSurface* Surface : {&Expected.Surface, &S.Surface}) {
        Surface->SetGridMarginTop(16);
        Surface->SetGridWidth(20);
        Surface->SetGridHeight(26);
    }
    WriteFile(Dir.File("grid.mapset"), Text);
    Expected.Surface.SetMapSetFile(Dir.File("grid.mapset"));
    Load(Text);
    // Changes after the load, before anything asks for grid points.
    S.Surface.SetGridWidth(50);
    S.Surface.AddZone(new TZone(&S.Surface, "0,200,100,200,100,300,0,300;C;0;"));
    S.Surface.DeleteZone(S.Surface.Zone(0));
    ASSERT_NE(S.Surface.Zone(0)->GridPoints(), nullptr);
    EXPECT_GT(S.Surface.Zone(0)->GridPoints()->Count(), 0);
    EXPECT_EQ(S.Surface.Zone(0)->GridPoints()->Items(),
              Expected.Surface.Zone(1)->GridPoints()->Items());
    EXPECT_EQ(S.Surface.Zone(1)->GridPoints(), nullptr);
    S.Surface.BuildGridPoints(); // with the settings of now
    EXPECT_LT(S.Surface.Zone(0)->GridPoints()->Count(),
              Expected.Surface.Zone(1)->GridPoints()->Count());
}

TEST_F(MapSetTest, LoadingReplacesTheWholeMapSet) {
    Load("Bitmap=HILLS.BMP\r\nElement=HILLS.BMP:0,0\r\nZone=0,0,10,0,10,10;A;0;\r\n");
    Load("Zone=0,0,10,0,10,10;B;0;\r\n");
    EXPECT_TRUE(S.Surface.Bitmaps().empty());
    EXPECT_EQ(S.Surface.ElementCount(), 0);
    EXPECT_EQ(S.Surface.BackgroundEngine().SpriteCount(), 0);
    ASSERT_EQ(S.Surface.ZoneCount(), 1);
    EXPECT_EQ(S.Surface.Zone(0)->Name(), "B");
    EXPECT_EQ(S.Surface.VirtualWidth(), 0);
    EXPECT_EQ(S.Surface.VirtualHeight(), 0);
}

TEST_F(MapSetTest, SameFileNameOrMissingFileChangesNothing) {
    WriteFile(Dir.File("a.mapset"), "Zone=0,0,10,0,10,10;First;0;\r\n");
    std::filesystem::create_directory(Dir.File("other"));
    WriteFile(Dir.File("other/a.mapset"), "Zone=0,0,10,0,10,10;Second;0;\r\n");
    S.Surface.SetMapSetFile(Dir.File("a.mapset"));
    S.Surface.SetMapSetFile(Dir.File("other/a.mapset"));
    S.Surface.SetMapSetFile(Dir.File("missing.mapset"));
    S.Surface.SetMapSetFile(Dir.Path()); // a directory is no file either
    EXPECT_EQ(S.Surface.MapSetFile(), Dir.File("a.mapset"));
    ASSERT_EQ(S.Surface.ZoneCount(), 1);
    EXPECT_EQ(S.Surface.Zone(0)->Name(), "First");
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(MapSetTest, LoadFailuresStopWithTheirMessageAndKeepWhatWasAdded) {
    WriteFile(Dir.File("bad.bmp"), "not a bitmap at all");
    struct Case {
        std::string Text;
        std::string Message; // empty: any error
        int32_t Zones;
        int32_t Line;
    } Cases[] = {
        {"Zone=0,0;A;0;\r\nBitmap=missing.bmp\r\nZone=0,0;B;0;",
         "Cannot open file " + Dir.File("missing.bmp"), 1, 2},
        {"Zone=0,0;A;0;\r\nBitmap=bad.bmp\r\n", "", 1, 2},
        {"Zone=0,0;A;0;\r\nElement=nothing.bmp:0,0\r\nZone=0,0;B;0;",
         "List index out of bounds (-1)", 1, 2},
        {"Link=0,1\r\nZone=0,0;A;0;\r\nZone=0,0;B;0;", "List index out of bounds (0)", 0, 1},
        {"Zone=0,0;A;0;\r\nZone=0,0;B;0;\r\nLink=1,2", "List index out of bounds (2)", 2, 3},
        {"Zone=0,0;A;0;\r\nLink=0,-1", "List index out of bounds (-1)", 1, 2},
        {"Zone=0,0;A;0;5#", "List index out of bounds (5)", 1, 1},
        {"Zone=0,0;A;0;x#", "'x' is not a valid integer value", 1, 1},
        {"Zone=0,0;A;0;0##", "'' is not a valid integer value", 1, 1},
        {"Zone=0,0;A;0;0#1", "List index out of bounds (1)", 1, 1},
    };
    for (const Case& C : Cases) {
        const std::string Message = LoadError(C.Text);
        if (C.Message.empty()) {
            EXPECT_NE(Message, "<no error>") << C.Text;
        } else {
            EXPECT_EQ(Message, C.Message) << C.Text;
        }
        EXPECT_EQ(S.Surface.ZoneCount(), C.Zones) << C.Text;
        EXPECT_EQ(S.Surface.LoadLine(), C.Line) << C.Text;
        EXPECT_EQ(S.Surface.MapSetFile(), Dir.File("map" + std::to_string(Loads) + ".mapset"));
    }
    EXPECT_TRUE(Messages.Messages().empty()); // raised to the caller, not shown
}

TEST_F(MapSetTest, FailureInTheLineLoopSkipsTheNeighbourFields) {
    EXPECT_EQ(LoadError("Zone=0,0,10,0,10,10,0,10;A;0;1#\r\nZone=10,0,20,0,20,10,10,10;B;0;0#\r\n"
                        "Element=none:0,0\r\n"),
              "List index out of bounds (-1)");
    ASSERT_EQ(S.Surface.ZoneCount(), 2);
    EXPECT_EQ(S.Surface.Zone(0)->NeighborCount(), 0);
    // The partial map set stays usable.
    S.Surface.BuildNeighbors();
    EXPECT_EQ(S.Surface.Zone(0)->NeighborCount(), 1);
    S.Surface.Render();
}

TEST_F(MapSetTest, NonIntegersInElementAndLinkLinesReadAsZero) {
    Load("Bitmap=HILLS.BMP\r\nElement=hills.bmp:x,5\r\nElement=hills.bmp\r\n"
         "Zone=0,0;A;0;\r\nLink=a,\r\n");
    ASSERT_EQ(S.Surface.ElementCount(), 2);
    EXPECT_EQ(S.Surface.Element(0)->Position(), (TPoint{0, 5}));
    EXPECT_EQ(S.Surface.Element(1)->Position(), (TPoint{0, 0}));
    ASSERT_EQ(S.Surface.LinkCount(), 1);
    EXPECT_EQ(S.Surface.Link(0)->Zone1, S.Surface.Zone(0));
    EXPECT_EQ(S.Surface.Link(0)->Zone2, S.Surface.Zone(0));
}

TEST_F(MapSetTest, CreateZoneEventMakesTheZones) {
    std::vector<std::string> Texts;
    S.Surface.OnCreateZone = [&](TObject* Sender, TZone*& Zone, const std::string& Text) {
        Texts.push_back(Text);
        Zone = new TZone(static_cast<TZoneSpriteSurface*>(Sender), Text);
        Zone->SetName("made " + Zone->Name());
    };
    Load("Zone=0,0,10,0,10,10;A;0;\r\n");
    EXPECT_EQ(Texts, (Strings{"0,0,10,0,10,10;A;0;"}));
    EXPECT_EQ(S.Surface.Zone(0)->Name(), "made A");
}

TEST_F(MapSetTest, ZonesWithoutElementsLoadCompletely) {
    S.Surface.SetPreviewWidth(160);
    S.Surface.SetPreviewHeight(120);
    Load("Zone=0,0,10,0,10,10,0,10;A;0;1#\r\nZone=10,0,20,0,20,10,10,10;B;0;0#\r\n");
    EXPECT_EQ(S.Surface.VirtualWidth(), 0);
    EXPECT_EQ(S.Surface.VirtualHeight(), 0);
    EXPECT_EQ(Names(S.Surface.Zone(0)->Neighbors()), (Strings{"B"}));
    // No Bitmap line: no palette to take, so the preview stays empty.
    EXPECT_EQ(S.Surface.Preview().Width(), 0);
    EXPECT_EQ(S.Surface.Preview().Height(), 0);
}

TEST_F(MapSetTest, PreviewScalesEachElementIntoItsRectangle) {
    WriteBitmap(Dir.File("big.bmp"), 640, 480, 40);
    WriteBitmap(Dir.File("small.bmp"), 8, 8, 60);
    S.Surface.SetPreviewWidth(160);
    S.Surface.SetPreviewHeight(120);
    // Virtual size 1280 x 960: sx = sy = 0.125.
    Load("Bitmap=big.bmp\r\nBitmap=small.bmp\r\n"
         "Element=big.bmp:640,480\r\nElement=small.bmp:0,0\r\n");
    const TBitmap& P = S.Surface.Preview();
    ASSERT_EQ(P.Width(), 160);
    ASSERT_EQ(P.Height(), 120);
    EXPECT_EQ(P.Palette(), Fixtures::TestColors());
    const auto At = [&](int X, int Y) { return P.ScanLine(Y)[X]; };
    // big: left 80, top 60, right 161, bottom 121.
    EXPECT_EQ(At(80, 60), 40);
    EXPECT_EQ(At(159, 119), 40);
    EXPECT_EQ(At(79, 60), 0);
    EXPECT_EQ(At(80, 59), 0);
    // small: (0, 0, 2, 2).
    EXPECT_EQ(At(0, 0), 60);
    EXPECT_EQ(At(1, 1), 60);
    EXPECT_EQ(At(2, 2), 0);

    // The one pixel more on the right and bottom: big at the origin fills (0, 0, 81, 61).
    Load("Bitmap=big.bmp\r\nBitmap=small.bmp\r\n"
         "Element=big.bmp:0,0\r\nElement=small.bmp:1272,952\r\n");
    EXPECT_EQ(At(80, 60), 40);
    EXPECT_EQ(At(81, 60), 0);
    EXPECT_EQ(At(80, 61), 0);
    EXPECT_EQ(At(159, 119), 60);
}

TEST_F(MapSetTest, LoadsWithoutAWindowSize) {
    TColorPalette Palette;
    TZoneSpriteSurface Headless;
    Headless.SetColorPalette(&Palette);
    Headless.SetBitmapDirectory(Dir.Path());
    WriteFile(Dir.File("h.mapset"), "Bitmap=HILLS.BMP\r\nElement=HILLS.BMP:0,0\r\n"
                                    "Zone=0,0,10,0,10,10;A;0;\r\n");
    Headless.SetMapSetFile(Dir.File("h.mapset"));
    EXPECT_EQ(Headless.ElementCount(), 1);
    EXPECT_EQ(Headless.VirtualWidth(), 64);
    EXPECT_EQ(Headless.ZoneCount(), 1);
}

TEST_F(MapSetTest, WritesTheLinesInTheirOrder) {
    WriteBitmap(Dir.File("hills.bmp"), 640, 150, 20);
    S.Surface.AddBitmap("hills.bmp");
    S.Surface.AddElement("hills.bmp", 0, 0);
    S.Surface.AddElement("hills.bmp", 640, 0);
    S.Surface.AddZone(new TZone(&S.Surface, "0,0,200,0,200,150,0,150"));
    S.Surface.AddZone(new TZone(&S.Surface, "200,0,400,0,400,150,200,150"));
    S.Surface.Zone(0)->SetName("Land1");
    S.Surface.Zone(1)->SetName("Land2");
    S.Surface.BuildNeighbors();
    EXPECT_EQ(Save(S.Surface, "out.mapset"),
              (Strings{"Bitmap=hills.bmp", "Element=hills.bmp:0,0", "Element=hills.bmp:640,0",
                       "Zone=0,0,200,0,200,150,0,150,;Land1;0;1#",
                       "Zone=200,0,400,0,400,150,200,150,;Land2;0;0#"}));
    EXPECT_EQ(S.Surface.MapSetFile(), "");

    // A removed element that still waits in the engine for its frame is not written.
    S.Surface.RemoveElement(0);
    const Strings After = Save(S.Surface, "out.mapset");
    EXPECT_EQ(std::count(After.begin(), After.end(), "Element=hills.bmp:0,0"), 0);
    EXPECT_EQ(std::count(After.begin(), After.end(), "Element=hills.bmp:640,0"), 1);
}

TEST_F(MapSetTest, SaveRefusesNamesTheFileCouldNotHold) {
    WriteBitmap(Dir.File("x:y.bmp"), 8, 8, 20);
    struct Case {
        Strings Names;
        bool ColonBitmap;
        std::string Message;
    } Cases[] = {
        {{"Land1", ""}, false, "Zone 1 does not have a name"},
        {{"A", "A", ""}, false, "Zone 2 does not have a name"},
        {{"Land1", "Land1"}, false, "Zones have the same name: Land1"},
        {{"X", "Y", "Y", "X"}, false, "Zones have the same name: X"},
        {{"P", "Y", "Q", "Y"}, false, "Zones have the same name: Y"},
        {{"ok", "a;b"}, false, "Zone 1 has a name that contains \";\" or a line break"},
        {{"a\nb"}, false, "Zone 0 has a name that contains \";\" or a line break"},
        {{"a\rb"}, false, "Zone 0 has a name that contains \";\" or a line break"},
        {{"ok"}, true, "Bitmap name contains \":\" or a line break: x:y.bmp"},
        {{"Land1", "land1"}, false, ""},
    };
    for (const Case& C : Cases) {
        TZoneSpriteSurface& Surface = S.Surface;
        Surface.Clear();
        if (C.ColonBitmap)
            Surface.AddBitmap("x:y.bmp");
        for (const std::string& Name : C.Names) {
            Surface.AddZone(new TZone(&Surface, "0,0,1,0,1,1"));
            Surface.Zone(Surface.ZoneCount() - 1)->SetName(Name);
        }
        Messages.Clear();
        const std::string Path = Dir.File("refused.mapset");
        std::filesystem::remove(Path);
        const bool Saved = Surface.SaveMapSet(Path);
        EXPECT_EQ(Saved, C.Message.empty()) << C.Message;
        EXPECT_EQ(std::filesystem::exists(Path), Saved) << C.Message;
        if (C.Message.empty()) {
            EXPECT_TRUE(Messages.Messages().empty());
        } else {
            EXPECT_EQ(Messages.Messages(), Strings{C.Message});
        }
    }
}

TEST_F(MapSetTest, UnnamedZoneOfAFileIsReportedByItsNumber) {
    Load("Zone=10,10,50,10,30,40\r\n");
    ASSERT_EQ(S.Surface.ZoneCount(), 1);
    EXPECT_EQ(S.Surface.Zone(0)->Name(), "");
    EXPECT_FALSE(S.Surface.SaveMapSet(Dir.File("x.mapset")));
    EXPECT_EQ(Messages.Messages(), Strings{"Zone 0 does not have a name"});
}

TEST_F(MapSetTest, LoadRebuildSaveGivesTheSameLines) {
    WriteBitmap(Dir.File("b.bmp"), 16, 16, 30);
    TZoneSpriteSurface& First = S.Surface;
    First.AddBitmap("HILLS.BMP");
    First.AddBitmap("b.bmp");
    First.AddElement("HILLS.BMP", 0, 0);
    First.AddElement("b.bmp", 64, 0);
    First.AddElement("hills.bmp", 10, 48);
    MapMaker::AddHexMap(First, 4, 3, 5);
    First.AddLink(First.Zone(0), First.Zone(11));
    First.AddLink(First.Zone(3), First.Zone(8));
    First.BuildNeighbors();
    First.Render(); // the engine's order is no longer the placement order
    const Strings Saved = Save(First, "first.mapset");

    const auto Kind = [](const Strings& L, const std::string& Key) {
        Strings Result;
        for (const std::string& Line : L)
            if (Line.rfind(Key + "=", 0) == 0)
                Result.push_back(Line);
        return Result;
    };
    const auto Sorted = [](Strings L) {
        std::sort(L.begin(), L.end());
        return L;
    };
    ASSERT_EQ(Kind(Saved, "Zone").size(), 12u);
    ASSERT_EQ(Kind(Saved, "Link"), (Strings{"Link=0,11", "Link=3,8"}));

    Fixtures::SurfaceWithPalette Second;
    Second.Surface.SetBitmapDirectory(Dir.Path());
    Second.Surface.SetMapSetFile(Dir.File("first.mapset"));
    // Right after loading, each link partner stands twice in the neighbour field.
    const Strings Unrebuilt = Save(Second.Surface, "unrebuilt.mapset");
    EXPECT_NE(Kind(Unrebuilt, "Zone")[0], Kind(Saved, "Zone")[0]);
    // The Link line's entry comes first, then the whole neighbour field.
    const std::string Zone0 = Kind(Saved, "Zone")[0];
    const size_t Field = Zone0.rfind(';') + 1;
    EXPECT_EQ(Kind(Unrebuilt, "Zone")[0], Zone0.substr(0, Field) + "11#" + Zone0.substr(Field));
    EXPECT_EQ(Kind(Unrebuilt, "Zone")[1], Kind(Saved, "Zone")[1]);

    Second.Surface.BuildNeighbors();
    const Strings Again = Save(Second.Surface, "second.mapset");
    EXPECT_EQ(Kind(Again, "Bitmap"), Kind(Saved, "Bitmap"));
    EXPECT_EQ(Kind(Again, "Zone"), Kind(Saved, "Zone"));
    EXPECT_EQ(Kind(Again, "Link"), Kind(Saved, "Link"));
    EXPECT_EQ(Sorted(Kind(Again, "Element")), Sorted(Kind(Saved, "Element")));
    EXPECT_EQ(Again.size(), Saved.size());
}

TEST_F(MapSetTest, OverlappingElementsKeepTheirStackingAndBytesAcrossLoadAndSave) {
    WriteBitmap(Dir.File("a.bmp"), 64, 48, 20);
    WriteBitmap(Dir.File("b.bmp"), 64, 48, 30);
    // Each element overlaps the one before it; the later line is drawn over the earlier.
    const std::string Canonical = "Bitmap=a.bmp\r\nBitmap=b.bmp\r\n"
                                  "Element=a.bmp:0,0\r\nElement=b.bmp:40,0\r\n"
                                  "Element=a.bmp:80,0\r\n"
                                  "Zone=0,0,100,0,100,40,0,40,;A;0;1#\r\n"
                                  "Zone=100,0,140,0,140,40,100,40,;B;1;0#\r\n";
    S.Surface.SetBounds(0, 0, 144, 48);
    std::string Text = Canonical;
    for (int Round = 1; Round <= 2; ++Round) {
        SCOPED_TRACE(Round);
        Load(Text);
        S.Surface.Render();
        TDIBCanvas& Frame = S.Surface.DIBCanvas();
        const auto A = Frame.GetPixel(10, 45), B = Frame.GetPixel(70, 45);
        ASSERT_NE(A, B);
        EXPECT_EQ(Frame.GetPixel(50, 45), B);
        EXPECT_EQ(Frame.GetPixel(90, 45), A);
        S.Surface.BuildNeighbors();
        ASSERT_TRUE(S.Surface.SaveMapSet(Dir.File("saved.mapset")));
        Text = ReadFile(Dir.File("saved.mapset"));
        EXPECT_EQ(Text, Canonical);
    }
}

TEST_F(MapSetTest, FailedWriteKeepsTheOldFile) {
    // Map sets smaller and larger than the file's write buffer, each beyond the limit.
    for (const int32_t Columns : {10, 40}) {
        S.Surface.Clear();
        MapMaker::AddHexMap(S.Surface, Columns, 10);
        const std::string Path = Dir.File("kept.mapset");
        WriteFile(Path, "Zone=old\r\n");

        // Files may grow to 1 KiB only, far less than the map set needs.
        const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit Old{};
        getrlimit(RLIMIT_FSIZE, &Old);
        rlimit Small = Old;
        Small.rlim_cur = 1024;
        setrlimit(RLIMIT_FSIZE, &Small);
        std::string Error;
        try {
            S.Surface.SaveMapSet(Path);
        } catch (const Exception& E) {
            Error = E.Message();
        }
        setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldHandler);

        EXPECT_EQ(Error.rfind("Cannot write file " + Path, 0), 0u) << Columns << ": " << Error;
        EXPECT_EQ(ReadFile(Path), "Zone=old\r\n") << Columns;
        size_t Files = 0;
        for ([[maybe_unused]] const auto& Entry : std::filesystem::directory_iterator(Dir.Path()))
            ++Files;
        EXPECT_EQ(Files, 2u) << "a temporary was left behind"; // HILLS.BMP and the old file

        EXPECT_TRUE(S.Surface.SaveMapSet(Path));
        EXPECT_EQ(Lines(ReadFile(Path)).size(), size_t(Columns) * 10);
    }
}

TEST_F(MapSetTest, FileThatCannotBeCreated) {
    S.Surface.AddZone(new TZone(&S.Surface, "0,0,1,0,1,1;A;0;"));
    const std::string Path = Dir.File("no/such/dir/x.mapset");
    try {
        S.Surface.SaveMapSet(Path);
        FAIL() << "no error";
    } catch (const EFCreateError& E) {
        EXPECT_EQ(E.Message(), "Cannot create file " + Path + ": No such file or directory");
    }
}

TEST_F(MapSetTest, LinesEndAtCrLfOrCrLf) {
    Load("Zone=0,0;A;0;\rZone=0,0;B;0;\nZone=0,0;C;0;\r\n\r\rZone=0,0;D;0;");
    ASSERT_EQ(S.Surface.ZoneCount(), 4);
    EXPECT_EQ(S.Surface.Zone(3)->Name(), "D");
    EXPECT_EQ(S.Surface.LoadLine(), 6);
}

} // namespace

namespace {

// A zone text of the kinds files hold, and of the kinds they should not: plain outlines,
// negative and hexadecimal numbers, items that are no number, an unpaired last value,
// polygons without area and with fewer than three points.
std::string VariedZoneText(std::mt19937& Random, int32_t Number) {
    std::uniform_int_distribution<int32_t> Coordinate(-5000, 5000);
    const int32_t Kind = Number % 7;
    // Lines longer than the pieces the reader scans for line ends, and some short ones.
    const int32_t Count = Kind == 5 ? 2 : Number % 97 == 0 ? 3 : 300 + int32_t(Random() % 800);
    std::string Text;
    for (int32_t I = 0; I < Count; ++I) {
        const int32_t X = Coordinate(Random), Y = Kind == 4 ? 7 : Coordinate(Random);
        Text += (Kind == 1 && I == 1 ? "$" + std::to_string(X & 0xFFF) : std::to_string(X)) + ",";
        Text += (Kind == 2 && I == 2 ? "x" : Kind == 3 && I == 1 ? "" : std::to_string(Y)) + ",";
    }
    if (Kind == 6)
        Text += "17";
    return Text + ";Z" + std::to_string(Number) + ";" + std::to_string(Number % 3) + ";" +
           std::to_string(Number / 2) + "#";
}

} // namespace

TEST_F(MapSetTest, ZonesOfALargeFileComeOutAsEachTextMakesThem) {
    // Tens of megabytes of Zone lines, enough to be built on two cores, in runs broken by
    // other lines, with each of the three line ends.
    std::mt19937 Random(19);
    std::vector<std::string> Texts;
    std::string File;
    for (const std::string End : {"\r\n", "\n", "\r"}) {
        for (int32_t I = 0; I < 1000; ++I) {
            Texts.push_back(VariedZoneText(Random, int32_t(Texts.size())));
            File += "Zone=" + Texts.back() + End;
        }
        File += End == "\n" ? End : "Colour=1" + End;
    }
    const int32_t LastLine = int32_t(Texts.size()) + 4;
    EXPECT_EQ(LoadError(File + "Link=0,99999\r\n"), "List index out of bounds (99999)");
    EXPECT_EQ(S.Surface.LoadLine(), LastLine);
    ASSERT_EQ(S.Surface.ZoneCount(), int32_t(Texts.size()));
    for (int32_t I = 0; I < S.Surface.ZoneCount(); ++I) {
        const TZone& Z = *S.Surface.Zone(I);
        const TZone Expected(&S.Surface, Texts[size_t(I)]);
        ASSERT_EQ(Z.Points(), Expected.Points()) << Texts[size_t(I)];
        EXPECT_EQ(Z.Bounds(), Expected.Bounds()) << I;
        EXPECT_EQ(Z.Center(), Expected.Center()) << I;
        EXPECT_EQ(Z.Name(), Expected.Name()) << I;
        EXPECT_EQ(Z.IsSea(), Expected.IsSea()) << I;
        EXPECT_EQ(Z.NeighborIndexText(), Expected.NeighborIndexText()) << I;
        EXPECT_EQ(Z.Index(), I);
        ASSERT_NE(Z.Sprite(), nullptr);
        EXPECT_EQ(Z.Sprite()->Zone(), &Z);
        // The region read with the points against one made from a copy of them.
        const TRegion Copy(Z.Points());
        EXPECT_EQ(Z.Region().Empty(), Copy.Empty()) << I;
        const TRect& B = Z.Bounds();
        for (int32_t Step = 0; Step < 10 && !Copy.Empty(); ++Step) {
            const int32_t X = B.Left + int32_t(Random() % uint32_t(B.Right - B.Left + 1));
            const int32_t Y = B.Top + int32_t(Random() % uint32_t(B.Bottom - B.Top + 1));
            ASSERT_EQ(Z.Region().Contains(X, Y), Copy.Contains(X, Y)) << I << " " << X << "," << Y;
        }
    }
}
