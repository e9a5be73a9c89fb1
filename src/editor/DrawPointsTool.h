#pragma once

#include "editor/MapTool.h"

// Draw Points: a left click adds its point to the pending points, snapped down to the
// 5-pixel grid; a right click adds the nearest corner of any zone (the first of equal
// candidates), so that neighbours share corners exactly.
class TDrawPointsTool : public TMapTool {
public:
    using TMapTool::TMapTool;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
};
