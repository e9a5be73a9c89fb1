// Tracing a 10-megapixel map of 300 territories: everything at once, with the border
// colours given and found, the first region asked for on a fresh tracer, and later ones.
// Peak memory is counted by the allocator: bytes per pixel of the picture, the tracer's
// own copy of it included.

#include "BenchMain.h"
#include "trace/Tracer.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>

namespace {

std::atomic<int64_t> Allocated{0};
std::atomic<int64_t> Peak{0};

void Count(void* P) {
    if (P == nullptr)
        throw std::bad_alloc();
    const int64_t Now = Allocated += int64_t(malloc_usable_size(P));
    int64_t Seen = Peak.load();
    while (Now > Seen && !Peak.compare_exchange_weak(Seen, Now)) {
    }
}

void Uncount(void* P) {
    if (P != nullptr)
        Allocated -= int64_t(malloc_usable_size(P));
    std::free(P);
}

} // namespace

void* operator new(size_t Size) {
    void* P = std::malloc(Size == 0 ? 1 : Size);
    Count(P);
    return P;
}
void* operator new[](size_t Size) {
    return operator new(Size);
}
void operator delete(void* P) noexcept {
    Uncount(P);
}
void operator delete[](void* P) noexcept {
    Uncount(P);
}
void operator delete(void* P, size_t) noexcept {
    Uncount(P);
}
void operator delete[](void* P, size_t) noexcept {
    Uncount(P);
}

namespace {

constexpr int32_t Width = 3650, Height = 2740; // 10.0 megapixels
constexpr int32_t Columns = 20, Rows = 15;     // 300 territories
constexpr uint8_t Line = 3, Sea = 60, River = 40;

// Territories of a jittered grid of seeds, lines 1 to 3 pixels wide, the right-most column
// sea, a river across.
const TTracePicture& Map() {
    static const TTracePicture Picture = [] {
        std::mt19937 Random(5);
        std::uniform_real_distribution<double> J(0.2, 0.8);
        const double CW = double(Width) / Columns, CH = double(Height) / Rows;
        std::vector<double> SX(Columns * Rows), SY(Columns * Rows);
        for (int32_t K = 0; K < Columns * Rows; ++K) {
            SX[size_t(K)] = (K % Columns + J(Random)) * CW;
            SY[size_t(K)] = (K / Columns + J(Random)) * CH;
        }
        std::vector<int32_t> Owner(size_t(Width) * Height);
        for (int32_t Y = 0; Y < Height; ++Y)
            for (int32_t X = 0; X < Width; ++X) {
                const int32_t C = int32_t(X / CW), R = int32_t(Y / CH);
                int32_t Best = 0;
                double D = 1e18;
                for (int32_t DR = -1; DR <= 1; ++DR)
                    for (int32_t DC = -1; DC <= 1; ++DC) {
                        const int32_t NC = C + DC, NR = R + DR;
                        if (NC < 0 || NR < 0 || NC >= Columns || NR >= Rows)
                            continue;
                        const int32_t K = NR * Columns + NC;
                        const double E = std::hypot(X - SX[size_t(K)], Y - SY[size_t(K)]);
                        if (E < D) {
                            D = E;
                            Best = K;
                        }
                    }
                Owner[size_t(Y) * Width + size_t(X)] = Best;
            }
        TTracePicture P;
        P.Width = Width;
        P.Height = Height;
        P.Pixels.resize(Owner.size());
        for (size_t I = 0; I < Owner.size(); ++I) {
            const int32_t O = Owner[I];
            P.Pixels[I] = O % Columns == Columns - 1 ? Sea : uint8_t(20 + O % 4);
        }
        // A line on the lower-numbered side of each border, back from it.
        const auto Draw = [&](int32_t X, int32_t Y, int32_t DX, int32_t DY) {
            const int32_t A = Owner[size_t(Y) * Width + size_t(X)];
            const int32_t B = Owner[size_t(Y + DY) * Width + size_t(X + DX)];
            if (A == B)
                return;
            const int32_t W = (std::min(A, B) * 7 + std::max(A, B) * 3) % 3 + 1;
            const int32_t SX0 = A < B ? X : X + DX, SY0 = A < B ? Y : Y + DY;
            const int32_t Step = A < B ? -1 : 1;
            for (int32_t K = 0; K < W; ++K) {
                const int32_t PX = SX0 + Step * K * DX, PY = SY0 + Step * K * DY;
                if (PX >= 0 && PY >= 0 && PX < Width && PY < Height)
                    P.Pixels[size_t(PY) * Width + size_t(PX)] = Line;
            }
        };
        for (int32_t Y = 0; Y < Height; ++Y)
            for (int32_t X = 0; X < Width; ++X) {
                if (X + 1 < Width)
                    Draw(X, Y, 1, 0);
                if (Y + 1 < Height)
                    Draw(X, Y, 0, 1);
            }
        for (int32_t X = 0; X < Width; ++X) {
            const int32_t Y0 = int32_t(Height * 0.4 + 200 * std::sin(X / 300.0));
            for (int32_t Y = Y0; Y < Y0 + 3; ++Y)
                if (P.Pixels[size_t(Y) * Width + size_t(X)] != Sea)
                    P.Pixels[size_t(Y) * Width + size_t(X)] = River;
        }
        return P;
    }();
    return Picture;
}

TTraceSettings Settings(bool FindBorders) {
    TTraceSettings S;
    if (!FindBorders)
        S.BorderColors = {Line};
    S.SeaColors = {Sea};
    return S;
}

void TraceAll(benchmark::State& State) {
    const TTracePicture& Picture = Map();
    const bool Find = State.range(0) != 0;
    int64_t PeakBytes = 0;
    size_t Regions = 0;
    for (auto _ : State) {
        const int64_t Before = Allocated.load();
        Peak = Before;
        TTracer Tracer(Picture, Settings(Find));
        Tracer.Run();
        Regions = Tracer.Regions().size();
        PeakBytes = std::max(PeakBytes, Peak.load() - Before);
    }
    State.counters["regions"] = double(Regions);
    State.counters["peak_bytes_per_pixel"] = double(PeakBytes) / (double(Width) * Height);
}
BENCHMARK(TraceAll)->Arg(0)->Arg(1)->ArgName("find_borders")->Unit(benchmark::kMillisecond);

// The first Trace Region click: a fresh tracer asked for the region under a point.
void FirstRegionQuery(benchmark::State& State) {
    for (auto _ : State) {
        TTracer Tracer(Map(), Settings(false));
        const int32_t R = Tracer.RegionAt({Width / 2, Height / 2});
        benchmark::DoNotOptimize(Tracer.Regions()[size_t(R)].Outline.size());
    }
}
BENCHMARK(FirstRegionQuery)->Unit(benchmark::kMillisecond);

// Later clicks: the region under each of 100 points and a copy of its outline.
void LaterRegionQuery(benchmark::State& State) {
    static TTracer Tracer(Map(), Settings(false));
    Tracer.Run();
    for (auto _ : State)
        for (int32_t K = 0; K < 100; ++K) {
            const int32_t R = Tracer.RegionAt({(K * 37) % Width, (K * 53) % Height});
            if (R >= 0)
                benchmark::DoNotOptimize(std::vector<TPoint>(Tracer.Regions()[size_t(R)].Outline));
        }
    State.counters["queries"] =
        benchmark::Counter(100, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(LaterRegionQuery)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
