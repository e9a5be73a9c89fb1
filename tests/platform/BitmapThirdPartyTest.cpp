// BMP files written by ImageMagick, a tool that is not ours, decoded and compared with the
// picture it was asked to write.
#include "platform/Bitmap.h"

#include "support/Scripted.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <tuple>

namespace {

struct Rgb {
    int R, G, B;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    friend bool operator<(const Rgb& A, const Rgb& C) {
        return std::tie(A.R, A.G, A.B) < std::tie(C.R, C.G, C.B);
    }
};

// Colour number I of a test picture: distinct for every I below 256.
Rgb Shade(int I) {
    return {I, (I * 7) & 255, 255 - I};
}

using Picture = std::function<int(int X, int Y)>; // colour number of each pixel

bool HaveConvert() {
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

void RunTool(const std::string& Command) {
    ASSERT_EQ(std::system((Command + " 2>&1").c_str()), 0) << Command;
}

// Writes the picture as a plain PPM for convert to read.
std::string WritePpm(const TempDir& Dir, int W, int H, const Picture& P) {
    const std::string name = Dir.File("in.ppm");
    std::ofstream out(name);
    out << "P3\n" << W << " " << H << "\n255\n";
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Rgb c = Shade(P(x, y));
            out << c.R << " " << c.G << " " << c.B << "\n";
        }
    return name;
}

Rgb ColorAt(const TBitmap& B, int X, int Y) {
    const TRGBQuad q = B.Palette()[B.ScanLine(Y)[X]];
    return {q.rgbRed, q.rgbGreen, q.rgbBlue};
}

void ExpectPicture(const TBitmap& B, int W, int H, const Picture& P) {
    ASSERT_EQ(B.PixelFormat(), TPixelFormat::pf8bit);
    ASSERT_EQ(B.Width(), W);
    ASSERT_EQ(B.Height(), H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            ASSERT_EQ(ColorAt(B, x, y), Shade(P(x, y))) << x << "," << y;
}

// 22 x 16, 256 colours: runs of one colour at both ends of each row (encoded runs in
// RLE), 240 different colours between them (absolute runs).
int Full(int X, int Y) {
    return X < 4 || X >= 20 ? Y : 16 + (Y * 16 + X - 4) % 240;
}
// 10 x 4, 40 colours: a short colour table and rows that need padding.
int Forty(int X, int Y) {
    return Y * 10 + X;
}

TEST(BitmapThirdParty, EightBitFilesDecodeToThePictureDrawn) {
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick convert is not installed";
    struct Case {
        const char* Options;
        int W, H;
        Picture P;
    };
    const Case cases[] = {
        {"-compress None BMP3:", 22, 16, Full},
        {"-compress RLE BMP3:", 22, 16, Full},
        {"-compress None BMP3:", 10, 4, Forty},
        {"-compress RLE BMP3:", 10, 4, Forty},
        {"BMP:", 10, 4, Forty}, // a v5 header
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Options << " " << c.W << "x" << c.H);
        TempDir dir;
        const std::string ppm = WritePpm(dir, c.W, c.H, c.P);
        RunTool("convert " + ppm + " -type Palette " + c.Options + dir.File("out.bmp"));
        TBitmap bitmap;
        bitmap.LoadFromFile(dir.File("out.bmp"));
        ExpectPicture(bitmap, c.W, c.H, c.P);
    }
}

TEST(BitmapThirdParty, OtherDepthsReportTheirFormat) {
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick convert is not installed";
    struct Case {
        const char* Options;
        int Colours;
        TPixelFormat Format;
        size_t PaletteSize;
    };
    const Case cases[] = {
        {"-type Palette -compress None BMP3:", 16, TPixelFormat::pf4bit, 16},
        {"-type Palette -compress None BMP3:", 2, TPixelFormat::pf1bit, 2},
        {"-type TrueColor BMP3:", 40, TPixelFormat::pf24bit, 0},
        {"-type TrueColorAlpha BMP:", 40, TPixelFormat::pf32bit, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Options);
        TempDir dir;
        const Picture p = [&](int X, int Y) { return (Y * 8 + X) % c.Colours; };
        RunTool("convert " + WritePpm(dir, 8, 5, p) + " " + c.Options + dir.File("out.bmp"));
        TBitmap bitmap;
        bitmap.LoadFromFile(dir.File("out.bmp"));
        EXPECT_EQ(bitmap.PixelFormat(), c.Format);
        EXPECT_EQ(bitmap.Width(), 8);
        EXPECT_EQ(bitmap.Height(), 5);
        EXPECT_FALSE(bitmap.HasPixels());
        ASSERT_EQ(bitmap.Palette().size(), c.PaletteSize);
        std::set<Rgb> table;
        for (const TRGBQuad& q : bitmap.Palette())
            table.insert({q.rgbRed, q.rgbGreen, q.rgbBlue});
        for (int i = 0; c.PaletteSize > 0 && i < c.Colours; ++i)
            EXPECT_TRUE(table.count(Shade(i))) << i;
    }
}

TEST(BitmapThirdParty, ConvertReadsWhatWeWrite) {
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick convert is not installed";
    TempDir dir;
    RunTool("convert " + WritePpm(dir, 22, 16, Full) +
            " -type Palette -compress RLE BMP3:" + dir.File("in.bmp"));
    TBitmap bitmap;
    bitmap.LoadFromFile(dir.File("in.bmp"));
    bitmap.SaveToFile(dir.File("ours.bmp"));
    RunTool("convert " + dir.File("ours.bmp") + " -compress none ppm:" + dir.File("back.ppm"));

    std::ifstream in(dir.File("back.ppm"));
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    ASSERT_EQ(magic, "P3");
    ASSERT_EQ(w, 22);
    ASSERT_EQ(h, 16);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb c{};
            in >> c.R >> c.G >> c.B;
            ASSERT_EQ(c, Shade(Full(x, y))) << x << "," << y;
        }
}

} // namespace
