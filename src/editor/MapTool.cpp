#include "editor/MapTool.h"

void TMapTool::MouseDown(TMouseButton, TShiftState, int32_t, int32_t) {}

void TMapTool::MouseMove(TShiftState, int32_t, int32_t) {}

void TMapTool::MouseUp(TMouseButton, TShiftState, int32_t, int32_t) {}

void TMapTool::ZoneSelected(TZone*) {}

void TMapTool::DrawOverlay(TCanvas&, TDIBCanvas&, int32_t, int32_t) {}

Qt::CursorShape TMapTool::Cursor() const {
    return Qt::ArrowCursor;
}

std::string TMapTool::Prompt() const {
    return {};
}

bool TMapTool::TracksHover() const {
    return false;
}

void TMapTool::Activate() {}

void TMapTool::Deactivate() {}
