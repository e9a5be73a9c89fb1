#pragma once

#include <QImage>

#include <cstdint>

class TZoneSpriteSurface;

struct TRenderOptions {
    bool Background = true;
    bool Zones = true;
    // The editor's grid template with cells of this size; 0 draws none.
    int32_t GridSize = 0;
};

// The size of the whole picture: the virtual canvas (the extent of the elements), widened
// to the zones so that a map set without bitmaps still shows its outlines.
QSize CanvasSize(TZoneSpriteSurface& Surface);

// The whole canvas drawn as the editor draws its view (background elements, zone outlines
// and labels, highlights, grid template), as an 8-bit image with the surface's palette.
// Areas without background are palette entry 0. The surface is used as a camera: it is
// resized and moved tile by tile, and keeps that state afterwards. Raises Exception when
// there is nothing to draw or the picture would be too large.
QImage RenderMap(TZoneSpriteSurface& Surface, const TRenderOptions& Options);
