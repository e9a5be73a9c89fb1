#include "platform/Canvas.h"
#include "platform/Bitmap.h"
#include "platform/Text.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint8_t kBlack = 0, kWhite = 1, kRed = 2, kYellow = 3, kBlue = 4, kGrey = 5;

// An 8-bit buffer with a small known colour table: black, white, red, yellow, blue, grey,
// and the rest black. Stride is wider than the width, to catch row addressing faults.
struct TBuffer8 {
    int32_t Width, Height, Stride;
    std::vector<uint8_t> Bits;
    TBufferCanvas Canvas;

    TBuffer8(int32_t W, int32_t H, uint8_t Fill = 9)
        : Width(W), Height(H), Stride(W + 8), Bits(size_t(Stride * H), Fill) {
        const TRGBQuad colors[] = {{0, 0, 0, 0},     {255, 255, 255, 0}, {0, 0, 255, 0},
                                   {0, 255, 255, 0}, {255, 0, 0, 0},     {128, 128, 128, 0}};
        Canvas.Bind(Bits.data(), W, H, Stride, TBufferFormat::bf8);
        Canvas.SetColorTable(colors, 6);
        Canvas.Pen().Color = clWhite;
    }
    uint8_t At(int X, int Y) const { return Bits[size_t(Y * Stride + X)]; }
    // The pixels equal to Index, as (x, y) pairs.
    std::set<std::pair<int, int>> Where(uint8_t Index) const {
        std::set<std::pair<int, int>> result;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (At(x, y) == Index)
                    result.insert({x, y});
        return result;
    }
    std::vector<std::string> Rows(int W, int H, uint8_t Index) const {
        std::vector<std::string> rows;
        for (int y = 0; y < H; ++y) {
            std::string row;
            for (int x = 0; x < W; ++x)
                row += At(x, y) == Index ? '#' : '.';
            rows.push_back(row);
        }
        return rows;
    }
    bool PaddingUntouched() const {
        for (int y = 0; y < Height; ++y)
            for (int x = Width; x < Stride; ++x)
                if (At(x, y) != 9)
                    return false;
        return true;
    }
};

// A plain line walker for comparison: minor coordinate rounded half up at each step.
std::set<std::pair<int, int>> ReferenceLine(int X0, int Y0, int X1, int Y1, int W, int H) {
    std::set<std::pair<int, int>> result;
    const int dx = X1 - X0, dy = Y1 - Y0;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    for (int i = 0; i < steps; ++i) {
        int x, y;
        if (std::abs(dx) >= std::abs(dy)) {
            x = X0 + (dx < 0 ? -i : i);
            const int off = int(std::floor((2.0 * i * std::abs(dy) + steps) / (2.0 * steps)));
            y = Y0 + (dy < 0 ? -off : off);
        } else {
            y = Y0 + (dy < 0 ? -i : i);
            const int off = int(std::floor((2.0 * i * std::abs(dx) + steps) / (2.0 * steps)));
            x = X0 + (dx < 0 ? -off : off);
        }
        if (x >= 0 && x < W && y >= 0 && y < H)
            result.insert({x, y});
    }
    return result;
}

std::unique_ptr<TBitmap> MakeBitmap(int W, int H, const std::vector<TRGBQuad>& Palette,
                                    const std::vector<uint8_t>& Pixels) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(TPixelFormat::pf8bit);
    bitmap->SetSize(W, H);
    bitmap->SetPalette(Palette);
    for (int y = 0; y < H; ++y)
        std::memcpy(bitmap->ScanLine(y), Pixels.data() + y * W, size_t(W));
    return bitmap;
}

// The test buffers' colour table as a bitmap palette.
std::vector<TRGBQuad> BufferTable() {
    return {{0, 0, 0, 0},     {255, 255, 255, 0}, {0, 0, 255, 0},
            {0, 255, 255, 0}, {255, 0, 0, 0},     {128, 128, 128, 0}};
}

} // namespace

TEST(BufferCanvas, NearestIndexTakesTheClosestEntryAndTheFirstOfEqualOnes) {
    TBuffer8 b(4, 4);
    struct TCase {
        TColor Color;
        uint8_t Index;
    };
    const TCase cases[] = {
        {clBlack, kBlack},
        {clWhite, kWhite},
        {RGBColor(250, 10, 10), kRed},
        {clYellow, kYellow},
        {RGBColor(0, 0, 200), kBlue},
        {RGBColor(120, 130, 125), kGrey},
        {RGBColor(64, 64, 64), kBlack}, // as far from black as from grey: the first wins
        {RGBColor(200, 200, 200), kWhite},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(b.Canvas.NearestIndex(c.Color), c.Index) << std::hex << c.Color;

    // Equal distances: the first entry wins. Entries 6.. are black like entry 0.
    const TRGBQuad twins[] = {{10, 10, 10, 0}, {10, 10, 10, 0}};
    b.Canvas.SetColorTable(twins, 2);
    EXPECT_EQ(b.Canvas.NearestIndex(RGBColor(10, 10, 10)), 0);
    EXPECT_EQ(b.Canvas.NearestIndex(clBlack), 2); // the first missing (black) entry
}

TEST(BufferCanvas, ANewColorTableIsNotHiddenByEarlierLookups) {
    TBuffer8 b(4, 4);
    EXPECT_EQ(b.Canvas.NearestIndex(clRed), kRed);
    const TRGBQuad swapped[] = {{0, 0, 255, 0}, {0, 0, 0, 0}};
    b.Canvas.SetColorTable(swapped, 2);
    EXPECT_EQ(b.Canvas.NearestIndex(clRed), 0);
    for (TColor c : {clBlack, clWhite, clBlue, clYellow, clGray, clRed})
        b.Canvas.NearestIndex(c); // churn the cache
    EXPECT_EQ(b.Canvas.NearestIndex(clRed), 0);
}

TEST(BufferCanvas, SixteenBitFormatsPackTheColour) {
    struct TCase {
        TBufferFormat Format;
        TColor Color;
        uint16_t Word;
    };
    const TCase cases[] = {
        {TBufferFormat::bf15, clWhite, 0x7FFF},
        {TBufferFormat::bf15, clRed, 0x7C00},
        {TBufferFormat::bf15, clLime, 0x03E0},
        {TBufferFormat::bf15, clBlue, 0x001F},
        {TBufferFormat::bf16, clWhite, 0xFFFF},
        {TBufferFormat::bf16, clRed, 0xF800},
        {TBufferFormat::bf16, clLime, 0x07E0},
        {TBufferFormat::bf16, clBlue, 0x001F},
        {TBufferFormat::bf16, RGBColor(8, 4, 8), 0x0821},
    };
    for (const TCase& c : cases) {
        std::vector<uint16_t> words(4 * 3, 0x1234);
        TBufferCanvas canvas;
        canvas.Bind(reinterpret_cast<uint8_t*>(words.data()), 3, 3, 8, c.Format);
        canvas.Brush().Color = c.Color;
        canvas.FillRect({1, 1, 5, 5});
        EXPECT_EQ(words[1 * 4 + 1], c.Word);
        EXPECT_EQ(words[2 * 4 + 2], c.Word);
        EXPECT_EQ(words[0 * 4 + 1], 0x1234); // outside the rect
        EXPECT_EQ(words[1 * 4 + 3], 0x1234); // row padding beyond the width
    }
}

TEST(BufferCanvas, LineToExcludesTheEndPointAndMovesThePen) {
    TBuffer8 b(10, 10);
    b.Canvas.MoveTo(1, 1);
    b.Canvas.LineTo(5, 1);
    EXPECT_EQ(b.Where(kWhite), (std::set<std::pair<int, int>>{{1, 1}, {2, 1}, {3, 1}, {4, 1}}));
    EXPECT_EQ(b.Canvas.PenPos(), (TPoint{5, 1}));
    b.Canvas.LineTo(5, 1); // zero length: nothing
    EXPECT_EQ(b.Where(kWhite).size(), 4u);
    b.Canvas.Pen().Style = TPenStyle::psClear;
    b.Canvas.LineTo(5, 8);
    EXPECT_EQ(b.Where(kWhite).size(), 4u);
    EXPECT_EQ(b.Canvas.PenPos(), (TPoint{5, 8}));
}

TEST(BufferCanvas, ThinLinesMatchAPlainWalkEvenWhenClipped) {
    const int W = 40, H = 30;
    const int ends[][4] = {
        {0, 0, 39, 29},     {39, 0, 0, 29},         {5, 25, 35, 3},     {20, 15, 21, 29},
        {-50, 10, 90, 20},  {-300, -200, 300, 250}, {100, -5, -60, 40}, {20, -100, 22, 200},
        {-10, -10, -1, 50}, {3, 3, 4, 4},
    };
    for (const auto& e : ends) {
        TBuffer8 b(W, H);
        b.Canvas.MoveTo(e[0], e[1]);
        b.Canvas.LineTo(e[2], e[3]);
        EXPECT_EQ(b.Where(kWhite), ReferenceLine(e[0], e[1], e[2], e[3], W, H))
            << e[0] << "," << e[1] << " -> " << e[2] << "," << e[3];
        EXPECT_TRUE(b.PaddingUntouched());
    }
}

TEST(BufferCanvas, LinesWithFarEndPointsAreClippedQuickly) {
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    TBuffer8 b(64, 48);
    const auto start = std::chrono::steady_clock::now();
    b.Canvas.MoveTo(lo, 7);
    b.Canvas.LineTo(hi, 7);
    b.Canvas.MoveTo(lo, lo);
    b.Canvas.LineTo(hi, hi);
    b.Canvas.MoveTo(hi, lo);
    b.Canvas.LineTo(lo, hi);
    b.Canvas.Pen().Width = 5;
    b.Canvas.MoveTo(30, lo);
    b.Canvas.LineTo(30, hi);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    for (int x = 0; x < 64; ++x)
        EXPECT_EQ(b.At(x, 7), kWhite) << x;
    for (int y = 0; y < 48; ++y)
        EXPECT_EQ(b.At(30, y), kWhite) << y;
    EXPECT_TRUE(b.PaddingUntouched());
}

TEST(BufferCanvas, WidePenDrawsABandWithoutGapsAtJoints) {
    TBuffer8 b(20, 20);
    b.Canvas.Pen().Width = 2;
    b.Canvas.MoveTo(5, 5);
    b.Canvas.LineTo(15, 5);
    b.Canvas.LineTo(15, 15);
    // Horizontal segment: two rows thick (x 14 and 15 below it belong to the vertical one).
    for (int x = 5; x < 14; ++x) {
        EXPECT_EQ(b.At(x, 4), kWhite) << x;
        EXPECT_EQ(b.At(x, 5), kWhite) << x;
        EXPECT_NE(b.At(x, 6), kWhite) << x;
    }
    // The corner is filled where the two segments meet.
    EXPECT_EQ(b.At(14, 4), kWhite);
    EXPECT_EQ(b.At(15, 5), kWhite);
    EXPECT_EQ(b.At(14, 5), kWhite);
    // Vertical segment: two columns thick.
    for (int y = 5; y < 15; ++y) {
        EXPECT_EQ(b.At(14, y), kWhite) << y;
        EXPECT_EQ(b.At(15, y), kWhite) << y;
        EXPECT_NE(b.At(16, y), kWhite) << y;
    }
    // A wide line along the border is clipped, not wrapped into the row before.
    TBuffer8 edge(10, 10);
    edge.Canvas.Pen().Width = 4;
    edge.Canvas.MoveTo(0, 0);
    edge.Canvas.LineTo(0, 9);
    EXPECT_TRUE(edge.PaddingUntouched());
    EXPECT_EQ(edge.At(1, 5), kWhite);
    EXPECT_NE(edge.At(9, 4), kWhite);
}

TEST(BufferCanvas, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
    TBuffer8 b(8, 6);
    b.Canvas.Brush().Color = clBlue;
    b.Canvas.Rectangle(1, 1, 6, 5);
    const std::vector<std::string> outline = {
        "........", ".#####..", ".#...#..", ".#...#..", ".#####..", "........",
    };
    EXPECT_EQ(b.Rows(8, 6, kWhite), outline);
    EXPECT_EQ(b.Where(kBlue),
              (std::set<std::pair<int, int>>{{2, 2}, {3, 2}, {4, 2}, {2, 3}, {3, 3}, {4, 3}}));

    TBuffer8 clear(8, 6);
    clear.Canvas.Brush().Style = TBrushStyle::bsClear;
    clear.Canvas.Rectangle(6, 5, 1, 1); // corners in either order
    EXPECT_EQ(clear.Rows(8, 6, kWhite), outline);
    EXPECT_EQ(clear.At(3, 3), 9);

    TBuffer8 thick(8, 6);
    thick.Canvas.Pen().Width = 2;
    thick.Canvas.Brush().Color = clBlue;
    thick.Canvas.Rectangle(0, 0, 6, 6);
    EXPECT_EQ(thick.Where(kBlue), (std::set<std::pair<int, int>>{{2, 2}, {3, 2}, {2, 3}, {3, 3}}));
}

TEST(BufferCanvas, FillRectIsClippedAndSafeForExtremeRects) {
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    TBuffer8 b(6, 4);
    b.Canvas.Brush().Color = clRed;
    b.Canvas.FillRect({lo, lo, hi, hi});
    EXPECT_EQ(b.Where(kRed).size(), 24u);
    EXPECT_TRUE(b.PaddingUntouched());
    TBuffer8 c(6, 4);
    c.Canvas.Brush().Color = clRed;
    c.Canvas.FillRect({4, 2, 100, 100});
    c.Canvas.FillRect({3, 3, 1, 1}); // inverted: nothing
    EXPECT_EQ(c.Where(kRed), (std::set<std::pair<int, int>>{{4, 2}, {5, 2}, {4, 3}, {5, 3}}));
    c.Canvas.Brush().Style = TBrushStyle::bsClear;
    c.Canvas.Brush().Color = clBlue;
    c.Canvas.FillRect({0, 0, 6, 4});
    EXPECT_TRUE(c.Where(kBlue).empty());
}

TEST(BufferCanvas, SixPixelEllipseIsARoundDot) {
    TBuffer8 b(8, 8);
    b.Canvas.Pen().Color = clYellow;
    b.Canvas.Brush().Color = clYellow;
    b.Canvas.Ellipse(1, 1, 7, 7);
    const std::vector<std::string> dot = {
        "........", "..####..", ".######.", ".######.",
        ".######.", ".######.", "..####..", "........",
    };
    EXPECT_EQ(b.Rows(8, 8, kYellow), dot);
}

TEST(BufferCanvas, EllipseOutlineSurroundsTheBrushInterior) {
    TBuffer8 b(24, 16);
    b.Canvas.Pen().Color = clWhite;
    b.Canvas.Brush().Color = clBlue;
    b.Canvas.Ellipse(2, 2, 22, 14);
    EXPECT_EQ(b.At(12, 8), kBlue);  // centre
    EXPECT_EQ(b.At(12, 2), kWhite); // top of the ring
    EXPECT_EQ(b.At(2, 8), kWhite);  // left of the ring
    EXPECT_EQ(b.At(21, 7), kWhite); // right of the ring
    EXPECT_EQ(b.At(2, 2), 9);       // the box corner is outside
    EXPECT_EQ(b.At(22, 8), 9);      // right edge is exclusive
    // Every interior pixel touches only interior or ring pixels: the ring is closed.
    for (auto [x, y] : b.Where(kBlue))
        for (auto [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}})
            EXPECT_TRUE(b.At(nx, ny) == kBlue || b.At(nx, ny) == kWhite) << nx << "," << ny;
    // Clipped and extreme boxes.
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    TBuffer8 big(10, 10);
    big.Canvas.Brush().Color = clRed;
    big.Canvas.Ellipse(lo, lo, hi, hi);
    EXPECT_EQ(big.Where(kRed).size(), 100u);
    EXPECT_TRUE(big.PaddingUntouched());
    big.Canvas.Ellipse(-5, -5, 5, 5);
    EXPECT_TRUE(big.PaddingUntouched());
}

TEST(BufferCanvas, TextOutFillsTheCellAndWritesTheGlyphsInTheFontColour) {
    TBuffer8 b(120, 30);
    TFont& font = b.Canvas.Font();
    font.Name = "Arial";
    font.Size = 8;
    font.Color = clWhite;
    b.Canvas.Brush().Color = clBlack;
    const int w = b.Canvas.TextWidth("Zone 12");
    const int h = b.Canvas.TextHeight("Zone 12");
    ASSERT_GT(w, 20);
    EXPECT_GE(h, 11); // 11 px em
    EXPECT_LE(h, 16);
    b.Canvas.TextOut(10, 5, "Zone 12");
    int white = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x) {
            const bool inCell = x >= 10 && x < 10 + w && y >= 5 && y < 5 + h;
            if (!inCell) {
                EXPECT_EQ(b.At(x, y), 9) << x << "," << y;
                continue;
            }
            EXPECT_TRUE(b.At(x, y) == kBlack || b.At(x, y) == kWhite);
            white += b.At(x, y) == kWhite;
        }
    EXPECT_GT(white, 20);
    EXPECT_LT(white, w * h / 2);
    EXPECT_EQ(b.Canvas.PenPos().X, 10 + w);
}

// A name of a megabyte is drawn, measured and kept as a mask as its first few hundred
// characters are.
TEST(BufferCanvas, AHugeTextCostsWhatItsDrawnStartCosts) {
    TBuffer8 b(120, 30);
    b.Canvas.Font().Name = "Arial";
    b.Canvas.Font().Size = 8;
    const std::string Huge(size_t(1) << 20, 'N');
    const int Drawn = b.Canvas.TextWidth(std::string(size_t(MaxDrawnCharacters), 'N'));
    EXPECT_EQ(b.Canvas.TextWidth(Huge), Drawn);
    EXPECT_LT(b.Canvas.TextWidth(std::string(size_t(MaxDrawnCharacters) - 1, 'N')), Drawn);
    b.Canvas.TextOut(0, 0, Huge);
    EXPECT_EQ(b.Canvas.PenPos().X, Drawn);
}

TEST(BufferCanvas, TextOutWithAClearBrushLeavesTheBackground) {
    TBuffer8 b(80, 20);
    b.Canvas.Font().Name = "Arial";
    b.Canvas.Font().Color = clRed;
    b.Canvas.Brush().Style = TBrushStyle::bsClear;
    b.Canvas.TextOut(2, 2, "Hello");
    EXPECT_FALSE(b.Where(kRed).empty());
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            EXPECT_TRUE(b.At(x, y) == 9 || b.At(x, y) == kRed);
}

TEST(BufferCanvas, FontSizeAndStyleChangeTheMetrics) {
    TBufferCanvas canvas;
    canvas.Font().Name = "Arial";
    canvas.Font().Size = 8;
    const int small = canvas.TextHeight("X");
    const int normal = canvas.TextWidth("Bold text");
    canvas.Font().Size = 16;
    EXPECT_GT(canvas.TextHeight("X"), small * 3 / 2);
    canvas.Font().Size = 8;
    canvas.Font().Style = fsBold;
    EXPECT_GT(canvas.TextWidth("Bold text"), normal);
}

TEST(BufferCanvas, TextIsClippedAtEveryEdge) {
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    TBuffer8 b(30, 10);
    b.Canvas.Font().Name = "Arial";
    b.Canvas.Font().Style = fsItalic | fsUnderline | fsStrikeOut;
    b.Canvas.Brush().Color = clBlue;
    for (auto [x, y] : {std::pair{-20, -5}, {20, 4}, {lo, lo}, {hi, hi}, {hi - 3, 0}, {0, lo + 1}})
        b.Canvas.TextOut(x, y, "Clipped text");
    EXPECT_TRUE(b.PaddingUntouched());
    EXPECT_FALSE(b.Where(kBlue).empty());
}

TEST(BufferCanvas, StretchDrawCopiesIndicesWhenThePalettesMatch) {
    TBuffer8 b(8, 6);
    // Indices 10 and 11 are black in both tables: a copy keeps them, mapping would not.
    auto bitmap = MakeBitmap(2, 2, BufferTable(), {kRed, 10, 11, kBlue});
    b.Canvas.StretchDraw({1, 1, 5, 5}, *bitmap);
    const std::vector<uint8_t> row1 = {9, kRed, kRed, 10, 10, 9, 9, 9};
    const std::vector<uint8_t> row4 = {9, 11, 11, kBlue, kBlue, 9, 9, 9};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(b.At(x, 1), row1[size_t(x)]) << x;
        EXPECT_EQ(b.At(x, 2), row1[size_t(x)]) << x;
        EXPECT_EQ(b.At(x, 4), row4[size_t(x)]) << x;
    }
    EXPECT_EQ(b.At(1, 5), 9);
}

TEST(BufferCanvas, StretchDrawMapsOtherPalettesToTheNearestIndex) {
    TBuffer8 b(6, 2);
    const std::vector<TRGBQuad> palette = {
        {250, 250, 250, 0}, {10, 240, 250, 0}, {130, 120, 125, 0}};
    auto bitmap = MakeBitmap(3, 1, palette, {0, 1, 2});
    b.Canvas.StretchDraw({0, 0, 6, 2}, *bitmap);
    const std::vector<uint8_t> expected = {kWhite, kWhite, kYellow, kYellow, kGrey, kGrey};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(b.At(x, 0), expected[size_t(x)]) << x;
        EXPECT_EQ(b.At(x, 1), expected[size_t(x)]) << x;
    }
}

TEST(BufferCanvas, StretchDrawShrinksByTakingThePixelUnderEachCentre) {
    TBuffer8 b(3, 1);
    auto bitmap = MakeBitmap(6, 1, BufferTable(), {0, 1, 2, 3, 4, 5});
    b.Canvas.StretchDraw({0, 0, 3, 1}, *bitmap);
    EXPECT_EQ(b.At(0, 0), 1);
    EXPECT_EQ(b.At(1, 0), 3);
    EXPECT_EQ(b.At(2, 0), 5);
}

TEST(BufferCanvas, DrawCopiesAtSizeAndClips) {
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    TBuffer8 b(4, 4);
    auto bitmap = MakeBitmap(3, 2, BufferTable(), {1, 2, 3, 4, 5, 0});
    b.Canvas.Draw(-1, 3, *bitmap);
    const std::vector<uint8_t> row3 = {2, 3, 9, 9};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(b.At(x, 3), row3[size_t(x)]) << x;
    b.Canvas.Draw(hi - 1, hi - 1, *bitmap);
    b.Canvas.Draw(std::numeric_limits<int32_t>::min(), 0, *bitmap);
    EXPECT_TRUE(b.PaddingUntouched());
    EXPECT_EQ(b.At(0, 0), 9);
}

TEST(BufferCanvas, StretchDrawIntoSixteenBitsPacksTheBitmapColours) {
    std::vector<uint16_t> words(2, 0);
    TBufferCanvas canvas;
    canvas.Bind(reinterpret_cast<uint8_t*>(words.data()), 2, 1, 4, TBufferFormat::bf16);
    auto bitmap = MakeBitmap(2, 1, {{0, 0, 255, 0}, {255, 0, 0, 0}}, {0, 1});
    canvas.Draw(0, 0, *bitmap);
    EXPECT_EQ(words[0], 0xF800);
    EXPECT_EQ(words[1], 0x001F);
}

TEST(BufferCanvas, AnUnboundCanvasDrawsNothingAndDoesNotFail) {
    TBufferCanvas canvas;
    EXPECT_FALSE(canvas.Bound());
    canvas.MoveTo(0, 0);
    canvas.LineTo(10, 10);
    canvas.Rectangle(0, 0, 5, 5);
    canvas.FillRect({0, 0, 5, 5});
    canvas.Ellipse(0, 0, 5, 5);
    canvas.TextOut(0, 0, "x");
    EXPECT_EQ(canvas.ClipRect(), TRect{});
    std::vector<uint8_t> bits(16, 7);
    canvas.Bind(bits.data(), 4, 4, 4, TBufferFormat::bf8);
    EXPECT_TRUE(canvas.Bound());
    EXPECT_EQ(canvas.ClipRect(), (TRect{0, 0, 4, 4}));
    canvas.Unbind();
    canvas.FillRect({0, 0, 4, 4});
    EXPECT_EQ(bits[0], 7);
}

TEST(WidgetCanvas, DrawsWithQPainterInsideTheClip) {
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        TWidgetCanvas canvas;
        canvas.Begin(&painter, {0, 0, 15, 10});
        EXPECT_EQ(canvas.ClipRect(), (TRect{0, 0, 15, 10}));
        canvas.Brush().Color = clBlue;
        canvas.Pen().Color = clWhite;
        canvas.Rectangle(2, 2, 8, 8);
        canvas.MoveTo(0, 0);
        canvas.LineTo(5, 0);
        canvas.FillRect({10, 0, 20, 10}); // half outside the clip
        canvas.End();
        EXPECT_EQ(canvas.Painter(), nullptr);
    }
    EXPECT_EQ(image.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(7, 7), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(8, 8), qRgb(0, 0, 0)); // right and bottom exclusive
    EXPECT_EQ(image.pixel(4, 4), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(4, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(5, 0), qRgb(0, 0, 0)); // line end excluded
    EXPECT_EQ(image.pixel(12, 5), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(17, 5), qRgb(0, 0, 0)); // clipped
}

TEST(WidgetCanvas, TextOutFillsTheCellWithASolidBrush) {
    QImage image(80, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    TWidgetCanvas canvas;
    int w = 0;
    {
        QPainter painter(&image);
        canvas.Begin(&painter, {0, 0, 80, 20});
        canvas.Font().Name = "Arial";
        canvas.Font().Color = clWhite;
        canvas.Brush().Color = clBlack;
        w = canvas.TextWidth("Text");
        canvas.TextOut(1, 1, "Text");
        canvas.End();
    }
    ASSERT_GT(w, 5);
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1 + w, 1), qRgb(255, 255, 255));
}
