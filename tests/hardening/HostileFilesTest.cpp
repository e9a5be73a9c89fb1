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
    EXPECT_LE(GridPointTotal(L.Surface), TZoneSpriteSurface::MaxGridCandidates);
    EXPECT_FALSE(L.Surface.Zone(0)->GridPointsRefused());
    EXPECT_TRUE(L.Surface.Zone(39)->GridPointsRefused());

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
    WriteFile(L.Dir.File("big.bmp"),
              MakeBmp({.Width = 8192, .Height = 8192, .Compression = 1, .Pixels = "\x00\x01"s}));
    std::string Text;
    for (int I = 0; I < 9; ++I)
        Text += "Bitmap=big.bmp\r\n";
    const std::string Error = L.Load(Text);
    EXPECT_EQ(L.Surface.LoadLine(), 9);
    EXPECT_EQ(Error, L.Dir.File("big.bmp") +
                         ": Bitmap image is not valid: the bitmaps of the map set together "
                         "exceed the limit of " +
                         std::to_string(TZoneSpriteSurface::MaxLoadPixels) + " pixels");
    EXPECT_EQ(L.Surface.Bitmaps().size(), 8u);
}

// A FIFO waits for a writer that never comes: it is refused like a missing file.
TEST(HostileFiles, ABitmapThatIsNotARegularFileIsRefused) {
    Loaded L;
    ASSERT_EQ(mkfifo(L.Dir.File("pipe.bmp").c_str(), 0644), 0);
    EXPECT_EQ(L.Load("Bitmap=pipe.bmp\r\n"), "Cannot open file " + L.Dir.File("pipe.bmp"));
    EXPECT_THROW(L.Surface.AddBitmap("pipe.bmp"), EFOpenError);
}

} // namespace
