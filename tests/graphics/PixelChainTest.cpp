#include "graphics/PixelChain.h"
#include "graphics/DIBCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

namespace {

struct TMemoryCanvas {
    TMemoryCanvas(int32_t W, int32_t H, TBitDepth Depth) {
        Canvas.SetBitDepth(Depth);
        Canvas.SetWidth(W);
        Canvas.SetHeight(H);
        Memory.assign(size_t(Canvas.BufferSize()), 0);
        Canvas.SetBits(Memory.data());
        Canvas.SetPenColor(Depth == bd8 ? 0x5A : 0x7C1F);
    }
    TDIBCanvas Canvas;
    std::vector<uint8_t> Memory;
};

int32_t Clamp32(int64_t V) {
    return int32_t(std::clamp<int64_t>(V, INT32_MIN, INT32_MAX));
}

// Random closed outlines, some wholly inside the canvas, most over its edges, some with
// strokes longer than 255 pixels or points far beyond the 32-bit range, replayed at
// random shifts: the pixels and the canvas's pen and segment afterwards must be those of
// the canvas's own MoveTo and LineTo calls.
TEST(PixelChain, DrawsWhatTheLinesDrawAnywhere) {
    std::mt19937 Random(19);
    int Whole = 0, Partial = 0;
    for (const TBitDepth Depth : {bd8, bd16}) {
        for (int Case = 0; Case < 400; ++Case) {
            const int32_t W = 40 + 4 * int32_t(Random() % 20), H = 30 + int32_t(Random() % 50);
            const int64_t Spread = Case % 10 == 0 ? 600 : 60;
            std::vector<TPixelChain::TPoint64> Points(1 + Random() % 40);
            int64_t X = int64_t(Random() % 60), Y = int64_t(Random() % 60);
            for (auto& P : Points) {
                X += int64_t(Random() % 13) - 6;
                Y += int64_t(Random() % 13) - 6;
                if (Random() % 17 == 0)
                    X += int64_t(Random() % (2 * Spread)) - Spread;
                P = {X, Y};
            }
            TPixelChain Chain;
            ASSERT_TRUE(Chain.Build(Points.data(), Points.size(), SIZE_MAX));
            const bool Far = Case % 50 == 7;
            const int64_t DX = Far ? INT64_C(3) << 31 : int64_t(Random() % 120) - 60;
            const int64_t DY = int64_t(Random() % 100) - 50;

            const bool Inside = Chain.Left() + DX >= 0 && Chain.Right() + DX < W &&
                                Chain.Top() + DY >= 0 && Chain.Bottom() + DY < H;
            (Inside ? Whole : Partial) += 1;
            TMemoryCanvas Replayed(W, H, Depth), Drawn(W, H, Depth);
            ASSERT_TRUE(Chain.Draw(Replayed.Canvas, DX, DY));
            Drawn.Canvas.MoveTo(Clamp32(Points[0].X + DX), Clamp32(Points[0].Y + DY));
            for (size_t I = 1; I <= Points.size(); ++I) {
                const auto& P = Points[I % Points.size()];
                Drawn.Canvas.LineTo(Clamp32(P.X + DX), Clamp32(P.Y + DY));
            }
            ASSERT_EQ(Replayed.Memory, Drawn.Memory) << "case " << Case;
            ASSERT_EQ(Replayed.Canvas.PenPos(), Drawn.Canvas.PenPos()) << "case " << Case;
            ASSERT_EQ(Replayed.Canvas.LineSegment(), Drawn.Canvas.LineSegment()) << "case " << Case;
        }
    }
    EXPECT_GT(Whole, 40);
    EXPECT_GT(Partial, 40);
}

TEST(PixelChain, RefusesWhatWouldTakeTooManyStepsAndBottomUpCanvases) {
    const std::vector<TPixelChain::TPoint64> Zigzag = {{0, 0}, {300, 0}, {0, 1}, {300, 1}};
    TPixelChain Chain;
    EXPECT_FALSE(Chain.Build(Zigzag.data(), Zigzag.size(), 1000));
    EXPECT_FALSE(Chain.Built());
    ASSERT_TRUE(Chain.Build(Zigzag.data(), Zigzag.size(), 1000000));
    EXPECT_EQ(Chain.StepCount(), 4u * 300u);

    TMemoryCanvas Flipped(400, 4, bd8);
    Flipped.Canvas.SetBottomUp(true);
    EXPECT_FALSE(Chain.Draw(Flipped.Canvas, 0, 0));
    EXPECT_TRUE(std::all_of(Flipped.Memory.begin(), Flipped.Memory.end(),
                            [](uint8_t B) { return B == 0; }));
}

} // namespace
