// The canvas's fills and lines on a full-HD 8-bit frame, each beside std::memset of the same
// number of bytes: the fills should stay within 1.5x of memset.

#include "graphics/DIBCanvas.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int32_t FrameWidth = 1920;
constexpr int32_t FrameHeight = 1080;

struct Frame {
    Frame() : Memory(size_t(FrameWidth) * FrameHeight) {
        Canvas.SetBitDepth(bd8);
        Canvas.SetWidth(FrameWidth);
        Canvas.SetHeight(FrameHeight);
        Canvas.SetBits(Memory.data());
    }
    std::vector<uint8_t> Memory;
    TDIBCanvas Canvas;
};

// An inner rectangle with an odd start and width, so that rows start unaligned and end in a
// remainder.
constexpr TRect FillArea{3, 2, FrameWidth - 6, FrameHeight - 2};

void BM_Clear(benchmark::State& State) {
    Frame F;
    uint16_t Color = 0;
    for (auto _ : State) {
        F.Canvas.SetBrushColor(++Color);
        F.Canvas.Clear();
        benchmark::ClobberMemory();
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * F.Canvas.BufferSize());
}

void BM_Clear_Memset(benchmark::State& State) {
    Frame F;
    int Color = 0;
    for (auto _ : State) {
        std::memset(F.Memory.data(), ++Color & 0xFF, F.Memory.size());
        benchmark::ClobberMemory();
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * int64_t(F.Memory.size()));
}

void BM_FillRect(benchmark::State& State) {
    Frame F;
    uint16_t Color = 0;
    for (auto _ : State) {
        F.Canvas.SetBrushColor(++Color);
        F.Canvas.FillRect(FillArea);
        benchmark::ClobberMemory();
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * FillArea.Width() * FillArea.Height());
}

void BM_FillRect_Memset(benchmark::State& State) {
    Frame F;
    int Color = 0;
    for (auto _ : State) {
        ++Color;
        for (int32_t Y = FillArea.Top; Y < FillArea.Bottom; ++Y)
            std::memset(F.Memory.data() + size_t(Y) * FrameWidth + size_t(FillArea.Left),
                        Color & 0xFF, size_t(FillArea.Width()));
        benchmark::ClobberMemory();
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * FillArea.Width() * FillArea.Height());
}

// A fan of lines from the middle to points all round the border, clipped at the far end:
// every slope, both directions, each line ending outside the frame.
struct Fan {
    std::vector<TPoint> Ends;
    int64_t Pixels = 0;
    Fan() {
        const int32_t Cx = FrameWidth / 2, Cy = FrameHeight / 2;
        // Pixels painted are counted on the clipped segments, as LineTo draws them.
        TDIBCanvas Clipper;
        Clipper.SetWidth(FrameWidth);
        Clipper.SetHeight(FrameHeight);
        auto Add = [&](int32_t X, int32_t Y) {
            Ends.push_back(TPoint{X, Y});
            Clipper.SetLineSegment(Cx, Cy, X, Y);
            if (!Clipper.ClipLine())
                return;
            const TRect S = Clipper.LineSegment();
            Pixels += std::max(std::abs(S.Right - S.Left), std::abs(S.Bottom - S.Top)) + 1;
        };
        for (int32_t X = -40; X < FrameWidth + 40; X += 37) {
            Add(X, -40);
            Add(X, FrameHeight + 40);
        }
        for (int32_t Y = -40; Y < FrameHeight + 40; Y += 37) {
            Add(-40, Y);
            Add(FrameWidth + 40, Y);
        }
    }
};

void BM_LineTo(benchmark::State& State) {
    Frame F;
    const Fan Lines;
    F.Canvas.SetPenColor(7);
    for (auto _ : State) {
        for (const TPoint& End : Lines.Ends) {
            F.Canvas.MoveTo(FrameWidth / 2, FrameHeight / 2);
            F.Canvas.LineTo(End.X, End.Y);
        }
        benchmark::ClobberMemory();
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * Lines.Pixels);
}

void BM_LineTo_Memset(benchmark::State& State) {
    Frame F;
    const Fan Lines;
    int Color = 0;
    for (auto _ : State) {
        std::memset(F.Memory.data(), ++Color & 0xFF, size_t(Lines.Pixels));
        benchmark::ClobberMemory();
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * Lines.Pixels);
}

} // namespace

BENCHMARK(BM_Clear);
BENCHMARK(BM_Clear_Memset);
BENCHMARK(BM_FillRect);
BENCHMARK(BM_FillRect_Memset);
BENCHMARK(BM_LineTo);
BENCHMARK(BM_LineTo_Memset);

BENCHMARK_MAIN();
