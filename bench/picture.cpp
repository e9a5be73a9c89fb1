// Converting a 4000 x 3000 PNG for a map set, read to written BMP: a photo with a palette
// of its own, the same with dithering, the same onto a map's palette, and flat map art.
#include "BenchMain.h"
#include "picture/PictureConversion.h"

#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// The fastest repetition: on a shared machine the steadiest figure.
double Fastest(const std::vector<double>& V) {
    return V.empty() ? 0 : *std::min_element(V.begin(), V.end());
}

constexpr int Width = 4000, Height = 3000;

QTemporaryDir& Dir() {
    static QTemporaryDir Directory;
    return Directory;
}

std::string File(const char* Name) {
    return Dir().filePath(Name).toStdString();
}

// A photo-like picture as the tests make it, and flat art of 12 colours in bands.
const std::string& Picture(bool Photo) {
    static std::string Paths[2];
    std::string& Path = Paths[Photo ? 1 : 0];
    if (!Path.empty())
        return Path;
    QImage Image(Width, Height, QImage::Format_RGB32);
    uint32_t State = 1;
    for (int Y = 0; Y < Height; ++Y) {
        QRgb* Row = reinterpret_cast<QRgb*>(Image.scanLine(Y));
        for (int X = 0; X < Width; ++X) {
            if (!Photo) {
                const int K = (X / 97 + Y / 131) % 12;
                Row[X] = qRgb(K * 20, 255 - K * 15, (K * 77) % 256);
                continue;
            }
            State = State * 1103515245u + 12345u;
            const int Grain = int((State >> 16) % 7) - 3;
            const double U = double(X) / Width, V = double(Y) / Height;
            const double Light = 0.5 + 0.4 * std::sin(6 * U + 2 * V) * std::cos(3 * V);
            const double Warm = 0.15 * std::sin(5 * V - 3 * U + 1);
            const double Sky = 0.15 * std::cos(4 * U * V + 7 * V);
            const auto C = [Grain](double Value) {
                return std::clamp(int(Value * 255) + Grain, 0, 255);
            };
            Row[X] = qRgb(C(Light + Warm), C(Light + 0.5 * (Warm - Sky)), C(Light + Sky));
        }
    }
    Path = File(Photo ? "photo.png" : "art.png");
    Image.save(QString::fromStdString(Path));
    return Path;
}

void Convert(benchmark::State& State, bool Photo, bool Dither, bool MapPalette) {
    const std::string& In = Picture(Photo);
    std::vector<TRGBQuad> Palette;
    if (MapPalette) {
        Palette.resize(256);
        for (int I = 0; I < 256; ++I)
            Palette[size_t(I)] = {uint8_t(I * 7), uint8_t(I * 3), uint8_t(I), 0};
    }
    double PSNR = 0;
    for (auto _ : State) {
        const TConvertedPicture Converted =
            ConvertPicture(ReadPicture(In, int64_t(1) << 26), Palette, Dither);
        SaveConvertedPicture(Converted, File("out.bmp"));
        PSNR = Converted.PSNR();
    }
    State.counters["PSNR"] = std::isinf(PSNR) ? 999 : PSNR;
}

void BM_PhotoOwnPalette(benchmark::State& State) {
    Convert(State, true, false, false);
}
void BM_PhotoOwnPaletteDithered(benchmark::State& State) {
    Convert(State, true, true, false);
}
void BM_PhotoMapPalette(benchmark::State& State) {
    Convert(State, true, false, true);
}
void BM_FlatArtOwnPalette(benchmark::State& State) {
    Convert(State, false, false, false);
}
BENCHMARK(BM_PhotoOwnPalette)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);
BENCHMARK(BM_PhotoOwnPaletteDithered)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_PhotoMapPalette)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);
BENCHMARK(BM_FlatArtOwnPalette)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
