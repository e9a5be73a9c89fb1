#pragma once

#include "platform/Types.h"

#include <vector>

// A polygon region filled by the even-odd (alternate) rule. A pixel (x, y) belongs to it
// when its centre (x + 0.5, y + 0.5) lies inside the polygon, so a rectangle with corners
// (0, 0) and (100, 80) holds x 0..99 and y 0..79, as a polygon region does on screen.
class TRegion {
public:
    TRegion() = default;
    explicit TRegion(const std::vector<TPoint>& Points);
    TRegion(const TPoint* Points, int Count);
    // A region over points that the caller keeps, unchanged and in place, for as long as
    // the region and its copies live: a zone's own vertices, which would otherwise be held
    // twice. Shape gives their bounding box and whether they enclose any area (Area2 is
    // not 0), which the caller works out as it reads them.
    struct TShape {
        TRect Bounds;
        bool HasArea = false;
    };
    static TRegion Over(const TPoint* Points, int Count, const TShape& Shape);

    TRegion(const TRegion& Other);
    TRegion& operator=(const TRegion& Other);
    TRegion(TRegion&& Other) noexcept;
    TRegion& operator=(TRegion&& Other) noexcept;

    bool Contains(int32_t X, int32_t Y) const;
    // The polygon's bounding box, which holds every pixel of the region (right and bottom
    // exclusive; exact for a rectangle); empty for fewer than three points or no area.
    const TRect& Bounds() const { return FBounds; }
    bool Empty() const { return FCount < 3; }

    // Twice the signed area of a closed polygon, exactly (int32 products need 63 bits,
    // their sum more): 0 when it holds no pixel centre.
    __extension__ using TArea2 = __int128;
    static TArea2 Area2(const TPoint* Points, size_t Count);

private:
    void Adopt(const TRegion& Other);

    // Points owned by the region, or none when it lies over the caller's.
    std::vector<TPoint> FOwned;
    const TPoint* FPoints = nullptr;
    size_t FCount = 0;
    TRect FBounds;
};
