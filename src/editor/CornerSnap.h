#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <optional>

class TZoneSpriteSurface;

// Where the map's clicks put a corner: a left click on the 5-pixel grid below and to the
// left of it, a right click on the nearest corner any zone already has, so that
// neighbours share corners exactly.
TPoint SnapToGrid(int32_t X, int32_t Y);
// The nearest zone corner (city-block distance; the first in zone and point order among
// equals), leaving out corners equal to Except; none on a map without corners.
std::optional<TPoint> NearestCorner(const TZoneSpriteSurface& Surface, int32_t X, int32_t Y,
                                    std::optional<TPoint> Except = std::nullopt);
