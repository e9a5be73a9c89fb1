#include "picture/PictureConversion.h"

#include "graphics/ColorPalette.h"
#include "platform/Bitmap.h"
#include "platform/Exception.h"
#include "platform/Text.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <limits>
#include <thread>
#include <unordered_set>

namespace {

struct TRGB {
    int R, G, B;
};

TRGB Split(QRgb C) {
    return {qRed(C), qGreen(C), qBlue(C)};
}

int Distance(const TRGB& A, const TRGB& B) {
    return (A.R - B.R) * (A.R - B.R) + (A.G - B.G) * (A.G - B.G) + (A.B - B.B) * (A.B - B.B);
}

// Opaque 32-bit pixels; what is transparent lies over black.
QImage Flattened(const QImage& Picture) {
    if (!Picture.hasAlphaChannel())
        return Picture.convertToFormat(QImage::Format_RGB32);
    QImage Flat(Picture.size(), QImage::Format_RGB32);
    Flat.fill(Qt::black);
    QPainter Painter(&Flat);
    Painter.drawImage(0, 0, Picture);
    return Flat;
}

// The picture's colours when it has no more than Limit, else none.
std::vector<QRgb> FewColors(const QImage& Flat, size_t Limit) {
    std::unordered_set<QRgb> Seen;
    QRgb Last = 0;
    bool Any = false;
    for (int Y = 0; Y < Flat.height(); ++Y) {
        const QRgb* Row = reinterpret_cast<const QRgb*>(Flat.constScanLine(Y));
        for (int X = 0; X < Flat.width(); ++X) {
            const QRgb C = Row[X] | 0xFF000000u;
            if (Any && C == Last)
                continue;
            Any = true;
            Last = C;
            if (Seen.insert(C).second && Seen.size() > Limit)
                return {};
        }
    }
    std::vector<QRgb> Colors(Seen.begin(), Seen.end());
    std::sort(Colors.begin(), Colors.end());
    return Colors;
}

// Median cut over a histogram of 5 bits per channel, the box with the largest squared
// error split first at the median of its widest channel; then a few rounds of k-means
// over the histogram's mean colours.
std::vector<QRgb> ChosenColors(const QImage& Flat, int Count) {
    struct TBin {
        double N = 0, R = 0, G = 0, B = 0;
    };
    std::vector<TBin> Bins(32768);
    for (int Y = 0; Y < Flat.height(); ++Y) {
        const QRgb* Row = reinterpret_cast<const QRgb*>(Flat.constScanLine(Y));
        for (int X = 0; X < Flat.width(); ++X) {
            const QRgb C = Row[X];
            TBin& Bin =
                Bins[size_t(((qRed(C) >> 3) << 10) | ((qGreen(C) >> 3) << 5) | (qBlue(C) >> 3))];
            Bin.N += 1;
            Bin.R += qRed(C);
            Bin.G += qGreen(C);
            Bin.B += qBlue(C);
        }
    }
    struct TPoint3 {
        double R, G, B, N;
    };
    std::vector<TPoint3> Points;
    for (const TBin& Bin : Bins)
        if (Bin.N > 0)
            Points.push_back({Bin.R / Bin.N, Bin.G / Bin.N, Bin.B / Bin.N, Bin.N});

    struct TBox {
        size_t Begin, End;
        double Error;
    };
    const auto Measure = [&Points](size_t Begin, size_t End) {
        double N = 0, R = 0, G = 0, B = 0;
        for (size_t I = Begin; I < End; ++I) {
            N += Points[I].N;
            R += Points[I].R * Points[I].N;
            G += Points[I].G * Points[I].N;
            B += Points[I].B * Points[I].N;
        }
        double Error = 0;
        for (size_t I = Begin; I < End; ++I) {
            const double DR = Points[I].R - R / N, DG = Points[I].G - G / N,
                         DB = Points[I].B - B / N;
            Error += (DR * DR + DG * DG + DB * DB) * Points[I].N;
        }
        return TBox{Begin, End, Error};
    };
    std::vector<TBox> Boxes{Measure(0, Points.size())};
    while (int(Boxes.size()) < Count) {
        const auto Worst =
            std::max_element(Boxes.begin(), Boxes.end(),
                             [](const TBox& A, const TBox& B) { return A.Error < B.Error; });
        if (Worst->Error <= 0 || Worst->End - Worst->Begin < 2)
            break;
        const TBox Box = *Worst;
        double Low[3] = {255, 255, 255}, High[3] = {0, 0, 0};
        for (size_t I = Box.Begin; I < Box.End; ++I) {
            const double V[3] = {Points[I].R, Points[I].G, Points[I].B};
            for (int K = 0; K < 3; ++K) {
                Low[K] = std::min(Low[K], V[K]);
                High[K] = std::max(High[K], V[K]);
            }
        }
        int Axis = 0;
        for (int K = 1; K < 3; ++K)
            if (High[K] - Low[K] > High[Axis] - Low[Axis])
                Axis = K;
        const auto Key = [Axis](const TPoint3& P) {
            return Axis == 0 ? P.R : Axis == 1 ? P.G : P.B;
        };
        std::sort(Points.begin() + std::ptrdiff_t(Box.Begin),
                  Points.begin() + std::ptrdiff_t(Box.End),
                  [&Key](const TPoint3& A, const TPoint3& B) { return Key(A) < Key(B); });
        double Total = 0, Half = 0;
        for (size_t I = Box.Begin; I < Box.End; ++I)
            Total += Points[I].N;
        size_t Cut = Box.Begin + 1;
        for (size_t I = Box.Begin; I + 1 < Box.End; ++I) {
            Half += Points[I].N;
            Cut = I + 1;
            if (Half >= Total / 2)
                break;
        }
        *Worst = Measure(Box.Begin, Cut);
        Boxes.push_back(Measure(Cut, Box.End));
    }

    std::vector<TPoint3> Centres;
    for (const TBox& Box : Boxes) {
        double N = 0, R = 0, G = 0, B = 0;
        for (size_t I = Box.Begin; I < Box.End; ++I) {
            N += Points[I].N;
            R += Points[I].R * Points[I].N;
            G += Points[I].G * Points[I].N;
            B += Points[I].B * Points[I].N;
        }
        Centres.push_back({R / N, G / N, B / N, N});
    }
    for (int Round = 0; Round < 8; ++Round) {
        std::vector<TPoint3> Sums(Centres.size(), {0, 0, 0, 0});
        for (const TPoint3& P : Points) {
            size_t Best = 0;
            double BestDistance = std::numeric_limits<double>::max();
            for (size_t K = 0; K < Centres.size(); ++K) {
                const double DR = P.R - Centres[K].R, DG = P.G - Centres[K].G,
                             DB = P.B - Centres[K].B;
                const double D = DR * DR + DG * DG + DB * DB;
                if (D < BestDistance) {
                    BestDistance = D;
                    Best = K;
                }
            }
            Sums[Best].R += P.R * P.N;
            Sums[Best].G += P.G * P.N;
            Sums[Best].B += P.B * P.N;
            Sums[Best].N += P.N;
        }
        for (size_t K = 0; K < Centres.size(); ++K)
            if (Sums[K].N > 0)
                Centres[K] = {Sums[K].R / Sums[K].N, Sums[K].G / Sums[K].N, Sums[K].B / Sums[K].N,
                              Sums[K].N};
    }
    std::vector<QRgb> Colors;
    for (const TPoint3& C : Centres)
        Colors.push_back(qRgb(int(std::lround(C.R)), int(std::lround(C.G)), int(std::lround(C.B))));
    return Colors;
}

// Nearest colour of the table to the middle of the colour's cell of 4 x 4 x 4 levels,
// worked out once per cell: dithering meets nearly every colour, and an error of a level
// or two is spread on with the rest.
class TNearest {
public:
    explicit TNearest(const std::vector<QRgb>& Table) : FCells(size_t(1) << 18, -1) {
        for (const QRgb C : Table)
            FTable.push_back(Split(C));
    }
    int operator()(int R, int G, int B) {
        int16_t& Cell = FCells[size_t(((R >> 2) << 12) | ((G >> 2) << 6) | (B >> 2))];
        if (Cell >= 0)
            return Cell;
        const TRGB C{(R & ~3) + 2, (G & ~3) + 2, (B & ~3) + 2};
        int Best = 0, BestDistance = std::numeric_limits<int>::max();
        for (size_t K = 0; K < FTable.size(); ++K)
            if (const int D = Distance(C, FTable[K]); D < BestDistance) {
                BestDistance = D;
                Best = int(K);
            }
        Cell = int16_t(Best);
        return Best;
    }

private:
    std::vector<TRGB> FTable;
    std::vector<int16_t> FCells;
};

// Floyd and Steinberg's error diffusion, in whole numbers.
std::vector<uint8_t> Diffused(const QImage& Flat, const std::vector<QRgb>& Table) {
    const int W = Flat.width(), H = Flat.height();
    std::vector<uint8_t> Indices(size_t(W) * size_t(H));
    TNearest Nearest(Table);
    // Errors times 16 for this row and the next, with a pixel of margin on each side.
    std::vector<std::array<int, 3>> This(size_t(W) + 2), Next(size_t(W) + 2);
    for (int Y = 0; Y < H; ++Y) {
        const QRgb* Row = reinterpret_cast<const QRgb*>(Flat.constScanLine(Y));
        std::fill(Next.begin(), Next.end(), std::array<int, 3>{0, 0, 0});
        for (int X = 0; X < W; ++X) {
            const TRGB Own = Split(Row[X]);
            const auto& E = This[size_t(X) + 1];
            const int R = std::clamp(Own.R + E[0] / 16, 0, 255);
            const int G = std::clamp(Own.G + E[1] / 16, 0, 255);
            const int B = std::clamp(Own.B + E[2] / 16, 0, 255);
            const int Index = Nearest(R, G, B);
            Indices[size_t(Y) * size_t(W) + size_t(X)] = uint8_t(Index);
            const TRGB Got = Split(Table[size_t(Index)]);
            const int Error[3] = {R - Got.R, G - Got.G, B - Got.B};
            for (int K = 0; K < 3; ++K) {
                This[size_t(X) + 2][size_t(K)] += Error[K] * 7;
                Next[size_t(X)][size_t(K)] += Error[K] * 3;
                Next[size_t(X) + 1][size_t(K)] += Error[K] * 5;
                Next[size_t(X) + 2][size_t(K)] += Error[K];
            }
        }
        std::swap(This, Next);
    }
    return Indices;
}

// The nearest colour of the table for any colour, exactly (ties: the first entry), found
// among few: each cell of 8 x 8 x 8 levels keeps the entries that can be nearest anywhere
// in it, those no farther from the cell than the nearest entry's farthest point of it. A
// photo has millions of distinct colours, and Qt's mapping searched the whole table for
// each of them.
class TExactNearest {
public:
    explicit TExactNearest(const std::vector<QRgb>& Table) {
        for (const QRgb C : Table)
            FTable.push_back(Split(C));
        FFirst.resize(Cells + 1);
        std::vector<int> Far(FTable.size()), Near(FTable.size());
        for (int Cell = 0; Cell < Cells; ++Cell) {
            const int Low[3] = {(Cell >> 10) << 3, ((Cell >> 5) & 31) << 3, (Cell & 31) << 3};
            int Bound = std::numeric_limits<int>::max();
            for (size_t K = 0; K < FTable.size(); ++K) {
                const int V[3] = {FTable[K].R, FTable[K].G, FTable[K].B};
                int DNear = 0, DFar = 0;
                for (int A = 0; A < 3; ++A) {
                    const int Lo = Low[A], Hi = Low[A] + 7;
                    const int In = V[A] < Lo ? Lo - V[A] : V[A] > Hi ? V[A] - Hi : 0;
                    const int Out = std::max(std::abs(V[A] - Lo), std::abs(V[A] - Hi));
                    DNear += In * In;
                    DFar += Out * Out;
                }
                Near[K] = DNear;
                Bound = std::min(Bound, DFar);
            }
            FFirst[size_t(Cell)] = uint32_t(FCandidates.size());
            for (size_t K = 0; K < FTable.size(); ++K)
                if (Near[K] <= Bound)
                    FCandidates.push_back(uint8_t(K));
        }
        FFirst[Cells] = uint32_t(FCandidates.size());
    }
    uint8_t operator()(QRgb Color) const {
        const TRGB C = Split(Color);
        const size_t Cell = size_t(((C.R >> 3) << 10) | ((C.G >> 3) << 5) | (C.B >> 3));
        uint8_t Best = 0;
        int BestDistance = std::numeric_limits<int>::max();
        for (uint32_t I = FFirst[Cell]; I < FFirst[Cell + 1]; ++I)
            if (const int D = Distance(C, FTable[FCandidates[I]]); D < BestDistance) {
                BestDistance = D;
                Best = FCandidates[I];
            }
        return Best;
    }

private:
    static constexpr int Cells = 32 * 32 * 32;
    std::vector<TRGB> FTable;
    std::vector<uint32_t> FFirst;
    std::vector<uint8_t> FCandidates;
};

// Runs Work(first row, end row) over the rows in two halves at once: the machine's second
// core halves the wait for a large picture. Each row's result depends on that row alone.
template <typename TWork> void InTwoHalves(int Rows, const TWork& Work) {
    if (int64_t(Rows) < 64) {
        Work(0, Rows);
        return;
    }
    std::exception_ptr Failure;
    std::thread Other([&] {
        try {
            Work(Rows / 2, Rows);
        } catch (...) {
            Failure = std::current_exception();
        }
    });
    Work(0, Rows / 2);
    Other.join();
    if (Failure)
        std::rethrow_exception(Failure);
}

// The nearest colour of the table for each pixel.
std::vector<uint8_t> Mapped(const QImage& Flat, const std::vector<QRgb>& Table) {
    const TExactNearest Nearest(Table);
    const int W = Flat.width();
    std::vector<uint8_t> Indices(size_t(W) * size_t(Flat.height()));
    InTwoHalves(Flat.height(), [&](int From, int To) {
        for (int Y = From; Y < To; ++Y) {
            const QRgb* Row = reinterpret_cast<const QRgb*>(Flat.constScanLine(Y));
            uint8_t* Out = Indices.data() + size_t(Y) * size_t(W);
            // Flat art repeats its colours along a row.
            QRgb Last = 0;
            uint8_t LastIndex = Nearest(Last);
            for (int X = 0; X < W; ++X) {
                const QRgb C = Row[X] & 0xFFFFFFu;
                if (C != Last) {
                    Last = C;
                    LastIndex = Nearest(C);
                }
                Out[X] = LastIndex;
            }
        }
    });
    return Indices;
}

std::vector<TRGBQuad> SystemColors() {
    const TColorPalette Palette;
    std::vector<TRGBQuad> Colors(256);
    for (int I = 0; I < 256; ++I) {
        const uint32_t E = Palette.Entries(I);
        Colors[size_t(I)] = {uint8_t(E >> 16), uint8_t(E >> 8), uint8_t(E), 0};
    }
    return Colors;
}

} // namespace

double TConvertedPicture::PSNR() const {
    if (MeanSquaredError <= 0)
        return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 / MeanSquaredError);
}

QImage TConvertedPicture::Image() const {
    QImage Result(Width, Height, QImage::Format_Indexed8);
    QList<QRgb> Table;
    for (const TRGBQuad& C : Palette)
        Table.push_back(qRgb(C.rgbRed, C.rgbGreen, C.rgbBlue));
    Result.setColorTable(Table);
    for (int Y = 0; Y < Height; ++Y)
        std::copy_n(Pixels.begin() + std::ptrdiff_t(Y) * Width, Width, Result.scanLine(Y));
    return Result;
}

QImage ReadPicture(const std::string& FileName, int64_t MaxPixels) {
    // A FIFO or a device would block the reader or never end.
    const QFileInfo Info(QtFileName(FileName));
    if (Info.exists() && !Info.isFile())
        throw EFOpenError(FileName);
    QImageReader Reader(QtFileName(FileName));
    Reader.setAutoTransform(true);
    const QSize Size = Reader.size();
    if (Size.isValid() && int64_t(Size.width()) * Size.height() > MaxPixels)
        throw Exception("Cannot read picture " + FileName + ": " + std::to_string(Size.width()) +
                        " x " + std::to_string(Size.height()) + " pixels exceed the limit of " +
                        std::to_string(MaxPixels) + " pixels of a bitmap");
    QImage Picture = Reader.read();
    if (Picture.isNull())
        throw Exception("Cannot read picture " + FileName + ": " + TypedText(Reader.errorString()));
    if (int64_t(Picture.width()) * Picture.height() > MaxPixels)
        throw Exception("Cannot read picture " + FileName + ": more than " +
                        std::to_string(MaxPixels) + " pixels");
    return Picture;
}

TConvertedPicture ConvertPicture(const QImage& Picture, const std::vector<TRGBQuad>& MapPalette,
                                 bool Dither) {
    const QImage Flat = Flattened(Picture);
    TConvertedPicture Result;
    Result.Width = Flat.width();
    Result.Height = Flat.height();
    Result.Palette = MapPalette.size() >= 256
                         ? std::vector<TRGBQuad>(MapPalette.begin(), MapPalette.begin() + 256)
                         : SystemColors();

    std::vector<QRgb> Table;
    if (MapPalette.size() >= 256) {
        for (int I = FirstFreeEntry; I < FirstFreeEntry + FreeEntryCount; ++I) {
            const TRGBQuad& C = MapPalette[size_t(I)];
            Table.push_back(qRgb(C.rgbRed, C.rgbGreen, C.rgbBlue));
        }
    } else {
        Table = FewColors(Flat, FreeEntryCount);
        if (Table.empty() && !Flat.isNull() && Flat.width() * Flat.height() > 0)
            Table = ChosenColors(Flat, FreeEntryCount);
        if (Table.empty())
            Table.push_back(qRgb(0, 0, 0));
        Result.ColorCount = int32_t(Table.size());
        for (size_t K = 0; K < Table.size(); ++K)
            Result.Palette[FirstFreeEntry + K] = {
                uint8_t(qBlue(Table[K])), uint8_t(qGreen(Table[K])), uint8_t(qRed(Table[K])), 0};
        // Free entries the picture does not need repeat its first colour.
        for (size_t K = Table.size(); K < FreeEntryCount; ++K)
            Result.Palette[FirstFreeEntry + K] = Result.Palette[FirstFreeEntry];
    }
    if (MapPalette.size() >= 256)
        Result.ColorCount = FreeEntryCount;

    Result.Pixels = Dither ? Diffused(Flat, Table) : Mapped(Flat, Table);
    double Squares = 0;
    for (int Y = 0; Y < Flat.height(); ++Y) {
        const QRgb* Row = reinterpret_cast<const QRgb*>(Flat.constScanLine(Y));
        uint8_t* Out = Result.Pixels.data() + size_t(Y) * size_t(Result.Width);
        for (int X = 0; X < Flat.width(); ++X) {
            Squares += Distance(Split(Row[X]), Split(Table[Out[X]]));
            Out[X] = uint8_t(Out[X] + FirstFreeEntry);
        }
    }
    const double Samples = 3.0 * double(Result.Width) * double(Result.Height);
    Result.MeanSquaredError = Samples > 0 ? Squares / Samples : 0;
    return Result;
}

void SaveConvertedPicture(const TConvertedPicture& Picture, const std::string& FileName) {
    TBitmap Bitmap;
    Bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    Bitmap.SetPalette(Picture.Palette);
    Bitmap.SetSize(Picture.Width, Picture.Height);
    for (int32_t Y = 0; Y < Picture.Height; ++Y)
        std::copy_n(Picture.Pixels.begin() + std::ptrdiff_t(Y) * Picture.Width, Picture.Width,
                    Bitmap.ScanLine(Y));
    Bitmap.SaveToFile(FileName);
}
