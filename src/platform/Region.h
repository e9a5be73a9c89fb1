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

    bool Contains(int32_t X, int32_t Y) const;
    // The polygon's bounding box, which holds every pixel of the region (right and bottom
    // exclusive; exact for a rectangle); empty for fewer than three points or no area.
    const TRect& Bounds() const { return FBounds; }
    bool Empty() const { return FPoints.size() < 3; }

private:
    std::vector<TPoint> FPoints;
    TRect FBounds;
};
