#pragma once

#include "platform/Controls.h"
#include "platform/Types.h"

#include <Qt>

#include <cstdint>
#include <string>

class TCanvas;
class TDIBCanvas;
class TMapDocument;
class TZone;
class TfrmPointsEditor;

// What a mouse tool may use of the editor around it.
class TToolHost {
public:
    virtual TMapDocument& Document() = 0;
    // Selects as a click does: the selection, the pending points, the name box and the
    // status bar; a pick that is pending takes the zone.
    virtual void SelectZone(TZone* Zone) = 0;
    // The selected zone, if any.
    virtual TZone* SelectedZone() const = 0;
    // A line for the status bar's message panel.
    virtual void ShowStatusText(const std::string& Text) = 0;
    // The pending points' window.
    virtual TfrmPointsEditor* PointsEditor() const = 0;
    // The zone a pick began with, and the end of the pick (the tool of the mouse mode
    // takes over again).
    virtual TZone* PickSource() const = 0;
    virtual void EndPick() = 0;
    // A frame soon: at once, or at the end of the command under way.
    virtual void RenderNow() = 0;

protected:
    ~TToolHost() = default;
};

// The mouse behaviour of the map in one mode. The window sends the map's mouse events to
// the active tool in map coordinates, draws the tool's overlay over each frame, shows its
// cursor, and shows its prompt in place of the control pages while it has one. A frame
// follows each mouse down; a tool that changes what is drawn on a move or a release asks
// for one itself. Moves with no button held reach a tool only while it tracks hover.
class TMapTool {
public:
    explicit TMapTool(TToolHost& Host) : FHost(Host) {}
    virtual ~TMapTool() = default;
    TMapTool(const TMapTool&) = delete;
    TMapTool& operator=(const TMapTool&) = delete;

    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    // A zone was selected by any means (map, list, Map Check, Go to Zone).
    virtual void ZoneSelected(TZone* Zone);
    // Drawn over the frame after the sprites; OffsetX and OffsetY turn map coordinates
    // into the frame's.
    virtual void DrawOverlay(TCanvas& Canvas, TDIBCanvas& DibCanvas, int32_t OffsetX,
                             int32_t OffsetY);
    virtual Qt::CursorShape Cursor() const;
    // Shown instead of the control pages while the tool is active; empty for none.
    virtual std::string Prompt() const;
    // Whether moves with no button held reach MouseMove.
    virtual bool TracksHover() const;
    // The tool becomes active, or stops being so (a drag in progress ends).
    virtual void Activate();
    virtual void Deactivate();

protected:
    TToolHost& Host() const { return FHost; }

private:
    TToolHost& FHost;
};
