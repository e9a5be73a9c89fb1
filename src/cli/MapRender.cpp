#include "cli/MapRender.h"

#include "platform/Exception.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <cstring>

namespace {

// Tiles keep the frame buffer small however large the map is. Each is drawn with a margin
// on every side, since a label may reach past its zone into a tile that the zone itself
// does not touch (the engines skip sprites whose bounds lie outside the view).
constexpr int32_t Tile = 2048;
constexpr int32_t Margin = 256;
// One byte per pixel: 128 MiB at most, so that a render with the bitmaps of a map set at
// their budget stays well within 512 MiB.
constexpr int64_t MaxPixels = int64_t(1) << 27;

// The grid template of the editor's view: rows of height S; in each row vertical lines
// every S from 0 (even rows) or S div 2 (odd rows), as the brick cells of standard sea
// zones; the horizontal line of a row spans the view.
void DrawGridTemplate(TZoneSpriteSurface& Surface, TDIBCanvas& Canvas, int32_t S,
                      const QSize& Size) {
    Canvas.SetPenColor(0);
    const int32_t OX = Surface.OffsetX();
    const int32_t OY = Surface.OffsetY();
    for (int64_t Row = 0; Row * S < Size.height(); ++Row) {
        const int32_t Y = int32_t(Row * S);
        // Rows and columns wholly outside the view are skipped; the canvas clips the rest.
        if (Y + S < OY || Y > OY + Surface.Height())
            continue;
        Canvas.MoveTo(0, Y - OY);
        Canvas.LineTo(Surface.Width(), Y - OY);
        for (int64_t X = Row % 2 == 1 ? S / 2 : 0; X < Size.width(); X += S) {
            if (X < OX || X > OX + Surface.Width())
                continue;
            Canvas.MoveTo(int32_t(X) - OX, Y - OY);
            Canvas.LineTo(int32_t(X) - OX, Y + S - OY);
        }
    }
}

} // namespace

QSize CanvasSize(TZoneSpriteSurface& Surface) {
    int64_t Width = std::max(0, Surface.VirtualWidth());
    int64_t Height = std::max(0, Surface.VirtualHeight());
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
        const TZone& Z = *Surface.Zone(I);
        if (Z.PointCount() == 0)
            continue;
        // Outlines are drawn 2 pixels inside the vertices: the right-most pixel of a zone
        // whose right-most vertex is at x lies at x - 2.
        Width = std::max(Width, int64_t(Z.Bounds().Right) - 1);
        Height = std::max(Height, int64_t(Z.Bounds().Bottom) - 1);
    }
    if (Width * Height > MaxPixels || Width > INT32_MAX / 2 || Height > INT32_MAX / 2)
        throw Exception("the map is too large to draw (" + std::to_string(Width) + " x " +
                        std::to_string(Height) + " pixels, more than " + std::to_string(MaxPixels) +
                        ")");
    return QSize(int(Width), int(Height));
}

QImage RenderMap(TZoneSpriteSurface& Surface, const TRenderOptions& Options) {
    const QSize Size = CanvasSize(Surface);
    if (Size.isEmpty())
        throw Exception("nothing to draw: the map set has no elements and no zones at "
                        "positive coordinates");

    Surface.SetShowBackground(Options.Background);
    Surface.SetShowZones(Options.Zones);
    // Every tile starts from entry 0, as the editor's view does with the background off;
    // otherwise areas without elements would show the previous tile.
    Surface.SetAutoBlank(true);
    Surface.SetAutoBlankColorIndex(0);
    const TCanvasEvent PreviousAfter = Surface.AfterSpriteRender;
    if (Options.GridSize > 0)
        Surface.AfterSpriteRender = [&](TObject*, TCanvas&, TDIBCanvas& Canvas) {
            DrawGridTemplate(Surface, Canvas, Options.GridSize, Size);
        };
    Surface.SetBounds(0, 0, Tile + 2 * Margin, Tile + 2 * Margin);

    QImage Picture(Size, QImage::Format_Indexed8);
    if (Picture.isNull())
        throw Exception("not enough memory for a picture of " + std::to_string(Size.width()) +
                        " x " + std::to_string(Size.height()) + " pixels");
    for (int32_t TY = 0; TY < Size.height(); TY += Tile)
        for (int32_t TX = 0; TX < Size.width(); TX += Tile) {
            Surface.SetOffsetX(TX - Margin);
            Surface.SetOffsetY(TY - Margin);
            Surface.Render();
            const QImage& Frame = Surface.FrameImage();
            if (Frame.isNull() || Frame.format() != QImage::Format_Indexed8)
                throw Exception("the surface drew no 8-bit frame");
            if (Picture.colorTable().isEmpty())
                Picture.setColorTable(Frame.colorTable());
            const int32_t W = std::min(Tile, Size.width() - TX);
            const int32_t H = std::min(Tile, Size.height() - TY);
            for (int32_t Y = 0; Y < H; ++Y)
                std::memcpy(Picture.scanLine(TY + Y) + TX, Frame.constScanLine(Margin + Y) + Margin,
                            size_t(W));
        }
    Surface.AfterSpriteRender = PreviousAfter;
    return Picture;
}
