#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TDIBCanvas;

// A closed polyline rasterised once, pixel for pixel as TDIBCanvas's LineTo draws a segment that
// needs no clipping, and kept as one-pixel steps. Zone outlines never change once made,
// while every frame draws hundreds of them: replaying the steps costs one store a pixel
// and no per-segment set-up.
class TPixelChain {
public:
    struct TPoint64 {
        int64_t X;
        int64_t Y;
    };

    // Rasterises the lines Points[0] -> Points[1] -> ... -> Points[Count - 1] -> Points[0].
    // False, keeping nothing, without points or when it would take more than MaxSteps
    // steps.
    bool Build(const TPoint64* Points, size_t Count, size_t MaxSteps);
    void Clear();
    bool Built() const { return FSegments > 0; }

    // The bounds of the pixels, inclusive, in the points' coordinates.
    int64_t Left() const { return FLeft; }
    int64_t Top() const { return FTop; }
    int64_t Right() const { return FRight; }
    int64_t Bottom() const { return FBottom; }
    size_t StepCount() const { return FStepCount; }

    // Paints in Canvas's PenColor exactly what MoveTo(Points[0]) and LineTo to each
    // following point and back to Points[0] would paint with every point
    // moved by (DX, DY) and then limited to the 32-bit range, and leaves PenPos and the
    // line segment as those calls would. Segments that lie inside the clip rectangle are
    // replayed from the steps, the others go through LineTo. False, painting nothing, for
    // a bottom-up canvas, a canvas without memory or a chain that is not built.
    bool Draw(TDIBCanvas& Canvas, int64_t DX, int64_t DY) const;

private:
    template <int BytesPerPixel, typename TStore>
    void Replay(TDIBCanvas& Canvas, int64_t DX, int64_t DY, TStore Store) const;

    // Two steps a byte, low nibble first; a step is (dx + 1) * 3 + (dy + 1), so 4 stays in
    // place (it pads an odd count).
    std::vector<uint8_t> FSteps;
    // Each segment's move from its start to its end, two signed bytes (x, y); a move
    // beyond them is -128 followed by the two 64-bit values. A segment takes as many steps
    // as the longer side of its move.
    std::vector<int8_t> FMoves;
    size_t FSegments = 0;
    size_t FStepCount = 0;
    TPoint64 FStart{0, 0};
    // Where the last segment starts and ends.
    TPoint64 FLastFrom{0, 0};
    TPoint64 FLastTo{0, 0};
    int64_t FLeft = 0;
    int64_t FTop = 0;
    int64_t FRight = -1;
    int64_t FBottom = -1;
};
