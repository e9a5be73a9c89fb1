#include "editor/ScrollerGlyph.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr int32_t GlyphSize = 80;

enum : uint8_t { Ground, Ring, Arrow, ArrowLight, Dot };

// Inside the arrow that points from the centre towards +along: a triangle whose tip is at
// the rim and whose base, 2 x HalfBase wide, lies across the axis at BaseAt.
bool InArrow(double Along, double Across) {
    constexpr double Tip = 36.0;
    constexpr double BaseAt = 16.0;
    constexpr double HalfBase = 10.0;
    if (Along < BaseAt || Along > Tip)
        return false;
    return std::abs(Across) <= HalfBase * (Tip - Along) / (Tip - BaseAt);
}

} // namespace

std::unique_ptr<TBitmap> MakeScrollerGlyph() {
    auto glyph = std::make_unique<TBitmap>();
    glyph->SetPixelFormat(TPixelFormat::pf8bit);
    // Blue, green, red.
    glyph->SetPalette(std::vector<TRGBQuad>{
        {24, 16, 16, 0},    // ground: near black
        {96, 88, 88, 0},    // ring: dark grey
        {192, 192, 192, 0}, // arrow: silver
        {255, 255, 255, 0}, // arrow's lit side
        {40, 200, 240, 0},  // centre dot: amber
    });
    glyph->SetSize(GlyphSize, GlyphSize);
    // Pixel centres measured from the picture's centre.
    const double centre = (GlyphSize - 1) / 2.0;
    for (int32_t y = 0; y < GlyphSize; ++y) {
        uint8_t* row = glyph->ScanLine(y);
        for (int32_t x = 0; x < GlyphSize; ++x) {
            const double dx = x - centre;
            const double dy = y - centre;
            const double r = std::hypot(dx, dy);
            uint8_t index = Ground;
            if (r >= 37.0 && r <= 39.5)
                index = Ring;
            // Each arrow is lit on its upper or left half, as if from the top left.
            if (InArrow(dx, dy) || InArrow(-dx, dy))
                index = dy < 0 ? ArrowLight : Arrow;
            if (InArrow(dy, dx) || InArrow(-dy, dx))
                index = dx < 0 ? ArrowLight : Arrow;
            if (r <= 6.0)
                index = Dot;
            row[x] = index;
        }
    }
    return glyph;
}
