#pragma once

#include "platform/Exception.h"
#include "platform/Types.h"

#include <cstdint>
#include <initializer_list>

// Pixel formats of a surface buffer. bd15 is 5-5-5 (masks 0x7C00, 0x03E0, 0x001F), bd16 is
// 5-6-5 (masks 0xF800, 0x07E0, 0x001F); the canvas only moves 8- or 16-bit values and never
// interprets them. Unscoped so that both bd8 and TBitDepth::bd8 read naturally.
enum TBitDepth : uint8_t { bd8, bd15, bd16 };

// A set of bit depths.
class TBitDepths {
public:
    constexpr TBitDepths() = default;
    constexpr TBitDepths(std::initializer_list<TBitDepth> Depths) {
        for (TBitDepth D : Depths)
            FMask |= Bit(D);
    }

    constexpr bool Contains(TBitDepth D) const { return (FMask & Bit(D)) != 0; }
    constexpr bool Empty() const { return FMask == 0; }
    constexpr void Include(TBitDepth D) { FMask |= Bit(D); }
    constexpr void Exclude(TBitDepth D) { FMask &= uint8_t(~Bit(D)); }

    friend constexpr bool operator==(TBitDepths, TBitDepths) = default;
    friend constexpr TBitDepths operator+(TBitDepths A, TBitDepths B) {
        TBitDepths R;
        R.FMask = uint8_t(A.FMask | B.FMask);
        return R;
    }
    friend constexpr TBitDepths operator*(TBitDepths A, TBitDepths B) {
        TBitDepths R;
        R.FMask = uint8_t(A.FMask & B.FMask);
        return R;
    }

private:
    static constexpr uint8_t Bit(TBitDepth D) { return uint8_t(1u << unsigned(D)); }
    uint8_t FMask = 0;
};

// "Width must be a multiple of 4"
class EInvalidWidth : public Exception {
public:
    EInvalidWidth();
};

// Fast drawing over one block of pixel memory that belongs to someone else (the sprite
// surface's DIB section). The canvas never allocates or frees pixel memory.
//
// Rows follow each other without padding: pixel (x, y) is element x + r * Width of Bits, with
// r = y (top-down) or Height - 1 - y (BottomUp); an element is a byte (bd8) or a 16-bit word.
// Width is kept a multiple of 4 so that an 8-bit row is exactly one DIB scan line.
//
// Depth and row order are resolved when the geometry changes, by binding the routine slots;
// the drawing calls themselves never test the depth.
//
// SetPixel, GetPixel and writes through Bits are unchecked: the caller keeps
// 0 <= X < Width and 0 <= Y < Height. LineTo and FillRect clip.
class TDIBCanvas {
public:
    TDIBCanvas();
    ~TDIBCanvas() = default;
    TDIBCanvas(const TDIBCanvas&) = delete;
    TDIBCanvas& operator=(const TDIBCanvas&) = delete;

    int32_t Width() const { return FWidth; }
    // Raises EInvalidWidth, changing nothing, unless Value is a multiple of 4.
    void SetWidth(int32_t Value);
    int32_t Height() const { return FHeight; }
    void SetHeight(int32_t Value);
    TBitDepth BitDepth() const { return FBitDepth; }
    void SetBitDepth(TBitDepth Value);
    // True: row y is stored at memory row Height - 1 - y.
    bool BottomUp() const { return FBottomUp; }
    void SetBottomUp(bool Value);

    // Colour of Clear, FillRect and Blank; the 8-bit routines use its low byte.
    uint16_t BrushColor() const { return FBrushColor; }
    void SetBrushColor(uint16_t Value) { FBrushColor = Value; }
    // Colour of DrawLine and LineTo; the 8-bit routines use its low byte.
    uint16_t PenColor() const { return FPenColor; }
    void SetPenColor(uint16_t Value) { FPenColor = Value; }

    // First byte of the pixel memory, assigned by its owner for the current geometry.
    uint8_t* Bits() const { return FBits; }
    void SetBits(void* Value) { FBits = static_cast<uint8_t*>(Value); }

    TPoint PenPos() const { return FPenPos; }
    // Bytes of pixel memory: PixelCount for bd8, 2 * PixelCount for bd15 and bd16.
    int32_t BufferSize() const { return FBufferSize; }
    int32_t PixelCount() const { return FPixelCount; }
    // Width * 2: the row stride of the 16-bit formats.
    int32_t RowBytes16() const { return FRowBytes16; }
    // Inclusive bounds used by line clipping: (0, 0, Width - 1, Height - 1).
    const TRect& ClipRect() const { return FClipRect; }

    void MoveTo(int32_t X, int32_t Y) { FPenPos = TPoint{X, Y}; }
    // Draws the clipped segment from PenPos to (X, Y), both end points included; PenPos
    // becomes (X, Y) itself, not the clipped end.
    void LineTo(int32_t X, int32_t Y);
    // Clear with Color; BrushColor is left as it was.
    void Blank(uint16_t Color);

    void SetPixel(int32_t X, int32_t Y, uint16_t Color) { (this->*FSetPixel)(X, Y, Color); }
    uint16_t GetPixel(int32_t X, int32_t Y) const { return (this->*FGetPixel)(X, Y); }
    // Draws the current line segment with PenColor; the segment must already lie inside
    // ClipRect (ClipLine or LineTo ensure it).
    void DrawLine() { (this->*FDrawLine)(); }
    // The whole buffer := BrushColor.
    void Clear() { (this->*FClear)(); }
    // Right and Bottom exclusive; the part inside the canvas is filled with BrushColor.
    void FillRect(const TRect& Rect) { (this->*FFillRect)(Rect); }

    // The segment that ClipLine clips in place and DrawLine draws.
    void SetLineSegment(int32_t AX1, int32_t AY1, int32_t AX2, int32_t AY2);
    TRect LineSegment() const { return TRect{FX1, FY1, FX2, FY2}; }
    // Moves the segment's end points onto ClipRect; false when no part of it is visible.
    bool ClipLine();

private:
    using TSetPixelProc = void (TDIBCanvas::*)(int32_t, int32_t, uint16_t);
    using TGetPixelProc = uint16_t (TDIBCanvas::*)(int32_t, int32_t) const;
    using TDrawProc = void (TDIBCanvas::*)();
    using TFillRectProc = void (TDIBCanvas::*)(const TRect&);

    void Recompute();
    void BindRoutines();

    void SetPixel8(int32_t X, int32_t Y, uint16_t Color);
    void SetPixel8Flipped(int32_t X, int32_t Y, uint16_t Color);
    void SetPixel16(int32_t X, int32_t Y, uint16_t Color);
    void SetPixel16Flipped(int32_t X, int32_t Y, uint16_t Color);
    uint16_t GetPixel8(int32_t X, int32_t Y) const;
    uint16_t GetPixel8Flipped(int32_t X, int32_t Y) const;
    uint16_t GetPixel16(int32_t X, int32_t Y) const;
    uint16_t GetPixel16Flipped(int32_t X, int32_t Y) const;
    void DrawLine8();
    void DrawLine16();
    void Clear8();
    void Clear16();
    void FillRect8(const TRect& Rect);
    void FillRect16(const TRect& Rect);

    // Shared by both depths: BytesPerPixel is 1 or 2, Store writes one pixel at a pointer.
    template <int BytesPerPixel, typename TStore> void RasterLine(TStore Store);
    // Clips Rect to the canvas into pixel (X, Y) with W x H pixels; false when nothing is left.
    bool ClipFill(const TRect& Rect, int32_t& X, int32_t& Y, int32_t& W, int32_t& H) const;
    // Memory row of pixel row Y.
    int32_t MemoryRow(int32_t Y) const { return FBottomUp ? FHeight - 1 - Y : Y; }

    int32_t FWidth = 0;
    int32_t FRowBytes16 = 0;
    int32_t FHeight = 0;
    bool FBottomUp = false;
    uint16_t FBrushColor = 0;
    uint16_t FPenColor = 0;
    uint8_t* FBits = nullptr;
    TPoint FPenPos;
    TBitDepth FBitDepth = bd8;
    int32_t FBufferSize = 0;
    int32_t FPixelCount = 0;
    TRect FClipRect{0, 0, -1, -1};
    int32_t FX1 = 0;
    int32_t FY1 = 0;
    int32_t FX2 = 0;
    int32_t FY2 = 0;
    uint16_t FSavedBrush = 0;

    TSetPixelProc FSetPixel = nullptr;
    TGetPixelProc FGetPixel = nullptr;
    TDrawProc FDrawLine = nullptr;
    TDrawProc FClear = nullptr;
    TFillRectProc FFillRect = nullptr;
};
