#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <vector>

class TCanvas;

// What the mouse tools draw over the map. Map points are turned into the frame's by
// subtracting the offsets; lines are clipped to the view first, so points far off the
// map's view never reach the canvas as coordinates it cannot hold.
struct TOverlayView {
    int32_t OffsetX = 0;
    int32_t OffsetY = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

// The line from A to B (map points) with the canvas's pen.
void DrawMapLine(TCanvas& Canvas, const TOverlayView& View, TPoint A, TPoint B);
// The lines between the points in order and, with Closed and three or more points, the
// line from the last back to the first.
void DrawOutline(TCanvas& Canvas, const TOverlayView& View, const std::vector<TPoint>& Points,
                 bool Closed);
// A ring round a corner in Color: the corner a click or a drag would take.
void DrawCornerMarker(TCanvas& Canvas, const TOverlayView& View, TPoint Corner, TColor Color);
