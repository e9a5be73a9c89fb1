#include "platform/Region.h"

#include <algorithm>
#include <cmath>
#include <limits>

TRegion::TRegion(const std::vector<TPoint>& Points) : TRegion(Points.data(), int(Points.size())) {}

TRegion::TRegion(const TPoint* Points, int Count) {
    if (!Points || Count <= 0)
        return;
    FPoints.assign(Points, Points + Count);
    if (FPoints.size() < 3)
        return;
    // Twice the signed area, exactly: products of int32 coordinates need 63 bits, their
    // sum more.
    __extension__ using Wide = __int128;
    Wide area2 = 0;
    for (size_t i = 0, n = FPoints.size(); i < n; ++i) {
        const TPoint& a = FPoints[i];
        const TPoint& b = FPoints[(i + 1) % n];
        area2 += Wide(a.X) * b.Y - Wide(b.X) * a.Y;
    }
    if (area2 == 0) {
        // A polygon without area holds no pixel centre.
        FPoints.clear();
        return;
    }
    int32_t minX = std::numeric_limits<int32_t>::max(), minY = minX;
    int32_t maxX = std::numeric_limits<int32_t>::min(), maxY = maxX;
    for (const TPoint& p : FPoints) {
        minX = std::min(minX, p.X);
        minY = std::min(minY, p.Y);
        maxX = std::max(maxX, p.X);
        maxY = std::max(maxY, p.Y);
    }
    // Pixel x is inside only if minX <= x + 0.5 < maxX, so x runs from minX to maxX - 1.
    FBounds = {minX, minY, maxX, maxY};
}

bool TRegion::Contains(int32_t X, int32_t Y) const {
    if (FPoints.size() < 3)
        return false;
    if (X < FBounds.Left || X >= FBounds.Right || Y < FBounds.Top || Y >= FBounds.Bottom)
        return false;
    // Even-odd crossing test of the pixel centre, doubled to stay in integers:
    // centre = (2X + 1, 2Y + 1) / 2, never on a vertex or a horizontal edge.
    const int64_t cx = 2 * int64_t(X) + 1;
    const int64_t cy = 2 * int64_t(Y) + 1;
    bool inside = false;
    for (size_t i = 0, n = FPoints.size(), j = n - 1; i < n; j = i++) {
        const int64_t xi = 2 * int64_t(FPoints[i].X), yi = 2 * int64_t(FPoints[i].Y);
        const int64_t xj = 2 * int64_t(FPoints[j].X), yj = 2 * int64_t(FPoints[j].Y);
        if ((yi > cy) == (yj > cy))
            continue;
        // Left of the edge where it crosses height cy: (cx - xi) * dy < (cy - yi) * dx,
        // sides swapped for dy < 0. Doubled coordinates make products of up to 2^68.
        __extension__ using Wide = __int128;
        const int64_t dy = yj - yi;
        Wide left = Wide(cx - xi) * dy;
        Wide right = Wide(cy - yi) * (xj - xi);
        if (dy < 0) {
            left = -left;
            right = -right;
        }
        if (left < right)
            inside = !inside;
    }
    return inside;
}
