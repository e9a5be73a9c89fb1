#include "editor/SelectZoneTool.h"

#include "editor/CornerSnap.h"
#include "editor/MapDocument.h"
#include "editor/MoveCornerCommand.h"
#include "editor/OverlayDrawing.h"

#include <algorithm>
#include <cstdlib>

void TSelectZoneTool::MouseDown(TMouseButton Button, TShiftState, int32_t X, int32_t Y) {
    FDrag.reset();
    if (Button == TMouseButton::mbMiddle)
        return;
    TZone* Selected = Host().PickSource() ? nullptr : Host().SelectedZone();
    if (Selected) {
        const TPoint* Grabbed = nullptr;
        int64_t Best = GrabDistance + 1;
        for (const TPoint& P : Selected->Points()) {
            const int64_t D = std::max(std::llabs(int64_t(P.X) - X), std::llabs(int64_t(P.Y) - Y));
            if (D < Best) {
                Best = D;
                Grabbed = &P;
            }
        }
        if (Grabbed) {
            TDrag Drag{Button, Selected->Index(), *Grabbed, *Grabbed, {X, Y}, false, {}};
            const TZoneSpriteSurface& Surface = Host().Document().Surface();
            for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
                const std::vector<TPoint>& Points = Surface.Zone(I)->Points();
                if (std::find(Points.begin(), Points.end(), Drag.From) != Points.end())
                    Drag.Outlines.push_back(Points);
            }
            FDrag = std::move(Drag);
            return;
        }
    }
    if (TZone* Zone = Host().Document().ZoneAt(X, Y))
        Host().SelectZone(Zone);
}

void TSelectZoneTool::MouseMove(TShiftState, int32_t X, int32_t Y) {
    if (!FDrag)
        return;
    // A hand's tremor during a click is not a drag.
    if (std::llabs(int64_t(X) - FDrag->Press.X) > 2 || std::llabs(int64_t(Y) - FDrag->Press.Y) > 2)
        FDrag->Moved = true;
    if (!FDrag->Moved)
        return;
    TPoint To = FDrag->From;
    if (FDrag->Button == TMouseButton::mbLeft)
        To = SnapToGrid(X, Y);
    else if (const auto Corner = NearestCorner(Host().Document().Surface(), X, Y, FDrag->From))
        To = *Corner;
    if (To == FDrag->To)
        return;
    FDrag->To = To;
    Host().RenderNow();
}

void TSelectZoneTool::MouseUp(TMouseButton Button, TShiftState, int32_t, int32_t) {
    if (!FDrag || Button != FDrag->Button)
        return;
    const TDrag Drag = std::move(*FDrag);
    FDrag.reset();
    if (!Drag.Moved || Drag.To == Drag.From) {
        Host().RenderNow();
        return;
    }
    TMapDocument& Document = Host().Document();
    auto Command = std::make_unique<TMoveCornerCommand>(&Document, Drag.From, Drag.To);
    if (!Command->Zones().empty())
        Document.Push(Command.release());
    const TZoneSpriteSurface& Surface = Document.Surface();
    if (Drag.Selected < Surface.ZoneCount())
        Host().SelectZone(Surface.Zone(Drag.Selected));
    Host().RenderNow();
}

void TSelectZoneTool::DrawOverlay(TCanvas& Canvas, TDIBCanvas&, int32_t OffsetX, int32_t OffsetY) {
    if (!FDrag || !FDrag->Moved)
        return;
    const TOverlayView View{OffsetX, OffsetY, Canvas.ClipRect().Right, Canvas.ClipRect().Bottom};
    const TPen SavedPen = Canvas.Pen();
    Canvas.Pen() = {RGBColor(255, 255, 255), 1, TPenStyle::psSolid};
    for (std::vector<TPoint> Outline : FDrag->Outlines) {
        for (TPoint& P : Outline)
            if (P == FDrag->From)
                P = FDrag->To;
        DrawOutline(Canvas, View, Outline, true);
    }
    Canvas.Pen() = SavedPen;
    DrawCornerMarker(Canvas, View, FDrag->To, RGBColor(0, 255, 255));
}

void TSelectZoneTool::Deactivate() {
    FDrag.reset();
}
