#include "graphics/DIBCanvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <set>
#include <utility>
#include <vector>

namespace {

using Pixel = std::pair<int32_t, int32_t>;
using PixelSet = std::set<Pixel>;

// A canvas over its own zeroed memory, sized the way the surface sizes it: depth, width,
// height.
struct TestCanvas {
    TestCanvas(int32_t W, int32_t H, TBitDepth Depth = bd8, bool BottomUp = false) {
        Canvas.SetBitDepth(Depth);
        Canvas.SetWidth(W);
        Canvas.SetHeight(H);
        Canvas.SetBottomUp(BottomUp);
        Memory.assign(size_t(Canvas.BufferSize()), 0);
        Canvas.SetBits(Memory.data());
    }

    // Pixel (x, y) as the canvas addresses it, read straight from memory.
    uint16_t At(int32_t X, int32_t Y) const {
        const int32_t Row = Canvas.BottomUp() ? Canvas.Height() - 1 - Y : Y;
        const size_t Index = size_t(Row) * size_t(Canvas.Width()) + size_t(X);
        if (Canvas.BitDepth() == bd8)
            return Memory[Index];
        uint16_t Word;
        std::memcpy(&Word, &Memory[Index * 2], 2);
        return Word;
    }

    PixelSet Painted() const {
        PixelSet Result;
        for (int32_t Y = 0; Y < Canvas.Height(); ++Y)
            for (int32_t X = 0; X < Canvas.Width(); ++X)
                if (At(X, Y) != 0)
                    Result.insert({X, Y});
        return Result;
    }

    TDIBCanvas Canvas;
    std::vector<uint8_t> Memory;
};

TEST(DIBCanvas, WidthMustBeAMultipleOfFour) {
    TDIBCanvas Canvas;
    Canvas.SetWidth(444);
    EXPECT_EQ(Canvas.Width(), 444);
    try {
        Canvas.SetWidth(446);
        FAIL() << "446 accepted";
    } catch (const EInvalidWidth& E) {
        EXPECT_STREQ(E.what(), "Width must be a multiple of 4");
    }
    EXPECT_EQ(Canvas.Width(), 444);
    EXPECT_EQ(Canvas.ClipRect().Right, 443);
    Canvas.SetWidth(0);
    EXPECT_EQ(Canvas.Width(), 0);
}

TEST(DIBCanvas, GeometryFollowsDepthWidthAndHeight) {
    TDIBCanvas Canvas;
    Canvas.SetBitDepth(bd16);
    Canvas.SetWidth(8);
    Canvas.SetHeight(3);
    EXPECT_EQ(Canvas.PixelCount(), 24);
    EXPECT_EQ(Canvas.BufferSize(), 48);
    EXPECT_EQ(Canvas.RowBytes16(), 16);
    EXPECT_EQ(Canvas.ClipRect(), (TRect{0, 0, 7, 2}));
    Canvas.SetBitDepth(bd8);
    EXPECT_EQ(Canvas.BufferSize(), 24);
    Canvas.SetBitDepth(bd15);
    EXPECT_EQ(Canvas.BufferSize(), 48);
}

TEST(DIBCanvas, UnsizedCanvasDrawsNothingAndDoesNotCrash) {
    TDIBCanvas Canvas;
    Canvas.Clear();
    Canvas.FillRect(TRect{0, 0, 10, 10});
    Canvas.MoveTo(0, 0);
    Canvas.LineTo(5, 5);
    EXPECT_EQ(Canvas.PenPos(), (TPoint{5, 5}));
}

struct LineCase {
    const char* Name;
    int32_t W, H;
    TPoint From, To;
    PixelSet Expected;
};

class DIBCanvasLines : public ::testing::TestWithParam<TBitDepth> {};

TEST_P(DIBCanvasLines, RasterisesAndClipsSegments) {
    const std::vector<LineCase> Cases = {
        {"shallow",
         8,
         3,
         {0, 0},
         {7, 2},
         {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 2}, {7, 2}}},
        {"shallow reversed",
         8,
         3,
         {7, 2},
         {0, 0},
         {{7, 2}, {6, 2}, {5, 1}, {4, 1}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}},
        {"steep", 4, 5, {0, 0}, {1, 4}, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {1, 4}}},
        {"diagonal up", 4, 4, {0, 3}, {3, 0}, {{0, 3}, {1, 2}, {2, 1}, {3, 0}}},
        {"single point", 4, 4, {2, 2}, {2, 2}, {{2, 2}}},
        {"leaves at the bottom", 8, 4, {3, 1}, {3, 9}, {{3, 1}, {3, 2}, {3, 3}}},
        {"crosses the whole canvas",
         8,
         4,
         {-5, 1},
         {12, 1},
         {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}}},
        {"enters from the top left", 4, 4, {-2, -2}, {1, 1}, {{0, 0}, {1, 1}}},
        // The crossing 1.25 * 2 + 0 = 2.5 becomes 3 (not rounded to even).
        {"half crossing rounds up", 4, 8, {1, 0}, {5, 5}, {{1, 0}, {2, 1}, {2, 2}, {3, 3}}},
        {"wholly left", 8, 8, {-10, -10}, {-1, 20}, {}},
        {"passes beside a corner", 8, 8, {6, -3}, {10, 1}, {}},
        {"wholly below", 8, 8, {0, 8}, {7, 100}, {}},
    };
    for (const LineCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TestCanvas T(C.W, C.H, GetParam());
        T.Canvas.SetPenColor(0xA5C3);
        T.Canvas.MoveTo(C.From.X, C.From.Y);
        T.Canvas.LineTo(C.To.X, C.To.Y);
        EXPECT_EQ(T.Painted(), C.Expected);
        EXPECT_EQ(T.Canvas.PenPos(), C.To);
        for (const Pixel& P : T.Painted())
            EXPECT_EQ(T.At(P.first, P.second), GetParam() == bd8 ? 0xC3 : 0xA5C3);
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, DIBCanvasLines, ::testing::Values(bd8, bd16));

TEST(DIBCanvas, FarAwayEndPointPaintsOnlyTheVisiblePart) {
    TestCanvas T(8, 8);
    T.Canvas.SetPenColor(1);
    T.Canvas.MoveTo(0, 4);
    const int32_t Far = std::numeric_limits<int32_t>::max();
    T.Canvas.LineTo(Far, 4);
    PixelSet Row;
    for (int32_t X = 0; X < 8; ++X)
        Row.insert({X, 4});
    EXPECT_EQ(T.Painted(), Row);
    EXPECT_EQ(T.Canvas.PenPos(), (TPoint{Far, 4}));
}

TEST(DIBCanvas, PolylineContinuesFromTheUnclippedEnd) {
    TestCanvas T(8, 8);
    T.Canvas.SetPenColor(1);
    T.Canvas.MoveTo(2, 2);
    T.Canvas.LineTo(2, 20);  // leaves the canvas
    T.Canvas.LineTo(20, 20); // wholly outside: nothing
    T.Canvas.LineTo(5, 5);   // comes back along the diagonal
    PixelSet Expected;
    for (int32_t Y = 2; Y < 8; ++Y)
        Expected.insert({2, Y});
    for (int32_t I = 5; I < 8; ++I)
        Expected.insert({I, I});
    EXPECT_EQ(T.Painted(), Expected);
}

TEST(DIBCanvas, ClipLineMovesBothEndsOntoTheRectangle) {
    TDIBCanvas Canvas;
    Canvas.SetWidth(8);
    Canvas.SetHeight(8);
    Canvas.SetLineSegment(-4, 3, 11, 3);
    ASSERT_TRUE(Canvas.ClipLine());
    EXPECT_EQ(Canvas.LineSegment(), (TRect{0, 3, 7, 3}));
    Canvas.SetLineSegment(3, -4, 3, 11);
    ASSERT_TRUE(Canvas.ClipLine());
    EXPECT_EQ(Canvas.LineSegment(), (TRect{3, 0, 3, 7}));
}

TEST(DIBCanvas, BottomUpAddressesRowsFromTheEndOfMemory) {
    for (TBitDepth Depth : {bd8, bd15}) {
        SCOPED_TRACE(int(Depth));
        TestCanvas T(4, 3, Depth, true);
        T.Canvas.SetPixel(0, 0, 9);
        const size_t LastRow = Depth == bd8 ? 2 * 4 : 2 * 4 * 2;
        EXPECT_EQ(T.Memory[LastRow], 9);
        EXPECT_EQ(T.Canvas.GetPixel(0, 0), 9);

        T.Canvas.SetPenColor(5);
        T.Canvas.MoveTo(0, 2);
        T.Canvas.LineTo(3, 2);
        EXPECT_EQ(T.Memory[0], 5); // pixel row 2 is memory row 0

        T.Canvas.SetBrushColor(7);
        T.Canvas.FillRect(TRect{1, 0, 3, 2});
        EXPECT_EQ(T.At(1, 0), 7);
        EXPECT_EQ(T.At(2, 1), 7);
        EXPECT_EQ(T.At(1, 2), 5);
        EXPECT_EQ(T.Canvas.GetPixel(2, 1), 7);
    }
}

TEST(DIBCanvas, RowOrderCanChangeAfterSizing) {
    TestCanvas T(4, 2);
    T.Canvas.SetBottomUp(true);
    T.Canvas.SetPixel(1, 0, 3);
    EXPECT_EQ(T.Memory[4 + 1], 3);
    T.Canvas.SetBottomUp(false);
    EXPECT_EQ(T.Canvas.GetPixel(1, 1), 3);
}

TEST(DIBCanvas, PixelsOfSixteenBitCanvasHoldWholeWords) {
    TestCanvas T(4, 2, bd16);
    T.Canvas.SetPixel(3, 1, 0xBEEF);
    EXPECT_EQ(T.Canvas.GetPixel(3, 1), 0xBEEF);
    EXPECT_EQ(T.Memory[14], 0xEF); // little-endian word 7
    EXPECT_EQ(T.Memory[15], 0xBE);
}

TEST(DIBCanvas, BlankFillsEveryElementAndKeepsTheBrush) {
    TestCanvas T(12, 5);
    T.Canvas.SetBrushColor(3);
    T.Canvas.Blank(7);
    for (uint8_t B : T.Memory)
        ASSERT_EQ(B, 7);
    EXPECT_EQ(T.Canvas.BrushColor(), 3);

    TestCanvas W(4, 3, bd16);
    W.Canvas.Blank(0x1234);
    for (int32_t Y = 0; Y < 3; ++Y)
        for (int32_t X = 0; X < 4; ++X)
            ASSERT_EQ(W.At(X, Y), 0x1234);
}

TEST(DIBCanvas, ClearUsesTheLowByteOfTheBrushAtEightBits) {
    TestCanvas T(4, 1);
    T.Canvas.SetBrushColor(0x1207);
    T.Canvas.Clear();
    EXPECT_EQ(T.Memory, std::vector<uint8_t>(4, 7));
}

PixelSet Block(int32_t X, int32_t Y, int32_t W, int32_t H) {
    PixelSet S;
    for (int32_t J = Y; J < Y + H; ++J)
        for (int32_t I = X; I < X + W; ++I)
            S.insert({I, J});
    return S;
}

struct FillCase {
    const char* Name;
    TRect Rect;
    PixelSet Expected;
};

class DIBCanvasFills : public ::testing::TestWithParam<TBitDepth> {};

TEST_P(DIBCanvasFills, FillsOnlyThePartInsideTheCanvas) {
    const int32_t W = 8, H = 6;
    const int32_t Min = std::numeric_limits<int32_t>::min();
    const int32_t Max = std::numeric_limits<int32_t>::max();
    const std::vector<FillCase> Cases = {
        {"over the top left", {-2, -2, 3, 3}, Block(0, 0, 3, 3)},
        {"over the right edge", {W - 1, 0, W + 5, 1}, {{W - 1, 0}}},
        {"over the bottom", {2, H - 2, 4, H + 9}, Block(2, H - 2, 2, 2)},
        {"empty width", {3, 1, 3, 4}, {}},
        {"empty height", {3, 1, 5, 1}, {}},
        {"inverted", {5, 4, 2, 1}, {}},
        {"wholly right", {W, 0, W + 3, 2}, {}},
        {"wholly above", {0, -5, 4, 0}, {}},
        {"everything", {Min, Min, Max, Max}, Block(0, 0, W, H)},
    };
    for (const FillCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TestCanvas T(W, H, GetParam());
        T.Canvas.SetBrushColor(0x0F0E);
        T.Canvas.FillRect(C.Rect);
        EXPECT_EQ(T.Painted(), C.Expected);
    }
}

// Every start and width within a row, so that the four-byte stores and the remainder
// never touch a pixel beside the rectangle.
TEST_P(DIBCanvasFills, WideStoresStayInsideTheRow) {
    const int32_t W = 16;
    for (int32_t X = 0; X < 5; ++X) {
        for (int32_t Width = 1; Width <= 11; ++Width) {
            SCOPED_TRACE(testing::Message() << "x " << X << " width " << Width);
            TestCanvas T(W, 3, GetParam());
            T.Canvas.SetBrushColor(0x0201);
            T.Canvas.FillRect(TRect{X, 1, X + Width, 2});
            EXPECT_EQ(T.Painted(), Block(X, 1, Width, 1));
            EXPECT_EQ(T.At(X, 1), GetParam() == bd8 ? 0x01 : 0x0201);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, DIBCanvasFills, ::testing::Values(bd8, bd16));

TEST(BitDepths, SetOperations) {
    TBitDepths S{bd8, bd16};
    EXPECT_TRUE(S.Contains(bd8));
    EXPECT_FALSE(S.Contains(bd15));
    S.Exclude(bd8);
    S.Include(bd15);
    EXPECT_EQ(S, (TBitDepths{bd15, bd16}));
    EXPECT_EQ(S * TBitDepths{bd16}, TBitDepths{bd16});
    EXPECT_TRUE(TBitDepths().Empty());
}

} // namespace
