#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <vector>

class TZoneSpriteSurface;

// A part of the map's background as palette indices, row by row, placed at (Left, Top)
// in map coordinates.
struct TTracePicture {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Pixels;
    // Non-zero where an element lies; empty when elements cover the whole picture. Outlines
    // keep to the covered part, so that every traced point lies over the background.
    std::vector<uint8_t> Covered;

    uint8_t At(int32_t X, int32_t Y) const { return Pixels[size_t(Y) * size_t(Width) + size_t(X)]; }
};

// The background as the map draws it: every element in the background engine's drawing
// order, later ones over earlier ones, within Area (map coordinates, right and bottom
// outside), or over the extent of the elements when Area is null. Uncovered pixels are 0.
// Raises Exception for an empty area or one past a gigapixel.
TTracePicture ComposeBackground(TZoneSpriteSurface& Surface, const TRect* Area = nullptr);

struct TColorCount {
    uint8_t Index = 0;
    int64_t Pixels = 0;
};
// The colours of the covered pixels, most frequent first (equal counts by index).
std::vector<TColorCount> CountColors(const TTracePicture& Picture);
