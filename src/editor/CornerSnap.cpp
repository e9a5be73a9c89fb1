#include "editor/CornerSnap.h"

#include "zonemap/ZoneSpriteSurface.h"

#include <cstdlib>
#include <limits>

TPoint SnapToGrid(int32_t X, int32_t Y) {
    return {X / 5 * 5, Y / 5 * 5};
}

std::optional<TPoint> NearestCorner(const TZoneSpriteSurface& Surface, int32_t X, int32_t Y,
                                    std::optional<TPoint> Except) {
    std::optional<TPoint> Best;
    int64_t BestDistance = std::numeric_limits<int64_t>::max();
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I)
        for (const TPoint& P : Surface.Zone(I)->Points()) {
            if (Except && P == *Except)
                continue;
            const int64_t Distance = std::llabs(int64_t(P.X) - X) + std::llabs(int64_t(P.Y) - Y);
            if (Distance < BestDistance) {
                BestDistance = Distance;
                Best = P;
            }
        }
    return Best;
}
