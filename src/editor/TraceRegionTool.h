#pragma once

#include "editor/MapTool.h"

#include <QMetaObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QProgressDialog;
class QWidget;
class TTraceSession;

// Trace Region: a left click inside a region of the map picture puts the region's traced
// outline into the pending points and sets the Land Zone box from the region's kind, so
// that Create New Zone or Replace Selected Zone makes it. The first click traces the whole
// background in a worker (the window stays responsive; a progress window with Cancel shows
// when it takes long); a click meanwhile replaces the one waiting for the trace.
class TTraceRegionTool : public TMapTool {
public:
    using TSetLand = std::function<void(bool Land)>;
    TTraceRegionTool(TToolHost& Host, TTraceSession& Session, QWidget* Window, TSetLand SetLand);
    ~TTraceRegionTool() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    Qt::CursorShape Cursor() const override;
    void Deactivate() override;

    // The pending-point lines of the region at the map point; empty when no region holds
    // it. The session must be ready.
    static std::vector<std::string> OutlineLines(const std::vector<TPoint>& Outline);
    // The click waiting for the trace, if any.
    std::optional<TPoint> Waiting() const { return FWaiting; }

private:
    void Take(TPoint At);
    void TraceEnded(bool Traced, const QString& Error);

    TTraceSession& FSession;
    QWidget* FWindow;
    TSetLand FSetLand;
    std::optional<TPoint> FWaiting;
    QProgressDialog* FProgress = nullptr;
    QMetaObject::Connection FEnded;
    QMetaObject::Connection FProgressed;
};
