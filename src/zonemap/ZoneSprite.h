#pragma once

#include "graphics/PixelChain.h"
#include "sprites/Velmora.h"

#include <cstdint>

class TZone;

// Draws one zone: its outline pulled 2 pixels inwards (white and 2 wide when highlighted,
// else 1 pixel in the zone's colour index) and, for land zones, its name. Its position
// stays (0, 0).
class TZoneSprite : public TSprite {
public:
    explicit TZoneSprite(TZone* AZone);

    TZone* Zone() const { return FZone; }
    bool Highlighted() const { return FHighlighted; }
    void SetHighlighted(bool Value) { FHighlighted = Value; }

    // The zone's Bounds (inclusive), in virtual coordinates. A zone without points, or a
    // sprite whose zone was deleted, gives the empty (0, 0, -1, -1).
    void GetBounds(TRect& Rect) const override;
    // DrawOutline, then DrawLabel; nothing for a zone without points.
    void Draw(TCanvas& Canvas, TDIBCanvas& DIBCanvas) override;
    virtual void DrawOutline(TCanvas& Canvas, TDIBCanvas& DIBCanvas);
    virtual void DrawLabel(TCanvas& Canvas);

    // Zone point Index moved 2 pixels towards the zone's centre on each axis (a coordinate
    // equal to the centre's decreases), in client coordinates.
    TPoint OutlinePoint(int32_t Index) const;

private:
    friend class TZoneSpriteSurface; // forgets the zone when the zone is deleted

    // What OutlinePoint adds to every point, worked out once per outline.
    struct TOutlineShift {
        TPoint Center;
        int64_t DX;
        int64_t DY;
    };
    TOutlineShift OutlineShift() const;
    TPoint OutlinePoint(const TOutlineShift& Shift, int32_t Index) const;
    // Rasterises the outline once it could fit DIBCanvas; a zone's points never change.
    void PrepareOutline(const TDIBCanvas& DIBCanvas);

    bool FHighlighted = false;
    TZone* FZone = nullptr;
    // The plain outline's pixels, relative to the view's origin at offset (0, 0) and the
    // sprite at (0, 0); drawn from here wherever it lies wholly inside the frame.
    TPixelChain FOutline;
    bool FOutlineTried = false;
};
