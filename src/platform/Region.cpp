#include "platform/Region.h"

#include <algorithm>
#include <limits>
#include <utility>

TRegion::TRegion(const std::vector<TPoint>& Points) : TRegion(Points.data(), int(Points.size())) {}

TRegion::TRegion(const TPoint* Points, int Count) {
    if (!Points || Count < 3 || Area2(Points, size_t(Count)) == 0)
        return; // a polygon without area holds no pixel centre
    FOwned.assign(Points, Points + Count);
    FPoints = FOwned.data();
    FCount = FOwned.size();
    int32_t minX = std::numeric_limits<int32_t>::max(), minY = minX;
    int32_t maxX = std::numeric_limits<int32_t>::min(), maxY = maxX;
    for (const TPoint& p : FOwned) {
        minX = std::min(minX, p.X);
        minY = std::min(minY, p.Y);
        maxX = std::max(maxX, p.X);
        maxY = std::max(maxY, p.Y);
    }
    // Pixel x is inside only if minX <= x + 0.5 < maxX, so x runs from minX to maxX - 1.
    FBounds = {minX, minY, maxX, maxY};
}

TRegion TRegion::Over(const TPoint* Points, int Count, const TShape& Shape) {
    TRegion Region;
    if (!Points || Count < 3 || !Shape.HasArea)
        return Region;
    Region.FPoints = Points;
    Region.FCount = size_t(Count);
    Region.FBounds = Shape.Bounds;
    return Region;
}

TRegion::TArea2 TRegion::Area2(const TPoint* Points, size_t Count) {
    TArea2 Sum = 0;
    for (size_t i = 0; i < Count; ++i) {
        const TPoint& a = Points[i];
        const TPoint& b = Points[i + 1 < Count ? i + 1 : 0];
        Sum += TArea2(a.X) * b.Y - TArea2(b.X) * a.Y;
    }
    return Sum;
}

void TRegion::Adopt(const TRegion& Other) {
    FBounds = Other.FBounds;
    FCount = Other.FCount;
    if (Other.FPoints == Other.FOwned.data() && !Other.FOwned.empty()) {
        FOwned = Other.FOwned;
        FPoints = FOwned.data();
    } else {
        FOwned.clear();
        FPoints = Other.FPoints;
    }
}

TRegion::TRegion(const TRegion& Other) {
    Adopt(Other);
}

TRegion& TRegion::operator=(const TRegion& Other) {
    if (this != &Other)
        Adopt(Other);
    return *this;
}

// A moved vector keeps its buffer, so owned points stay where FPoints looks.
TRegion::TRegion(TRegion&& Other) noexcept
    : FOwned(std::move(Other.FOwned)), FPoints(std::exchange(Other.FPoints, nullptr)),
      FCount(std::exchange(Other.FCount, 0)), FBounds(Other.FBounds) {}

TRegion& TRegion::operator=(TRegion&& Other) noexcept {
    FOwned = std::move(Other.FOwned);
    FPoints = std::exchange(Other.FPoints, nullptr);
    FCount = std::exchange(Other.FCount, 0);
    FBounds = Other.FBounds;
    return *this;
}

bool TRegion::Contains(int32_t X, int32_t Y) const {
    if (FCount < 3)
        return false;
    if (X < FBounds.Left || X >= FBounds.Right || Y < FBounds.Top || Y >= FBounds.Bottom)
        return false;
    // Even-odd crossing test of the pixel centre, doubled to stay in integers:
    // centre = (2X + 1, 2Y + 1) / 2, never on a vertex or a horizontal edge.
    const int64_t cx = 2 * int64_t(X) + 1;
    const int64_t cy = 2 * int64_t(Y) + 1;
    bool inside = false;
    for (size_t i = 0, n = FCount, j = n - 1; i < n; j = i++) {
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
