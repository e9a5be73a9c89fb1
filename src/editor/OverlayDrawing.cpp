#include "editor/OverlayDrawing.h"

#include "platform/Canvas.h"

#include <cmath>
#include <utility>

namespace {

// Liang-Barsky against the view widened by a margin, so that clipped ends lie off screen.
bool ClipToView(const TOverlayView& View, double& X1, double& Y1, double& X2, double& Y2) {
    const double Margin = 16;
    const double MinX = -Margin, MinY = -Margin;
    const double MaxX = View.Width + Margin, MaxY = View.Height + Margin;
    const double DX = X2 - X1, DY = Y2 - Y1;
    double T0 = 0, T1 = 1;
    const std::pair<double, double> Edges[4] = {
        {-DX, X1 - MinX}, {DX, MaxX - X1}, {-DY, Y1 - MinY}, {DY, MaxY - Y1}};
    for (auto [P, Q] : Edges) {
        if (P == 0) {
            if (Q < 0)
                return false;
            continue;
        }
        const double T = Q / P;
        if (P < 0) {
            if (T > T1)
                return false;
            T0 = std::max(T0, T);
        } else {
            if (T < T0)
                return false;
            T1 = std::min(T1, T);
        }
    }
    const double SX = X1, SY = Y1;
    X1 = SX + T0 * DX;
    Y1 = SY + T0 * DY;
    X2 = SX + T1 * DX;
    Y2 = SY + T1 * DY;
    return true;
}

} // namespace

void DrawMapLine(TCanvas& Canvas, const TOverlayView& View, TPoint A, TPoint B) {
    double X1 = double(A.X) - View.OffsetX, Y1 = double(A.Y) - View.OffsetY;
    double X2 = double(B.X) - View.OffsetX, Y2 = double(B.Y) - View.OffsetY;
    if (!ClipToView(View, X1, Y1, X2, Y2))
        return;
    Canvas.MoveTo(int32_t(std::lround(X1)), int32_t(std::lround(Y1)));
    Canvas.LineTo(int32_t(std::lround(X2)), int32_t(std::lround(Y2)));
}

void DrawOutline(TCanvas& Canvas, const TOverlayView& View, const std::vector<TPoint>& Points,
                 bool Closed) {
    for (size_t I = 1; I < Points.size(); ++I)
        DrawMapLine(Canvas, View, Points[I - 1], Points[I]);
    if (Closed && Points.size() >= 3)
        DrawMapLine(Canvas, View, Points.back(), Points.front());
}

void DrawCornerMarker(TCanvas& Canvas, const TOverlayView& View, TPoint Corner, TColor Color) {
    const double SX = double(Corner.X) - View.OffsetX;
    const double SY = double(Corner.Y) - View.OffsetY;
    if (SX < -16 || SY < -16 || SX > View.Width + 16 || SY > View.Height + 16)
        return;
    const TPen SavedPen = Canvas.Pen();
    const TBrush SavedBrush = Canvas.Brush();
    Canvas.Pen() = {Color, 2, TPenStyle::psSolid};
    Canvas.Brush().Style = TBrushStyle::bsClear;
    const auto X = int32_t(SX), Y = int32_t(SY);
    Canvas.Ellipse(X - 6, Y - 6, X + 7, Y + 7);
    Canvas.Pen() = SavedPen;
    Canvas.Brush() = SavedBrush;
}
