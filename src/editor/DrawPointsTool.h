#pragma once

#include "editor/MapTool.h"

#include <QMetaObject>

#include <optional>

// Draw Points: a left click adds its point to the pending points, snapped down to the
// 5-pixel grid; a right click adds the nearest corner of any zone (the first of equal
// candidates), so that neighbours share corners exactly. While the mouse is over the map,
// the corner a right click would take is marked.
class TDrawPointsTool : public TMapTool {
public:
    explicit TDrawPointsTool(TToolHost& Host);
    ~TDrawPointsTool() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
    void DrawOverlay(TCanvas& Canvas, TDIBCanvas& DibCanvas, int32_t OffsetX,
                     int32_t OffsetY) override;
    bool TracksHover() const override;
    void Deactivate() override;
    // The corner marked now, if any.
    std::optional<TPoint> MarkedCorner() const { return FMarked; }

private:
    std::optional<TPoint> FMarked;
    // Any change to the map may take the marked corner away; the next move marks afresh.
    QMetaObject::Connection FForget;
};
