#include "editor/DrawPointsTool.h"

#include "editor/CornerSnap.h"
#include "editor/MapDocument.h"
#include "editor/OverlayDrawing.h"
#include "editor/PointsEditorForm.h"

namespace {

std::string PointLine(TPoint P) {
    return std::to_string(P.X) + "," + std::to_string(P.Y);
}

} // namespace

TDrawPointsTool::TDrawPointsTool(TToolHost& Host) : TMapTool(Host) {
    FForget =
        QObject::connect(&Host.Document(), &TMapDocument::changed, [this] { FMarked.reset(); });
}

TDrawPointsTool::~TDrawPointsTool() {
    QObject::disconnect(FForget);
}

void TDrawPointsTool::MouseDown(TMouseButton Button, TShiftState, int32_t X, int32_t Y) {
    if (Button == TMouseButton::mbLeft) {
        Host().PointsEditor()->AddLine(PointLine(SnapToGrid(X, Y)));
        return;
    }
    if (Button != TMouseButton::mbRight)
        return;
    if (const std::optional<TPoint> Corner = NearestCorner(Host().Document().Surface(), X, Y))
        Host().PointsEditor()->AddLine(PointLine(*Corner));
}

void TDrawPointsTool::MouseMove(TShiftState, int32_t X, int32_t Y) {
    const std::optional<TPoint> Corner = NearestCorner(Host().Document().Surface(), X, Y);
    if (Corner == FMarked)
        return;
    FMarked = Corner;
    Host().RenderNow();
}

void TDrawPointsTool::DrawOverlay(TCanvas& Canvas, TDIBCanvas&, int32_t OffsetX, int32_t OffsetY) {
    if (!FMarked)
        return;
    const TOverlayView View{OffsetX, OffsetY, Canvas.ClipRect().Right, Canvas.ClipRect().Bottom};
    DrawCornerMarker(Canvas, View, *FMarked, RGBColor(0, 255, 255));
}

bool TDrawPointsTool::TracksHover() const {
    return true;
}

void TDrawPointsTool::Deactivate() {
    FMarked.reset();
}
