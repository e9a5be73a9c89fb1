#include "editor/DrawPointsTool.h"

#include "editor/MapDocument.h"
#include "editor/PointsEditorForm.h"

#include <cstdlib>
#include <limits>

namespace {

std::string PointLine(int64_t X, int64_t Y) {
    return std::to_string(X) + "," + std::to_string(Y);
}

} // namespace

void TDrawPointsTool::MouseDown(TMouseButton Button, TShiftState, int32_t X, int32_t Y) {
    if (Button != TMouseButton::mbRight) {
        Host().PointsEditor()->AddLine(PointLine(X / 5 * 5, Y / 5 * 5));
        return;
    }
    const TZoneSpriteSurface& Surface = Host().Document().Surface();
    const TPoint* Best = nullptr;
    int64_t BestDistance = std::numeric_limits<int64_t>::max();
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I)
        for (const TPoint& P : Surface.Zone(I)->Points()) {
            const int64_t Distance = std::llabs(int64_t(P.X) - X) + std::llabs(int64_t(P.Y) - Y);
            if (Distance < BestDistance) {
                BestDistance = Distance;
                Best = &P;
            }
        }
    if (Best)
        Host().PointsEditor()->AddLine(PointLine(Best->X, Best->Y));
}
