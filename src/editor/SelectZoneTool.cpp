#include "editor/SelectZoneTool.h"

#include "editor/MapDocument.h"

void TSelectZoneTool::MouseDown(TMouseButton, TShiftState, int32_t X, int32_t Y) {
    if (TZone* Zone = Host().Document().ZoneAt(X, Y))
        Host().SelectZone(Zone);
}
