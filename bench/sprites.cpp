// Frame cost of the sprite surface over compressed-bitmap backgrounds (map-like and noisy
// art, each beside a memset of the frame), the engine's per-sprite cost at 20,000 sprites
// with 1% visible, and the compression of both kinds of art.

#include "BenchMain.h"
#include "graphics/ColorPalette.h"
#include "graphics/CompressedBitmapSprite.h"
#include "platform/Bitmap.h"
#include "sprites/Velmora.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int32_t FrameWidth = 1920;
constexpr int32_t FrameHeight = 1080;
constexpr int32_t Tile = 512;

enum class TArt { Map, Map8, Noise };

// Smooth value noise in [0, 1): a few octaves of bilinear lattice noise.
double ValueNoise(double X, double Y, uint32_t Seed) {
    auto lattice = [Seed](int32_t I, int32_t J) {
        uint32_t h = uint32_t(I) * 374761393u + uint32_t(J) * 668265263u + Seed * 2246822519u;
        h = (h ^ (h >> 13)) * 1274126177u;
        return double((h ^ (h >> 16)) & 0xFFFF) / 65536.0;
    };
    const int32_t i = int32_t(std::floor(X));
    const int32_t j = int32_t(std::floor(Y));
    const double fx = X - i;
    const double fy = Y - j;
    const double sx = fx * fx * (3 - 2 * fx);
    const double sy = fy * fy * (3 - 2 * fy);
    const double top = lattice(i, j) * (1 - sx) + lattice(i + 1, j) * sx;
    const double bottom = lattice(i, j + 1) * (1 - sx) + lattice(i + 1, j + 1) * sx;
    return top * (1 - sy) + bottom * sy;
}

// Map: sea and a few land shades with coastlines, as a map background looks. Map8: the
// same relief cut into many more bands, so that runs average about 8 pixels. Noise: every
// pixel drawn at random.
std::unique_ptr<TBitmap> MakeArt(TArt Art, uint32_t Seed) {
    auto bm = std::make_unique<TBitmap>();
    bm->SetPixelFormat(TPixelFormat::pf8bit);
    bm->SetSize(Tile, Tile);
    std::mt19937 rng(Seed);
    for (int32_t y = 0; y < Tile; ++y) {
        uint8_t* line = bm->ScanLine(y);
        for (int32_t x = 0; x < Tile; ++x) {
            if (Art == TArt::Noise) {
                line[x] = uint8_t(rng());
                continue;
            }
            double v = 0;
            double amplitude = 0.5;
            double frequency = 1.0 / 128;
            for (int octave = 0; octave < 5; ++octave) {
                v += amplitude * ValueNoise(x * frequency, y * frequency, Seed + uint32_t(octave));
                amplitude /= 2;
                frequency *= 2;
            }
            const int bands = Art == TArt::Map ? 6 : 40;
            line[x] = uint8_t(10 + int(v * bands) % 236);
        }
    }
    return bm;
}

double AverageRun(const TCompressedBitmap& C) {
    return C.RunCount() ? double(C.Width()) * C.Height() / C.RunCount() : 0;
}

// A full-HD surface whose background engine holds a 5 x 3 grid of 512 x 512 elements
// (four different pictures), placed so that the view cuts elements at every edge.
struct TBackground {
    TColorPalette Palette;
    TSpriteSurface Surface;
    TSpriteEngine Engine;
    std::vector<std::unique_ptr<TCompressedBitmapSpriteFactory>> Factories;
    double RunLength = 0;
    explicit TBackground(TArt Art) {
        Palette.RecreateHandle(false);
        Surface.SetColorPalette(&Palette);
        Surface.SetBounds(0, 0, FrameWidth, FrameHeight);
        Surface.SetUseVirtualSize(true);
        Surface.SetVirtualWidth(5 * Tile);
        Surface.SetVirtualHeight(3 * Tile);
        Surface.SetOffsetX(300);
        Surface.SetOffsetY(200);
        Engine.SetSpriteSurface(&Surface);
        for (uint32_t i = 0; i < 4; ++i) {
            auto bm = MakeArt(Art, 17 + i);
            auto factory = std::make_unique<TCompressedBitmapSpriteFactory>();
            factory->SetBitmap(bm.get());
            RunLength += AverageRun(factory->CompressedBitmap()) / 4;
            Factories.push_back(std::move(factory));
        }
        for (int32_t row = 0; row < 3; ++row)
            for (int32_t col = 0; col < 5; ++col) {
                TSprite* s = Engine.AddSprite(Factories[size_t(row * 5 + col) % 4]->CreateSprite());
                s->SetX(float(col * Tile));
                s->SetY(float(row * Tile));
            }
        Surface.Render(); // admits the elements and builds the buffer
    }
    // The part of the element at (Row, Col) inside the view, in view pixels: [X0, X1) x
    // [Y0, Y1), empty when X1 <= X0 or Y1 <= Y0.
    struct TVisible {
        int64_t X0, X1, Y0, Y1;
    };
    TVisible Visible(int32_t Row, int32_t Col) const {
        const int64_t ox = Surface.OffsetX();
        const int64_t oy = Surface.OffsetY();
        return {std::max<int64_t>(Col * Tile - ox, 0),
                std::min<int64_t>((Col + 1) * Tile - ox, FrameWidth),
                std::max<int64_t>(Row * Tile - oy, 0),
                std::min<int64_t>((Row + 1) * Tile - oy, FrameHeight)};
    }
    // Pixels the elements paint per frame over the frame's pixels: 1 when they tile the
    // view without overlap.
    double Coverage() const {
        int64_t painted = 0;
        for (int32_t row = 0; row < 3; ++row)
            for (int32_t col = 0; col < 5; ++col) {
                const TVisible v = Visible(row, col);
                if (v.X1 > v.X0 && v.Y1 > v.Y0)
                    painted += (v.X1 - v.X0) * (v.Y1 - v.Y0);
            }
        return double(painted) / (double(FrameWidth) * FrameHeight);
    }
};

void BM_Frame(benchmark::State& State, TArt Art) {
    TBackground b(Art);
    for (auto _ : State) {
        b.Surface.Render();
        benchmark::ClobberMemory();
    }
    State.counters["avg_run_px"] = b.RunLength;
    State.counters["coverage"] = b.Coverage();
    State.SetBytesProcessed(int64_t(State.iterations()) * FrameWidth * FrameHeight);
}

// The background engine's drawing pass alone, without the rest of the frame.
void BM_FrameDraw(benchmark::State& State, TArt Art) {
    TBackground b(Art);
    for (auto _ : State) {
        b.Engine.DrawSprites(b.Surface.BufferCanvas(), b.Surface.DIBCanvas());
        benchmark::ClobberMemory();
    }
    State.counters["avg_run_px"] = b.RunLength;
    State.counters["coverage"] = b.Coverage();
    State.SetBytesProcessed(int64_t(State.iterations()) * FrameWidth * FrameHeight);
}

void BM_Frame_Memset(benchmark::State& State) {
    std::vector<uint8_t> frame(size_t(FrameWidth) * FrameHeight);
    int color = 0;
    for (auto _ : State) {
        std::memset(frame.data(), ++color & 0xFF, frame.size());
        benchmark::ClobberMemory();
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * int64_t(frame.size()));
}

// The least any drawing of the background can cost: each element's visible part of every
// row filled with memset, one colour, no runs. The gap to BM_Frame_Memset is the price of
// the layout alone (a span per element and row, lines shared at element edges).
void BM_Frame_SpanFill(benchmark::State& State) {
    TBackground b(TArt::Map);
    uint8_t* bits = b.Surface.DIBCanvas().Bits();
    // The library's memset, as the frame memset uses: the compiler would inline a string
    // store here whose start-up costs more than these spans.
    void* (*volatile fill)(void*, int, size_t) = std::memset;
    int color = 0;
    for (auto _ : State) {
        ++color;
        for (int32_t row = 0; row < 3; ++row)
            for (int32_t col = 0; col < 5; ++col) {
                const TBackground::TVisible v = b.Visible(row, col);
                for (int64_t y = v.Y0; y < v.Y1; ++y)
                    fill(bits + y * FrameWidth + v.X0, (color + col) & 0xFF,
                         size_t(std::max<int64_t>(v.X1 - v.X0, 0)));
            }
        benchmark::ClobberMemory();
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * FrameWidth * FrameHeight);
}

void BM_Compression(benchmark::State& State, TArt Art) {
    auto bm = MakeArt(Art, 17);
    float compression = 0;
    for (auto _ : State) {
        TCompressedBitmapSpriteFactory factory;
        factory.SetBitmap(bm.get());
        compression = factory.Compression();
        benchmark::DoNotOptimize(compression);
    }
    State.counters["Compression"] = compression;
    State.SetBytesProcessed(int64_t(State.iterations()) * Tile * Tile);
}

// ---- engine scale: 20,000 small sprites on a 10 x 10 view area, 1% visible ----

constexpr int SpriteTotal = 20000;
constexpr int VisibleEvery = 100;

struct TCrowd {
    TColorPalette Palette;
    TSpriteSurface Surface;
    TSpriteEngine Engine;
    TCompressedBitmapSpriteFactory Factory;
    TCrowd() {
        Palette.RecreateHandle(false);
        Surface.SetColorPalette(&Palette);
        Surface.SetBounds(0, 0, FrameWidth, FrameHeight);
        Surface.SetUseVirtualSize(true);
        Surface.SetVirtualWidth(200000);
        Surface.SetVirtualHeight(FrameHeight);
        Engine.SetSpriteSurface(&Surface);
        auto bm = MakeArt(TArt::Map, 5);
        bm->SetSize(16, 16);
        Factory.SetBitmap(bm.get());
        Surface.Render();
    }
    void Fill() {
        std::mt19937 rng(3);
        for (int i = 0; i < SpriteTotal; ++i) {
            TSprite* s = Engine.AddSprite(Factory.CreateSprite());
            const bool visible = i % VisibleEvery == 0;
            s->SetX(float(visible ? rng() % (FrameWidth - 16) : FrameWidth + rng() % 190000));
            s->SetY(float(rng() % (FrameHeight - 16)));
        }
    }
};

void PerSprite(benchmark::State& State) {
    State.counters["ns_per_sprite"] =
        benchmark::Counter(double(SpriteTotal), benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
}

// Admission of 20,000 pending sprites (plus the movement pass of the same call, measured
// on its own below).
void BM_Engine_Admission(benchmark::State& State) {
    TCrowd c;
    for (auto _ : State) {
        State.PauseTiming();
        c.Engine.Clear();
        c.Fill();
        State.ResumeTiming();
        c.Engine.ProcessSprites();
    }
    PerSprite(State);
}

void BM_Engine_Movement(benchmark::State& State) {
    TCrowd c;
    c.Fill();
    c.Engine.ProcessSprites();
    for (auto _ : State)
        c.Engine.ProcessSprites();
    PerSprite(State);
}

// The drawing pass: 200 sprites drawn, 19,800 culled against the clip rectangle.
void BM_Engine_DrawAndCull(benchmark::State& State) {
    TCrowd c;
    c.Fill();
    c.Engine.ProcessSprites();
    for (auto _ : State) {
        c.Engine.DrawSprites(c.Surface.BufferCanvas(), c.Surface.DIBCanvas());
        benchmark::ClobberMemory();
    }
    PerSprite(State);
}

void BM_Engine_Frame(benchmark::State& State) {
    TCrowd c;
    c.Fill();
    c.Surface.Render();
    for (auto _ : State)
        c.Surface.Render();
    PerSprite(State);
}

} // namespace

// With --benchmark_repetitions, the fastest repetition too: on a shared machine it is the
// steadiest figure for ratios between frames and the memset.
double Fastest(const std::vector<double>& V) {
    return V.empty() ? 0 : *std::min_element(V.begin(), V.end());
}

BENCHMARK(BM_Frame_Memset)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);
BENCHMARK(BM_Frame_SpanFill)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Frame, map_like, TArt::Map)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Frame, map_like_run8, TArt::Map8)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Frame, noisy, TArt::Noise)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_FrameDraw, map_like, TArt::Map)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_FrameDraw, map_like_run8, TArt::Map8)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_FrameDraw, noisy, TArt::Noise)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Compression, map_like, TArt::Map)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Compression, map_like_run8, TArt::Map8)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Compression, noisy, TArt::Noise)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_Admission)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_Movement)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_DrawAndCull)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_Frame)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
