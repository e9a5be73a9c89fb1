#pragma once

#include "platform/Types.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

class QFont;
class QPainter;
class TBitmap;

enum class TPenStyle { psSolid, psClear };
enum class TBrushStyle { bsSolid, bsClear };

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned; // a set of TFontStyle bits

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::psSolid;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
};

// Size is in points at 96 pixels per inch: the text is Size * 96 / 72 pixels high (em).
// "Arial" resolves to a metric-compatible face (Liberation Sans).
struct TFont {
    std::string Name = "MS Sans Serif";
    int Size = 8;
    TColor Color = clBlack;
    TFontStyles Style = 0;
    friend bool operator==(const TFont&, const TFont&) = default;
};

// The Qt font for a canvas font: pixel size round(Size * 96 / 72), styles applied,
// antialiasing off (text is written through a mask into indexed pixels). Needs a
// QGuiApplication.
QFont QtFont(const TFont& Font);

// The toolkit canvas: pen, brush and font with the drawing operations the program uses.
// Coordinates are pixels of the target; right and bottom edges of rectangles are
// exclusive. The pen draws outlines and lines, the brush fills (a clear brush fills
// nothing, a clear pen draws nothing). LineTo paints from PenPos up to, but not including,
// the end point, and moves PenPos there.
class TCanvas {
public:
    virtual ~TCanvas() = default;

    TPen& Pen() { return FPen; }
    TBrush& Brush() { return FBrush; }
    TFont& Font() { return FFont; }
    const TPen& Pen() const { return FPen; }
    const TBrush& Brush() const { return FBrush; }
    const TFont& Font() const { return FFont; }
    TPoint PenPos() const { return FPenPos; }

    void MoveTo(int32_t X, int32_t Y) { FPenPos = {X, Y}; }
    virtual void LineTo(int32_t X, int32_t Y) = 0;
    // Outline with the pen, interior with the brush.
    virtual void Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) = 0;
    // The brush only.
    virtual void FillRect(const TRect& Rect) = 0;
    // The ellipse inscribed in the rectangle: outline with the pen, interior with the brush.
    virtual void Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) = 0;
    // Top-left of the text cell at (X, Y); with a solid brush the cell is filled first.
    virtual void TextOut(int32_t X, int32_t Y, const std::string& Text) = 0;
    virtual int32_t TextWidth(const std::string& Text) = 0;
    virtual int32_t TextHeight(const std::string& Text) = 0;
    // The whole bitmap scaled into Rect (nearest neighbour).
    virtual void StretchDraw(const TRect& Rect, const TBitmap& Bitmap) = 0;
    // The whole bitmap at its own size with its top-left at (X, Y).
    virtual void Draw(int32_t X, int32_t Y, const TBitmap& Bitmap) = 0;
    // The area drawing is limited to (right and bottom exclusive).
    virtual TRect ClipRect() const = 0;

protected:
    void SetPenPos(TPoint P) { FPenPos = P; }

    // The rectangle two corners span, in 64 bits so that no edge arithmetic overflows.
    struct TBox {
        int64_t Left, Top, Right, Bottom;
        bool Empty() const { return Right <= Left || Bottom <= Top; }
    };
    static TBox BoxOf(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
        return {std::min(X1, X2), std::min(Y1, Y2), std::max(X1, X2), std::max(Y1, Y2)};
    }
    // The four bands of an outline Width wide that lies inside Box: top, bottom, left, right.
    static std::array<TBox, 4> OutlineBands(const TBox& Box, int64_t Width) {
        const auto [left, top, right, bottom] = Box;
        return {{{left, top, right, std::min(bottom, top + Width)},
                 {left, std::max(top, bottom - Width), right, bottom},
                 {left, top, std::min(right, left + Width), bottom},
                 {std::max(left, right - Width), top, right, bottom}}};
    }

private:
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
    TPoint FPenPos;
};

enum class TBufferFormat { bf8, bf15, bf16 };

// A canvas over a frame buffer of our own: 8-bit palette indices (every colour becomes
// the nearest entry of the colour table, the first of equally near ones) or 16-bit
// 5-5-5 / 5-6-5 words. Rows are Stride bytes apart, row 0 first. Text is rendered with Qt
// into a mask and written in the font colour. Drawing is clipped to the buffer.
class TBufferCanvas : public TCanvas {
public:
    TBufferCanvas() = default;

    void Bind(uint8_t* Bits, int32_t Width, int32_t Height, int32_t Stride, TBufferFormat Format);
    void Unbind() { Bind(nullptr, 0, 0, 0, TBufferFormat::bf8); }
    bool Bound() const { return FBits != nullptr; }
    // The colours of the 8-bit indices; missing entries are black.
    void SetColorTable(const TRGBQuad* Colors, int Count);
    uint8_t NearestIndex(TColor Color) const;

    void LineTo(int32_t X, int32_t Y) override;
    void Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) override;
    void FillRect(const TRect& Rect) override;
    void Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) override;
    void TextOut(int32_t X, int32_t Y, const std::string& Text) override;
    int32_t TextWidth(const std::string& Text) override;
    int32_t TextHeight(const std::string& Text) override;
    void StretchDraw(const TRect& Rect, const TBitmap& Bitmap) override;
    void Draw(int32_t X, int32_t Y, const TBitmap& Bitmap) override;
    TRect ClipRect() const override { return {0, 0, FWidth, FHeight}; }

private:
    uint32_t PixelValue(TColor Color) const;

    uint8_t* FBits = nullptr;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int32_t FStride = 0;
    TBufferFormat FFormat = TBufferFormat::bf8;
    std::array<TRGBQuad, 256> FColors{};
    // Colours are mapped once per primitive; a zone outline, its label and the next
    // zone's outline reuse the same few colours.
    struct TCachedColor {
        TColor Color;
        uint8_t Index;
    };
    mutable std::array<TCachedColor, 4> FCache{};
    mutable int FCacheCount = 0;
    mutable int FCacheNext = 0;
};

// A canvas on a widget, valid while the widget paints (between Begin and End).
class TWidgetCanvas : public TCanvas {
public:
    void Begin(QPainter* Painter, const TRect& Clip);
    void End();
    QPainter* Painter() const { return FPainter; }

    void LineTo(int32_t X, int32_t Y) override;
    void Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) override;
    void FillRect(const TRect& Rect) override;
    void Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) override;
    void TextOut(int32_t X, int32_t Y, const std::string& Text) override;
    int32_t TextWidth(const std::string& Text) override;
    int32_t TextHeight(const std::string& Text) override;
    void StretchDraw(const TRect& Rect, const TBitmap& Bitmap) override;
    void Draw(int32_t X, int32_t Y, const TBitmap& Bitmap) override;
    TRect ClipRect() const override { return FClip; }

private:
    QPainter* FPainter = nullptr;
    TRect FClip;
};
