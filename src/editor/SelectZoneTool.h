#pragma once

#include "editor/MapTool.h"

// Select Zone: a click selects the first zone under it; a click outside every zone
// changes nothing.
class TSelectZoneTool : public TMapTool {
public:
    using TMapTool::TMapTool;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
};
