#include "platform/Bitmap.h"

#include "platform/Canvas.h"
#include "platform/Text.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

bool HaveFonts() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

// A text as drawn in one font: its cell and the pixels its glyphs cover, with a margin
// for glyphs that reach outside the cell (italics, underline).
struct TTextMask {
    int CellWidth = 0;
    int CellHeight = 0;
    int Margin = 0;
    int MaskWidth = 0;
    int MaskHeight = 0;
    // The covered pixels as runs [first, second) of mask columns; row y's runs are
    // Runs[RowStart[y] .. RowStart[y + 1]).
    std::vector<uint32_t> RowStart;
    std::vector<std::pair<int32_t, int32_t>> Runs;
};

TTextMask MakeTextMask(const TFont& Font, const std::string& Text) {
    TTextMask Mask;
    const QFont QtFace = QtFont(Font);
    const QFontMetrics Metrics(QtFace);
    const QString Shown = DrawnText(Text);
    Mask.CellWidth = Text.empty() ? 0 : Metrics.horizontalAdvance(Shown);
    Mask.CellHeight = Metrics.ascent() + Metrics.descent();
    if (Mask.CellWidth <= 0 || Mask.CellHeight <= 0)
        return Mask;
    Mask.Margin = std::max(2, Mask.CellHeight / 2);
    Mask.MaskWidth = Mask.CellWidth + 2 * Mask.Margin;
    Mask.MaskHeight = Mask.CellHeight + 2 * Mask.Margin;
    QImage Image(Mask.MaskWidth, Mask.MaskHeight, QImage::Format_Grayscale8);
    Image.fill(0);
    {
        QPainter Painter(&Image);
        Painter.setRenderHint(QPainter::TextAntialiasing, false);
        Painter.setFont(QtFace);
        Painter.setPen(Qt::white);
        Painter.drawText(QPoint(Mask.Margin, Mask.Margin + Metrics.ascent()), Shown);
    }
    Mask.RowStart.reserve(size_t(Mask.MaskHeight) + 1);
    for (int y = 0; y < Mask.MaskHeight; ++y) {
        Mask.RowStart.push_back(uint32_t(Mask.Runs.size()));
        const uchar* Row = Image.constScanLine(y);
        for (int x = 0; x < Mask.MaskWidth;) {
            if (Row[x] < 128) {
                ++x;
                continue;
            }
            const int From = x;
            while (x < Mask.MaskWidth && Row[x] >= 128)
                ++x;
            Mask.Runs.push_back({From, x});
        }
    }
    Mask.RowStart.push_back(uint32_t(Mask.Runs.size()));
    return Mask;
}

// Shaping and rasterising a label costs far more than drawing it, and a map draws the same
// few hundred labels every frame: masks are kept per font and text, the whole cache
// dropped when it grows past a bound. One cache a thread, as fonts are used per thread.
// A frame asks for one font hundreds of times, so the font's table is found once for a
// run of requests in it and a text is looked up without building a key.
const TTextMask& TextMaskOf(const TFont& Font, const std::string& Text) {
    using TMasks = std::unordered_map<std::string, TTextMask>;
    struct TCache {
        std::vector<std::pair<TFont, TMasks>> Fonts;
        size_t Count = 0;
        size_t Last = 0;
    };
    thread_local TCache Cache;
    // The colour draws nothing into the mask; only the face, size and style matter.
    const auto SameFace = [&Font](const auto& F) {
        return F.first.Size == Font.Size && F.first.Style == Font.Style &&
               F.first.Name == Font.Name;
    };
    if (Cache.Last >= Cache.Fonts.size() || !SameFace(Cache.Fonts[Cache.Last])) {
        const auto Found = std::find_if(Cache.Fonts.begin(), Cache.Fonts.end(), SameFace);
        Cache.Last = size_t(Found - Cache.Fonts.begin());
        if (Found == Cache.Fonts.end())
            Cache.Fonts.emplace_back(Font, TMasks());
    }
    if (const auto Found = Cache.Fonts[Cache.Last].second.find(Text);
        Found != Cache.Fonts[Cache.Last].second.end())
        return Found->second;
    if (Cache.Count >= 8192) {
        Cache.Fonts.erase(Cache.Fonts.begin(), Cache.Fonts.begin() + std::ptrdiff_t(Cache.Last));
        Cache.Fonts.resize(1);
        Cache.Fonts[0].second.clear();
        Cache.Last = 0;
        Cache.Count = 0;
    }
    ++Cache.Count;
    TMasks& Masks = Cache.Fonts[Cache.Last].second;
    return Masks.emplace(Text, MakeTextMask(Font, Text)).first->second;
}

int SquaredDistance(const TRGBQuad& Entry, TColor Color) {
    const int dr = int(Entry.rgbRed) - GetRValue(Color);
    const int dg = int(Entry.rgbGreen) - GetGValue(Color);
    const int db = int(Entry.rgbBlue) - GetBValue(Color);
    return dr * dr + dg * dg + db * db;
}

uint8_t Nearest(const std::array<TRGBQuad, 256>& Colors, TColor Color) {
    int best = 0;
    int bestDistance = SquaredDistance(Colors[0], Color);
    for (int i = 1; i < 256 && bestDistance > 0; ++i) {
        const int d = SquaredDistance(Colors[size_t(i)], Color);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return uint8_t(best);
}

// A half-open interval of pixels, in 64 bits so that sums of int32 coordinates and sizes
// cannot overflow.
struct TSpan {
    int64_t From, To;
    bool Empty() const { return To <= From; }
};

TSpan Intersect(TSpan A, TSpan B) {
    return {std::max(A.From, B.From), std::min(A.To, B.To)};
}

// Calls Plot(x, y) for each pixel of the line from (X0, Y0) towards (X1, Y1), the end
// excluded, that lies in [0, Width) x [0, Height) grown by Margin on every side. Pixels are
// those of Bresenham's line (the minor coordinate rounded half up), computed in closed
// form for the first visible step so that far-away end points cost nothing.
template <typename F>
void WalkLine(int64_t X0, int64_t Y0, int64_t X1, int64_t Y1, int64_t Width, int64_t Height,
              int64_t Margin, F Plot) {
    const int64_t dx = X1 - X0, dy = Y1 - Y0;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx >= ady;
    const int64_t steps = xMajor ? adx : ady;
    if (steps == 0)
        return;
    const int64_t major0 = xMajor ? X0 : Y0, minor0 = xMajor ? Y0 : X0;
    const int64_t majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int64_t minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const int64_t aMajor = steps, aMinor = xMajor ? ady : adx;
    const int64_t majorLimit = xMajor ? Width : Height;
    const int64_t minorLimit = xMajor ? Height : Width;

    // Steps i in [first, last) keep the major coordinate in view.
    int64_t first, last;
    if (majorStep > 0) {
        first = -Margin - major0;
        last = majorLimit + Margin - major0;
    } else {
        first = major0 - (majorLimit + Margin - 1);
        last = major0 + Margin + 1;
    }
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, steps);
    if (first >= last)
        return;

    // Minor offset at step i: floor((2 i aMinor + aMajor) / (2 aMajor)).
    __extension__ using Wide = __int128;
    const int64_t denominator = 2 * aMajor;
    const Wide numerator = Wide(2) * first * aMinor + aMajor;
    int64_t offset = int64_t(numerator / denominator);
    int64_t remainder = int64_t(numerator % denominator);
    for (int64_t i = first; i < last; ++i) {
        const int64_t major = major0 + majorStep * i;
        const int64_t minor = minor0 + minorStep * offset;
        if (minor >= -Margin && minor < minorLimit + Margin) {
            if (xMajor)
                Plot(major, minor);
            else
                Plot(minor, major);
        }
        remainder += 2 * aMinor;
        if (remainder >= denominator) {
            remainder -= denominator;
            ++offset;
        }
    }
}

// Half-width of the ellipse inscribed in a box of Width x Height at the row whose centre
// lies DyFromCentre from the box centre; negative when the row misses it.
double EllipseHalfWidth(double Width, double Height, double DyFromCentre) {
    const double rx = Width / 2, ry = Height / 2;
    if (rx <= 0 || ry <= 0)
        return -1;
    const double t = 1 - (DyFromCentre * DyFromCentre) / (ry * ry);
    return t < 0 ? -1 : rx * std::sqrt(t);
}

// Pixels whose centres lie within Half of Centre: [ceil(Centre - Half - 0.5),
// floor(Centre + Half - 0.5)].
TSpan CentreSpan(double Centre, double Half) {
    if (Half < 0)
        return {0, 0};
    const double from = std::ceil(Centre - Half - 0.5);
    const double to = std::floor(Centre + Half - 0.5) + 1;
    constexpr double limit = 1e15;
    return {int64_t(std::clamp(from, -limit, limit)), int64_t(std::clamp(to, -limit, limit))};
}

} // namespace

void TBufferCanvas::Bind(uint8_t* Bits, int32_t Width, int32_t Height, int32_t Stride,
                         TBufferFormat Format) {
    const bool valid = Bits && Width > 0 && Height > 0 && Stride > 0;
    FBits = valid ? Bits : nullptr;
    FWidth = valid ? Width : 0;
    FHeight = valid ? Height : 0;
    FStride = valid ? Stride : 0;
    FFormat = Format;
}

void TBufferCanvas::SetColorTable(const TRGBQuad* Colors, int Count) {
    FColors.fill(TRGBQuad{});
    if (Colors && Count > 0)
        std::copy_n(Colors, std::min(Count, 256), FColors.begin());
    FCacheCount = 0;
    FCacheNext = 0;
}

uint8_t TBufferCanvas::NearestIndex(TColor Color) const {
    Color &= 0xFFFFFF;
    for (int i = 0; i < FCacheCount; ++i)
        if (FCache[size_t(i)].Color == Color)
            return FCache[size_t(i)].Index;
    const uint8_t index = Nearest(FColors, Color);
    FCache[size_t(FCacheNext)] = {Color, index};
    FCacheNext = (FCacheNext + 1) % int(FCache.size());
    FCacheCount = std::min(FCacheCount + 1, int(FCache.size()));
    return index;
}

uint32_t TBufferCanvas::PixelValue(TColor Color) const {
    const uint32_t r = GetRValue(Color), g = GetGValue(Color), b = GetBValue(Color);
    switch (FFormat) {
    case TBufferFormat::bf15:
        return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case TBufferFormat::bf16:
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    case TBufferFormat::bf8:
        break;
    }
    return NearestIndex(Color);
}

namespace {

// Writes into a bound buffer; every caller has clipped to it.
struct TPixels {
    uint8_t* Bits;
    int64_t Width, Height, Stride;
    bool Wide; // two bytes a pixel

    void Span(int64_t Y, TSpan X, uint32_t Value) const {
        X = Intersect(X, {0, Width});
        if (Y < 0 || Y >= Height || X.Empty())
            return;
        uint8_t* row = Bits + Y * Stride;
        if (!Wide) {
            std::memset(row + X.From, int(Value & 0xFF), size_t(X.To - X.From));
            return;
        }
        const uint16_t word = uint16_t(Value);
        for (int64_t x = X.From; x < X.To; ++x)
            std::memcpy(row + 2 * x, &word, 2);
    }
    void Fill(TSpan X, TSpan Y, uint32_t Value) const {
        Y = Intersect(Y, {0, Height});
        for (int64_t y = Y.From; y < Y.To; ++y)
            Span(y, X, Value);
    }
    void Put(int64_t X, int64_t Y, uint32_t Value) const {
        if (X < 0 || X >= Width || Y < 0 || Y >= Height)
            return;
        uint8_t* p = Bits + Y * Stride + (Wide ? 2 * X : X);
        if (Wide) {
            const uint16_t word = uint16_t(Value);
            std::memcpy(p, &word, 2);
        } else {
            *p = uint8_t(Value);
        }
    }
};

TPixels PixelsOf(uint8_t* Bits, int32_t Width, int32_t Height, int32_t Stride,
                 TBufferFormat Format) {
    return {Bits, Width, Height, Stride, Format != TBufferFormat::bf8};
}

} // namespace

void TBufferCanvas::LineTo(int32_t X, int32_t Y) {
    const TPoint from = PenPos();
    SetPenPos({X, Y});
    if (!FBits || Pen().Style == TPenStyle::psClear)
        return;
    const TPixels pixels = PixelsOf(FBits, FWidth, FHeight, FStride, FFormat);
    const uint32_t value = PixelValue(Pen().Color);
    const int64_t w = std::max(1, Pen().Width);
    if (w == 1) {
        WalkLine(from.X, from.Y, X, Y, FWidth, FHeight, 0,
                 [&](int64_t px, int64_t py) { pixels.Put(px, py, value); });
        return;
    }
    // A w x w square stamped on every pixel of the thin line: joints of a polyline are
    // covered without gaps, and the square's top-left is w / 2 up and left of the pixel.
    const int64_t back = w / 2;
    WalkLine(from.X, from.Y, X, Y, FWidth, FHeight, w, [&](int64_t px, int64_t py) {
        pixels.Fill({px - back, px - back + w}, {py - back, py - back + w}, value);
    });
}

void TBufferCanvas::Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    if (!FBits)
        return;
    const TBox box = BoxOf(X1, Y1, X2, Y2);
    if (box.Empty())
        return;
    const auto [left, top, right, bottom] = box;
    const TPixels pixels = PixelsOf(FBits, FWidth, FHeight, FStride, FFormat);
    if (Brush().Style == TBrushStyle::bsSolid)
        pixels.Fill({left, right}, {top, bottom}, PixelValue(Brush().Color));
    if (Pen().Style == TPenStyle::psClear)
        return;
    // The outline lies inside the rectangle, as wide as the pen.
    const int64_t w = std::max(1, Pen().Width);
    const uint32_t value = PixelValue(Pen().Color);
    for (const TBox& band : OutlineBands(box, w))
        pixels.Fill({band.Left, band.Right}, {band.Top, band.Bottom}, value);
}

void TBufferCanvas::FillRect(const TRect& Rect) {
    if (!FBits || Brush().Style == TBrushStyle::bsClear)
        return;
    PixelsOf(FBits, FWidth, FHeight, FStride, FFormat)
        .Fill({Rect.Left, Rect.Right}, {Rect.Top, Rect.Bottom}, PixelValue(Brush().Color));
}

void TBufferCanvas::Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    if (!FBits)
        return;
    const TBox box = BoxOf(X1, Y1, X2, Y2);
    if (box.Empty())
        return;
    const auto [left, top, right, bottom] = box;
    const TPixels pixels = PixelsOf(FBits, FWidth, FHeight, FStride, FFormat);
    const bool pen = Pen().Style != TPenStyle::psClear;
    const bool brush = Brush().Style == TBrushStyle::bsSolid;
    const uint32_t penValue = pen ? PixelValue(Pen().Color) : 0;
    const uint32_t brushValue = brush ? PixelValue(Brush().Color) : 0;
    const double w = double(right - left), h = double(bottom - top);
    const double cx = (double(left) + double(right)) / 2;
    const double cy = (double(top) + double(bottom)) / 2;
    // The outline is the ring between the ellipse and the one inset by the pen width.
    const double inset = pen ? 2.0 * std::max(1, Pen().Width) : 0.0;
    const TSpan rows = Intersect({top, bottom}, {0, FHeight});
    for (int64_t y = rows.From; y < rows.To; ++y) {
        const double dy = double(y) + 0.5 - cy;
        const TSpan outer = CentreSpan(cx, EllipseHalfWidth(w, h, dy));
        if (outer.Empty())
            continue;
        const TSpan inner =
            pen ? CentreSpan(cx, EllipseHalfWidth(w - inset, h - inset, dy)) : outer;
        if (brush && !inner.Empty())
            pixels.Span(y, inner, brushValue);
        if (!pen)
            continue;
        if (inner.Empty()) {
            pixels.Span(y, outer, penValue);
        } else {
            pixels.Span(y, {outer.From, inner.From}, penValue);
            pixels.Span(y, {inner.To, outer.To}, penValue);
        }
    }
}

void TBufferCanvas::TextOut(int32_t X, int32_t Y, const std::string& Text) {
    if (Text.empty() || !HaveFonts())
        return;
    const TTextMask& Mask = TextMaskOf(Font(), Text);
    const int cellWidth = Mask.CellWidth;
    const int cellHeight = Mask.CellHeight;
    SetPenPos({int32_t(std::clamp<int64_t>(int64_t(X) + cellWidth, INT32_MIN, INT32_MAX)), Y});
    if (!FBits || cellWidth <= 0 || cellHeight <= 0)
        return;
    const TPixels pixels = PixelsOf(FBits, FWidth, FHeight, FStride, FFormat);
    const TSpan cellX = Intersect({X, int64_t(X) + cellWidth}, {0, FWidth});
    const TSpan cellY = Intersect({Y, int64_t(Y) + cellHeight}, {0, FHeight});
    if (cellX.Empty() || cellY.Empty())
        return;
    if (Brush().Style == TBrushStyle::bsSolid)
        pixels.Fill(cellX, cellY, PixelValue(Brush().Color));

    const int margin = Mask.Margin;
    const uint32_t value = PixelValue(Font().Color);
    const int64_t maskLeft = int64_t(X) - margin, maskTop = int64_t(Y) - margin;
    const TSpan maskY = Intersect({maskTop, maskTop + Mask.MaskHeight}, {0, FHeight});
    for (int64_t y = maskY.From; y < maskY.To; ++y) {
        const size_t row = size_t(y - maskTop);
        for (uint32_t r = Mask.RowStart[row]; r < Mask.RowStart[row + 1]; ++r)
            pixels.Span(y, {maskLeft + Mask.Runs[r].first, maskLeft + Mask.Runs[r].second}, value);
    }
}

int32_t TBufferCanvas::TextWidth(const std::string& Text) {
    if (!HaveFonts())
        return 0;
    return TextMaskOf(Font(), Text).CellWidth;
}

int32_t TBufferCanvas::TextHeight(const std::string&) {
    if (!HaveFonts())
        return 0;
    return TextMaskOf(Font(), std::string()).CellHeight;
}

namespace {

// Nearest-neighbour copy of an 8-bit bitmap into [Left, Right) x [Top, Bottom), each
// source index passed through Map.
template <typename F>
void Stretch(const TPixels& Pixels, int64_t Left, int64_t Top, int64_t Right, int64_t Bottom,
             const TBitmap& Bitmap, const F& Map) {
    const int64_t rw = Right - Left, rh = Bottom - Top;
    const int64_t bw = Bitmap.Width(), bh = Bitmap.Height();
    if (rw <= 0 || rh <= 0 || bw <= 0 || bh <= 0)
        return;
    const TSpan xs = Intersect({Left, Right}, {0, Pixels.Width});
    const TSpan ys = Intersect({Top, Bottom}, {0, Pixels.Height});
    // Source pixel of a target pixel: the one under its centre, ((2d + 1) * b) / (2r);
    // d < 2^33 and b <= 2^28, so the products fit in 64 bits.
    std::vector<int32_t> sourceX(size_t(std::max<int64_t>(0, xs.To - xs.From)));
    for (int64_t x = xs.From; x < xs.To; ++x)
        sourceX[size_t(x - xs.From)] = int32_t(((2 * (x - Left) + 1) * bw) / (2 * rw));
    for (int64_t y = ys.From; y < ys.To; ++y) {
        const int32_t sy = int32_t(((2 * (y - Top) + 1) * bh) / (2 * rh));
        const uint8_t* source = Bitmap.ScanLine(sy);
        for (int64_t x = xs.From; x < xs.To; ++x)
            Pixels.Put(x, y, Map(source[sourceX[size_t(x - xs.From)]]));
    }
}

} // namespace

void TBufferCanvas::StretchDraw(const TRect& Rect, const TBitmap& Bitmap) {
    if (!FBits || Bitmap.PixelFormat() != TPixelFormat::pf8bit || !Bitmap.HasPixels())
        return;
    const TPixels pixels = PixelsOf(FBits, FWidth, FHeight, FStride, FFormat);
    const std::vector<TRGBQuad>& palette = Bitmap.Palette();
    bool samePalette = FFormat == TBufferFormat::bf8 && palette.size() >= 256;
    for (size_t i = 0; samePalette && i < 256; ++i)
        samePalette = palette[i].rgbRed == FColors[i].rgbRed &&
                      palette[i].rgbGreen == FColors[i].rgbGreen &&
                      palette[i].rgbBlue == FColors[i].rgbBlue;
    if (samePalette) {
        Stretch(pixels, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom, Bitmap,
                [](uint8_t Index) { return uint32_t(Index); });
        return;
    }
    std::array<uint32_t, 256> lookup{};
    for (size_t i = 0; i < 256; ++i) {
        const TRGBQuad q = i < palette.size() ? palette[i] : TRGBQuad{};
        const TColor c = RGBColor(q.rgbRed, q.rgbGreen, q.rgbBlue);
        lookup[i] = FFormat == TBufferFormat::bf8 ? Nearest(FColors, c) : PixelValue(c);
    }
    Stretch(pixels, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom, Bitmap,
            [&lookup](uint8_t Index) { return lookup[Index]; });
}

void TBufferCanvas::Draw(int32_t X, int32_t Y, const TBitmap& Bitmap) {
    // The same copy at scale 1, with the far corner in 64 bits (X + Width may pass 2^31).
    if (!FBits || Bitmap.PixelFormat() != TPixelFormat::pf8bit || !Bitmap.HasPixels())
        return;
    const int64_t right = int64_t(X) + Bitmap.Width();
    const int64_t bottom = int64_t(Y) + Bitmap.Height();
    // Past the int32 range X or Y lies beyond any buffer: nothing shows.
    if (right <= INT32_MAX && bottom <= INT32_MAX)
        StretchDraw({X, Y, int32_t(right), int32_t(bottom)}, Bitmap);
}
