#pragma once

#include "editor/MapTool.h"

#include <optional>
#include <vector>

// Select Zone: a click selects the first zone under it; a click outside every zone
// changes nothing. With a zone selected, dragging one of its corners moves that corner in
// every zone that has it (left button: onto the 5-pixel grid; right button: onto the
// nearest other corner), as one step of the history.
class TSelectZoneTool : public TMapTool {
public:
    using TMapTool::TMapTool;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void DrawOverlay(TCanvas& Canvas, TDIBCanvas& DibCanvas, int32_t OffsetX,
                     int32_t OffsetY) override;
    void Deactivate() override;
    // How near (in map pixels, each axis) a press must be to a corner to grab it.
    static constexpr int32_t GrabDistance = 6;
    bool Dragging() const { return FDrag.has_value(); }

private:
    struct TDrag {
        TMouseButton Button;
        int32_t Selected; // the selected zone's position
        TPoint From;      // the corner grabbed
        TPoint To;        // where it would go now
        TPoint Press;     // where the button went down
        bool Moved = false;
        // The corners of every zone that has From, as they were at the press.
        std::vector<std::vector<TPoint>> Outlines;
    };
    std::optional<TDrag> FDrag;
};
