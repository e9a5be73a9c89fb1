#include "graphics/DIBCanvas.h"

#include "graphics/LineSteps.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

EInvalidWidth::EInvalidWidth() : Exception("Width must be a multiple of 4") {}

namespace {

// The fills store four bytes at a time: the colour replicated into a 32-bit word. memcpy
// keeps that free of alignment and aliasing assumptions and compiles to plain stores; the
// stores are grouped sixteen to a step so that the compiler can issue them as vector stores,
// which is what keeps a fill close to memset.
void StoreQuads(uint8_t* P, int64_t Quads, uint32_t Quad) {
    int64_t I = 0;
    for (; I + 16 <= Quads; I += 16) {
        uint8_t* Q = P + I * 4;
        for (int K = 0; K < 16; ++K)
            std::memcpy(Q + K * 4, &Quad, 4);
    }
    for (; I < Quads; ++I)
        std::memcpy(P + I * 4, &Quad, 4);
}

void FillBytes(uint8_t* P, int64_t Count, uint8_t Color) {
    if (Count <= 0)
        return;
    const int64_t Quads = Count / 4;
    StoreQuads(P, Quads, uint32_t(Color) * 0x01010101u);
    for (int64_t I = Quads * 4; I < Count; ++I)
        P[I] = Color;
}

void FillWords(uint8_t* P, int64_t Count, uint16_t Color) {
    if (Count <= 0)
        return;
    const int64_t Pairs = Count / 2;
    StoreQuads(P, Pairs, uint32_t(Color) * 0x00010001u);
    if (Count % 2 != 0)
        std::memcpy(P + Pairs * 4, &Color, 2);
}

// Adds 0.5 and truncates toward zero, as the clipping crossings are defined; values beyond
// the 32-bit range (far-away end points) saturate, which keeps them outside any clip rect.
int32_t ConvertCrossing(double Value) {
    const double V = Value + 0.5;
    if (!(V < 2147483647.0))
        return std::numeric_limits<int32_t>::max();
    if (!(V > -2147483648.0))
        return std::numeric_limits<int32_t>::min();
    return int32_t(V);
}

bool Inside(int64_t X, int64_t Y, const TRect& R) {
    return X >= R.Left && X <= R.Right && Y >= R.Top && Y <= R.Bottom;
}

// Moves the end point (MX, MY) of the segment from the fixed point (FX, FY) onto the clip
// rectangle: the column crossing first, then the row crossing, which wins when both fall
// inside.
void MoveEndPoint(int32_t FX, int32_t FY, int32_t& MX, int32_t& MY, const TRect& R) {
    const double Dx = double(int64_t(MX) - FX);
    const double Dy = double(int64_t(MY) - FY);

    enum { None, Low, High } Column = None, Row = None;
    int32_t Yc = -1;
    if (MX > R.Right) {
        Column = High;
        if (Dx != 0)
            Yc = ConvertCrossing(Dy / Dx * double(int64_t(R.Right) - FX) + FY);
    } else if (MX < R.Left) {
        Column = Low;
        if (Dx != 0)
            Yc = ConvertCrossing(Dy / Dx * double(int64_t(R.Left) - FX) + FY);
    }
    int32_t Xc = -1;
    if (MY > R.Bottom) {
        Row = High;
        if (Dy != 0)
            Xc = ConvertCrossing(Dx / Dy * double(int64_t(R.Bottom) - FY) + FX);
    } else if (MY < R.Top) {
        Row = Low;
        if (Dy != 0)
            Xc = ConvertCrossing(Dx / Dy * double(int64_t(R.Top) - FY) + FX);
    }

    if (Column != None && Yc >= R.Top && Yc <= R.Bottom) {
        MX = Column == High ? R.Right : R.Left;
        MY = Yc;
    }
    if (Row != None && Xc >= R.Left && Xc <= R.Right) {
        MX = Xc;
        MY = Row == High ? R.Bottom : R.Top;
    }
}

} // namespace

TDIBCanvas::TDIBCanvas() {
    // Bound from the start, so that a canvas drawn on before its owner sizes it does nothing
    // instead of calling through an empty slot.
    Recompute();
}

void TDIBCanvas::SetWidth(int32_t Value) {
    if (Value % 4 > 0)
        throw EInvalidWidth();
    FWidth = Value;
    Recompute();
}

void TDIBCanvas::SetHeight(int32_t Value) {
    FHeight = Value;
    Recompute();
}

void TDIBCanvas::SetBitDepth(TBitDepth Value) {
    FBitDepth = Value;
    Recompute();
}

void TDIBCanvas::SetBottomUp(bool Value) {
    FBottomUp = Value;
    // The pixel routines depend on the row order too.
    BindRoutines();
}

void TDIBCanvas::Recompute() {
    FRowBytes16 = int32_t(int64_t(FWidth) * 2);
    FPixelCount = int32_t(int64_t(FWidth) * FHeight);
    FBufferSize = FBitDepth == bd8 ? FPixelCount : int32_t(int64_t(FPixelCount) * 2);
    BindRoutines();
    FClipRect = TRect{0, 0, FWidth - 1, FHeight - 1};
}

void TDIBCanvas::BindRoutines() {
    if (FBitDepth == bd8) {
        FSetPixel = FBottomUp ? &TDIBCanvas::SetPixel8Flipped : &TDIBCanvas::SetPixel8;
        FGetPixel = FBottomUp ? &TDIBCanvas::GetPixel8Flipped : &TDIBCanvas::GetPixel8;
        FDrawLine = &TDIBCanvas::DrawLine8;
        FClear = &TDIBCanvas::Clear8;
        FFillRect = &TDIBCanvas::FillRect8;
    } else {
        FSetPixel = FBottomUp ? &TDIBCanvas::SetPixel16Flipped : &TDIBCanvas::SetPixel16;
        FGetPixel = FBottomUp ? &TDIBCanvas::GetPixel16Flipped : &TDIBCanvas::GetPixel16;
        FDrawLine = &TDIBCanvas::DrawLine16;
        FClear = &TDIBCanvas::Clear16;
        FFillRect = &TDIBCanvas::FillRect16;
    }
}

void TDIBCanvas::LineTo(int32_t X, int32_t Y) {
    SetLineSegment(FPenPos.X, FPenPos.Y, X, Y);
    if (ClipLine())
        DrawLine();
    FPenPos = TPoint{X, Y};
}

void TDIBCanvas::Blank(uint16_t Color) {
    FSavedBrush = FBrushColor;
    FBrushColor = Color;
    Clear();
    FBrushColor = FSavedBrush;
}

void TDIBCanvas::SetLineSegment(int32_t AX1, int32_t AY1, int32_t AX2, int32_t AY2) {
    FX1 = AX1;
    FY1 = AY1;
    FX2 = AX2;
    FY2 = AY2;
}

bool TDIBCanvas::ClipLine() {
    const TRect& R = FClipRect;
    const bool In1 = Inside(FX1, FY1, R);
    const bool In2 = Inside(FX2, FY2, R);
    if (In1 && In2)
        return true;
    if (!In1 && !In2) {
        if ((FX1 < R.Left && FX2 < R.Left) || (FX1 > R.Right && FX2 > R.Right) ||
            (FY1 < R.Top && FY2 < R.Top) || (FY1 > R.Bottom && FY2 > R.Bottom))
            return false;
    }
    if (!In2)
        MoveEndPoint(FX1, FY1, FX2, FY2, R);
    if (!In1)
        MoveEndPoint(FX2, FY2, FX1, FY1, R);
    return Inside(FX1, FY1, R) && Inside(FX2, FY2, R);
}

// Pixel access: no bounds check, as documented in the header.

void TDIBCanvas::SetPixel8(int32_t X, int32_t Y, uint16_t Color) {
    FBits[ptrdiff_t(X) + ptrdiff_t(Y) * FWidth] = uint8_t(Color);
}

void TDIBCanvas::SetPixel8Flipped(int32_t X, int32_t Y, uint16_t Color) {
    FBits[ptrdiff_t(X) + ptrdiff_t(FHeight - Y - 1) * FWidth] = uint8_t(Color);
}

void TDIBCanvas::SetPixel16(int32_t X, int32_t Y, uint16_t Color) {
    std::memcpy(FBits + (ptrdiff_t(X) + ptrdiff_t(Y) * FWidth) * 2, &Color, 2);
}

void TDIBCanvas::SetPixel16Flipped(int32_t X, int32_t Y, uint16_t Color) {
    std::memcpy(FBits + (ptrdiff_t(X) + ptrdiff_t(FHeight - Y - 1) * FWidth) * 2, &Color, 2);
}

uint16_t TDIBCanvas::GetPixel8(int32_t X, int32_t Y) const {
    return FBits[ptrdiff_t(X) + ptrdiff_t(Y) * FWidth];
}

uint16_t TDIBCanvas::GetPixel8Flipped(int32_t X, int32_t Y) const {
    return FBits[ptrdiff_t(X) + ptrdiff_t(FHeight - Y - 1) * FWidth];
}

uint16_t TDIBCanvas::GetPixel16(int32_t X, int32_t Y) const {
    uint16_t Color;
    std::memcpy(&Color, FBits + (ptrdiff_t(X) + ptrdiff_t(Y) * FWidth) * 2, 2);
    return Color;
}

uint16_t TDIBCanvas::GetPixel16Flipped(int32_t X, int32_t Y) const {
    uint16_t Color;
    std::memcpy(&Color, FBits + (ptrdiff_t(X) + ptrdiff_t(FHeight - Y - 1) * FWidth) * 2, 2);
    return Color;
}

// Bresenham with a pointer that moves by a fixed pixel step and row step. The last pixel is
// stored outside the loop so that the pointer never steps past the buffer.
template <int BytesPerPixel, typename TStore> void TDIBCanvas::RasterLine(TStore Store) {
    int32_t Y1 = FY1;
    int32_t Y2 = FY2;
    if (FBottomUp) {
        Y1 = FHeight - Y1 - 1;
        Y2 = FHeight - Y2 - 1;
    }
    uint8_t* P = FBits + (ptrdiff_t(Y1) * FWidth + FX1) * BytesPerPixel;
    const ptrdiff_t Sx = FX2 - FX1 >= 0 ? BytesPerPixel : -BytesPerPixel;
    const int32_t Dx = FX2 >= FX1 ? FX2 - FX1 : FX1 - FX2;
    const ptrdiff_t Sy =
        Y2 - Y1 >= 0 ? ptrdiff_t(FWidth) * BytesPerPixel : -ptrdiff_t(FWidth) * BytesPerPixel;
    const int32_t Dy = Y2 >= Y1 ? Y2 - Y1 : Y1 - Y2;

    ForEachLineStep(Dx, Dy, [&](bool MovesX, bool MovesY) {
        Store(P);
        if (MovesX)
            P += Sx;
        if (MovesY)
            P += Sy;
    });
    Store(P);
}

void TDIBCanvas::DrawLine8() {
    const uint8_t Color = uint8_t(FPenColor);
    RasterLine<1>([Color](uint8_t* P) { *P = Color; });
}

void TDIBCanvas::DrawLine16() {
    const uint16_t Color = FPenColor;
    RasterLine<2>([Color](uint8_t* P) { std::memcpy(P, &Color, 2); });
}

void TDIBCanvas::Clear8() {
    FillBytes(FBits, FBufferSize, uint8_t(FBrushColor));
}

void TDIBCanvas::Clear16() {
    FillWords(FBits, FPixelCount, FBrushColor);
}

bool TDIBCanvas::ClipFill(const TRect& Rect, int32_t& X, int32_t& Y, int32_t& W, int32_t& H) const {
    if (Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top)
        return false;
    if (Rect.Right <= 0 || Rect.Bottom <= 0 || Rect.Left >= FWidth || Rect.Top >= FHeight)
        return false;
    // 64-bit: a rectangle may span more than the 32-bit range.
    int64_t X64 = Rect.Left, Y64 = Rect.Top;
    int64_t W64 = int64_t(Rect.Right) - Rect.Left, H64 = int64_t(Rect.Bottom) - Rect.Top;
    if (X64 < 0) {
        W64 += X64;
        X64 = 0;
    }
    if (X64 + W64 - 1 >= FWidth)
        W64 = FWidth - X64;
    if (Y64 < 0) {
        H64 += Y64;
        Y64 = 0;
    }
    if (Y64 + H64 - 1 >= FHeight)
        H64 = FHeight - Y64;
    X = int32_t(X64);
    Y = int32_t(Y64);
    W = int32_t(W64);
    H = int32_t(H64);
    return W > 0 && H > 0;
}

void TDIBCanvas::FillRect8(const TRect& Rect) {
    int32_t X, Y, W, H;
    if (!ClipFill(Rect, X, Y, W, H))
        return;
    const ptrdiff_t Stride = FBottomUp ? -ptrdiff_t(FWidth) : ptrdiff_t(FWidth);
    uint8_t* Row = FBits + ptrdiff_t(MemoryRow(Y)) * FWidth + X;
    const uint8_t Color = uint8_t(FBrushColor);
    for (int32_t I = 0; I < H; ++I) {
        FillBytes(Row, W, Color);
        if (I + 1 < H)
            Row += Stride;
    }
}

void TDIBCanvas::FillRect16(const TRect& Rect) {
    int32_t X, Y, W, H;
    if (!ClipFill(Rect, X, Y, W, H))
        return;
    const ptrdiff_t Stride = FBottomUp ? -ptrdiff_t(FRowBytes16) : ptrdiff_t(FRowBytes16);
    uint8_t* Row = FBits + ptrdiff_t(MemoryRow(Y)) * FRowBytes16 + ptrdiff_t(X) * 2;
    for (int32_t I = 0; I < H; ++I) {
        FillWords(Row, W, FBrushColor);
        if (I + 1 < H)
            Row += Stride;
    }
}
