// Tiny hostile files must not cost gigabytes, minutes or a hang: the budgets of a load.
#include "Inputs.h"

#include "graphics/ColorPalette.h"
#include "platform/Exception.h"
#include "support/Scripted.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

using namespace std::string_literals;

namespace {

using namespace Inputs;

struct Loaded {
    TempDir Dir;
    TColorPalette Palette;
    TZoneSpriteSurface Surface;

    Loaded() {
        Surface.SetColorPalette(&Palette);
        Surface.SetBitmapDirectory(Dir.Path());
        Surface.SetGridMarginTop(16);
        Surface.SetGridWidth(20);
        Surface.SetGridHeight(26);
    }
    // The load's error message, or "" when it went through.
    std::string Load(const std::string& Text) {
        WriteFile(Dir.File("m.mapset"), Text);
        try {
            Surface.SetMapSetFile(Dir.File("m.mapset"));
        } catch (const Exception& E) {
            return E.what();
        }
        return {};
    }
};

int64_t GridPointTotal(const TZoneSpriteSurface& S) {
    int64_t Total = 0;
    for (int32_t I = 0; I < S.ZoneCount(); ++I)
        Total += S.Zone(I)->GridPoints() ? S.Zone(I)->GridPoints()->Count() : 0;
    return Total;
}

// Eight lines of 53 bytes each asked for 16 million grid points apiece.
TEST(HostileFiles, GridBombsGetNoGridPointsAndAreMarked) {
    Loaded L;
    std::string Text;
    for (int I = 0; I < 8; ++I)
        Text += "Zone=0,0,80000,0,80000,104000,0,104000,;Z" + std::to_string(I) + ";0;\r\n";
    Text += "Zone=0,0,200,0,200,200,0,200,;Real;0;\r\n";
    ASSERT_EQ(L.Load(Text), "");
    ASSERT_EQ(L.Surface.ZoneCount(), 9);
    EXPECT_LE(GridPointTotal(L.Surface), TZoneSpriteSurface::MaxGridCandidates);
    for (int32_t I = 0; I < 8; ++I)
        EXPECT_TRUE(L.Surface.Zone(I)->GridPointsRefused()) << I;
    TZone& Real = *L.Surface.Zone(8);
    EXPECT_FALSE(Real.GridPointsRefused());
    EXPECT_EQ(Real.GridPoints()->Count(), 63);
}

// Many zones each inside the per-zone limit: past the total budget they get none, in
// list order, and a map of 20,000 real zones is far inside it and loses nothing.
TEST(HostileFiles, TheGridBudgetIsTotalAndRealMapsStayInside) {
    Loaded L;
    std::string Bombs;
    for (int I = 0; I < 40; ++I)
        Bombs += "Zone=0,0,40000,0,0,60000,;T" + std::to_string(I) + ";0;\r\n";
    ASSERT_EQ(L.Load(Bombs), "");
    // The map check asks which zones are refused before any point is built.
    const std::vector<bool> Foreseen = L.Surface.GridPointRefusals();
    EXPECT_LE(GridPointTotal(L.Surface), TZoneSpriteSurface::MaxGridCandidates);
    EXPECT_FALSE(L.Surface.Zone(0)->GridPointsRefused());
    EXPECT_TRUE(L.Surface.Zone(39)->GridPointsRefused());
    for (int32_t I = 0; I < L.Surface.ZoneCount(); ++I)
        EXPECT_EQ(Foreseen[size_t(I)], L.Surface.Zone(I)->GridPointsRefused()) << I;
    EXPECT_EQ(L.Surface.GridPointRefusals(), Foreseen);

    std::string Real;
    for (int I = 0; I < 20000; ++I) {
        const int X = (I % 200) * 200, Y = (I / 200) * 200;
        Real += "Zone=" + std::to_string(X) + "," + std::to_string(Y) + "," +
                std::to_string(X + 200) + "," + std::to_string(Y) + "," + std::to_string(X + 200) +
                "," + std::to_string(Y + 200) + "," + std::to_string(X) + "," +
                std::to_string(Y + 200) + ",;R" + std::to_string(I) + ";0;\r\n";
    }
    TempDir Other;
    WriteFile(Other.File("real.mapset"), Real);
    L.Surface.SetMapSetFile(Other.File("real.mapset"));
    ASSERT_EQ(L.Surface.ZoneCount(), 20000);
    for (int32_t I = 0; I < L.Surface.ZoneCount(); ++I)
        ASSERT_FALSE(L.Surface.Zone(I)->GridPointsRefused()) << I;
    EXPECT_EQ(GridPointTotal(L.Surface), 20000 * 63);
}

// Eight pictures at the per-picture limit fill the budget of a load; the ninth is refused
// with the file's name and the limit, and the decoded pictures were let go on the way.
TEST(HostileFiles, TheSourcePicturesOfALoadHaveABudget) {
    Loaded L;
    std::string Text;
    for (int I = 0; I < 9; ++I) {
        const std::string Name = "big" + std::to_string(I) + ".bmp";
        WriteFile(
            L.Dir.File(Name),
            MakeBmp({.Width = 8192, .Height = 8192, .Compression = 1, .Pixels = "\x00\x01"s}));
        Text += "Bitmap=" + Name + "\r\n";
    }
    const std::string Error = L.Load(Text);
    EXPECT_EQ(L.Surface.LoadLine(), 9);
    EXPECT_EQ(Error, L.Dir.File("big8.bmp") +
                         ": Bitmap image is not valid: the bitmaps of the map set together "
                         "exceed the limit of " +
                         std::to_string(TZoneSpriteSurface::MaxLoadPixels) + " pixels");
    EXPECT_EQ(L.Surface.Bitmaps().size(), 8u);
}

// 490,000 pixels of noise: about 4 bytes a pixel once run-length compressed.
std::string NoiseBmp(int32_t Side) {
    std::string Pixels(size_t(Side) * size_t(Side), '\0');
    uint32_t Seed = 12345;
    for (char& P : Pixels) {
        Seed = Seed * 1103515245u + 12345u;
        P = char(Seed >> 16);
    }
    return MakeBmp({.Width = Side, .Height = Side, .Pixels = Pixels});
}

// One noisy picture named on 1,095 Bitmap lines is held once; naming it under ever new
// paths reads it again each time, until the bytes held reach the budget, which names the
// file and the limit.
TEST(HostileFiles, ABitmapNamedManyTimesIsHeldOnceAndTheBytesHeldHaveABudget) {
    Loaded L;
    WriteFile(L.Dir.File("noise.bmp"), NoiseBmp(700));
    std::string Text;
    for (int I = 0; I < 1095; ++I)
        Text += "Bitmap=noise.bmp\r\n";
    ASSERT_EQ(L.Load(Text + "Element=NOISE.BMP:0,0\r\n"), "");
    ASSERT_EQ(L.Surface.Bitmaps().size(), 1095u);
    const int64_t One = L.Surface.Bitmaps()[0].Factory->CompressedBitmap().KeptBytes();
    EXPECT_GT(One, 700 * 700 * 3);
    EXPECT_LT(L.Surface.BitmapBytes(), One + 1095 * 1024);
    EXPECT_TRUE(
        L.Surface.Bitmaps()[1094].Factory->SharesBitmapWith(*L.Surface.Bitmaps()[0].Factory));
    EXPECT_EQ(L.Surface.ElementNames().at(0).Name, "noise.bmp");

    std::string Paths;
    std::string Path = "noise.bmp";
    for (int I = 0; I < 100; ++I, Path = "./" + Path)
        Paths += "Bitmap=" + Path + "\r\n";
    TempDir Other;
    WriteFile(Other.File("paths.mapset"), Paths);
    try {
        L.Surface.SetMapSetFile(Other.File("paths.mapset"));
        ADD_FAILURE() << "the budget let " << L.Surface.BitmapBytes() << " bytes through";
    } catch (const EPictureTooLarge& E) {
        EXPECT_NE(std::string(E.what()).find("noise.bmp: Bitmap image is not valid: the bitmaps "
                                             "of the map set together would hold more than the "
                                             "limit of " +
                                             std::to_string(TZoneSpriteSurface::MaxBitmapBytes) +
                                             " bytes"),
                  std::string::npos)
            << E.what();
    }
    EXPECT_EQ(L.Surface.LoadLine(), int32_t(TZoneSpriteSurface::MaxBitmapBytes / One) + 1);
    EXPECT_LE(L.Surface.BitmapBytes(), TZoneSpriteSurface::MaxBitmapBytes);
    // The editor's Add is held to the same budget.
    EXPECT_THROW(L.Surface.AddBitmap("noise.bmp"), EPictureTooLarge);
}

// Floods of Bitmap lines naming one file, and of Element lines after them, cost an entry
// each: one picture, one colour merge, and each element finds the first entry of its name.
TEST(HostileFiles, FloodsOfBitmapAndElementLinesCostAnEntryEach) {
    Loaded L;
    WriteFile(L.Dir.File("a.bmp"), MakeBmp({}));
    std::string Text;
    for (int I = 0; I < 30000; ++I)
        Text += "Bitmap=a.bmp\r\n";
    for (int I = 0; I < 30000; ++I)
        Text += "Element=A.bmp:" + std::to_string(I) + ",0\r\n";
    ASSERT_EQ(L.Load(Text), "");
    ASSERT_EQ(L.Surface.Bitmaps().size(), 30000u);
    ASSERT_EQ(L.Surface.ElementCount(), 30000);
    for (const TElementEntry& E : L.Surface.ElementNames())
        ASSERT_EQ(E.Sprite->Factory(), L.Surface.Bitmaps()[0].Factory.get());
    EXPECT_EQ(L.Surface.ElementNames().back().Name, "a.bmp");
    EXPECT_LT(L.Surface.BitmapBytes(), 30000 * 512);
}

// A FIFO waits for a writer that never comes: it is refused like a missing file.
TEST(HostileFiles, ABitmapThatIsNotARegularFileIsRefused) {
    Loaded L;
    ASSERT_EQ(mkfifo(L.Dir.File("pipe.bmp").c_str(), 0644), 0);
    EXPECT_EQ(L.Load("Bitmap=pipe.bmp\r\n"), "Cannot open file " + L.Dir.File("pipe.bmp"));
    EXPECT_THROW(L.Surface.AddBitmap("pipe.bmp"), EFOpenError);
}

} // namespace
