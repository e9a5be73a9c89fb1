#include "zonemap/ZoneSprite.h"

#include "zonemap/Zone.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

int32_t Clamp32(int64_t Value) {
    return int32_t(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

} // namespace

TZoneSprite::TZoneSprite(TZone* AZone) : FZone(AZone) {}

void TZoneSprite::GetBounds(TRect& Rect) const {
    if (FZone == nullptr || FZone->PointCount() == 0)
        Rect = {0, 0, -1, -1};
    else
        Rect = FZone->Bounds();
}

void TZoneSprite::Draw(TCanvas& Canvas, TDIBCanvas& DIBCanvas) {
    if (FZone == nullptr || FZone->PointCount() == 0)
        return;
    DrawOutline(Canvas, DIBCanvas);
    DrawLabel(Canvas);
}

TZoneSprite::TOutlineShift TZoneSprite::OutlineShift() const {
    const int64_t OffsetX = SpriteSurface() ? SpriteSurface()->OffsetX() : 0;
    const int64_t OffsetY = SpriteSurface() ? SpriteSurface()->OffsetY() : 0;
    const TPoint Own = Position();
    return {FZone->Center(), Own.X - OffsetX, Own.Y - OffsetY};
}

TPoint TZoneSprite::OutlinePoint(const TOutlineShift& Shift, int32_t Index) const {
    const TPoint& P = FZone->Point(Index);
    const int64_t X = int64_t(P.X) + (P.X < Shift.Center.X ? 2 : -2) + Shift.DX;
    const int64_t Y = int64_t(P.Y) + (P.Y < Shift.Center.Y ? 2 : -2) + Shift.DY;
    return {Clamp32(X), Clamp32(Y)};
}

TPoint TZoneSprite::OutlinePoint(int32_t Index) const {
    return OutlinePoint(OutlineShift(), Index);
}

void TZoneSprite::DrawOutline(TCanvas& Canvas, TDIBCanvas& DIBCanvas) {
    const int32_t Count = FZone->PointCount();
    const TOutlineShift Shift = OutlineShift();
    const TPoint First = OutlinePoint(Shift, 0);
    if (FHighlighted) {
        Canvas.Pen().Style = TPenStyle::psSolid;
        Canvas.Pen().Color = clWhite;
        Canvas.Pen().Width = 2;
        Canvas.MoveTo(First.X, First.Y);
        for (int32_t I = 1; I < Count; ++I) {
            const TPoint P = OutlinePoint(Shift, I);
            Canvas.LineTo(P.X, P.Y);
        }
        Canvas.LineTo(First.X, First.Y);
        Canvas.Pen().Width = 1;
    } else {
        DIBCanvas.SetPenColor(FZone->ColorIndex());
        PrepareOutline(DIBCanvas);
        if (FOutline.Draw(DIBCanvas, Shift.DX, Shift.DY))
            return;
        DIBCanvas.MoveTo(First.X, First.Y);
        for (int32_t I = 1; I < Count; ++I) {
            const TPoint P = OutlinePoint(Shift, I);
            DIBCanvas.LineTo(P.X, P.Y);
        }
        DIBCanvas.LineTo(First.X, First.Y);
    }
}

void TZoneSprite::PrepareOutline(const TDIBCanvas& DIBCanvas) {
    if (FOutlineTried)
        return;
    // The outline lies within the bounds grown by the 2-pixel pull on each side. A zone
    // that cannot fit the frame would be rasterised for nothing; it is tried again when
    // the frame has grown.
    const TRect& B = FZone->Bounds();
    if (int64_t(B.Right) - B.Left + 4 >= DIBCanvas.Width() ||
        int64_t(B.Bottom) - B.Top + 4 >= DIBCanvas.Height())
        return;
    FOutlineTried = true;
    const int32_t Count = FZone->PointCount();
    const TPoint Center = FZone->Center();
    std::vector<TPixelChain::TPoint64> Points(static_cast<size_t>(Count));
    for (int32_t I = 0; I < Count; ++I) {
        const TPoint& P = FZone->Point(I);
        Points[size_t(I)] = {int64_t(P.X) + (P.X < Center.X ? 2 : -2),
                             int64_t(P.Y) + (P.Y < Center.Y ? 2 : -2)};
    }
    // Real outlines take a few steps per point; a zig-zag of long strokes over and over
    // the same pixels is left to the line routine rather than kept at that size.
    const size_t MaxSteps =
        size_t(8) * size_t(Count) +
        size_t(8) * size_t(int64_t(B.Right) - B.Left + 4 + int64_t(B.Bottom) - B.Top + 4);
    FOutline.Build(Points.data(), Points.size(), MaxSteps);
}

void TZoneSprite::DrawLabel(TCanvas& Canvas) {
    if (FZone->IsSea() != 0)
        return;
    Canvas.Brush().Style = TBrushStyle::bsSolid;
    Canvas.Brush().Color = clBlack;
    Canvas.Font().Color = clWhite;
    Canvas.Font().Style = 0;
    Canvas.Font().Name = "Arial";
    Canvas.Font().Size = 8;
    const int64_t OffsetX = SpriteSurface() ? SpriteSurface()->OffsetX() : 0;
    const int64_t OffsetY = SpriteSurface() ? SpriteSurface()->OffsetY() : 0;
    Canvas.TextOut(Clamp32(FZone->Point(0).X - OffsetX), Clamp32(FZone->Point(0).Y - OffsetY),
                   " " + FZone->Name() + " ");
}
