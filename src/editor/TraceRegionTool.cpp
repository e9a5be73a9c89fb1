#include "editor/TraceRegionTool.h"

#include "editor/MapDocument.h"
#include "editor/PointsEditorForm.h"
#include "editor/TraceSession.h"
#include "editor/TraceWorker.h"
#include "platform/Exception.h"

#include <QProgressDialog>

TTraceRegionTool::TTraceRegionTool(TToolHost& Host, TTraceSession& Session, QWidget* Window,
                                   TSetLand SetLand)
    : TMapTool(Host), FSession(Session), FWindow(Window), FSetLand(std::move(SetLand)) {
    FEnded =
        QObject::connect(&Session, &TTraceSession::finished,
                         [this](bool Traced, const QString& Error) { TraceEnded(Traced, Error); });
    FProgressed = QObject::connect(&Session.Worker(), &TTraceWorker::progress, [this](int Percent) {
        if (FProgress)
            FProgress->setValue(Percent);
        if (FWaiting)
            this->Host().ShowStatusText("Tracing the map picture... " + std::to_string(Percent) +
                                        "%");
    });
}

TTraceRegionTool::~TTraceRegionTool() {
    QObject::disconnect(FEnded);
    QObject::disconnect(FProgressed);
    delete FProgress;
}

std::vector<std::string> TTraceRegionTool::OutlineLines(const std::vector<TPoint>& Outline) {
    std::vector<std::string> Lines;
    Lines.reserve(Outline.size());
    for (const TPoint& P : Outline)
        Lines.push_back(std::to_string(P.X) + "," + std::to_string(P.Y));
    return Lines;
}

void TTraceRegionTool::MouseDown(TMouseButton Button, TShiftState, int32_t X, int32_t Y) {
    if (Button != TMouseButton::mbLeft)
        return;
    if (FSession.Ready()) {
        Take({X, Y});
        return;
    }
    FWaiting = TPoint{X, Y};
    if (FSession.Running())
        return;
    try {
        FSession.Start();
    } catch (const Exception&) {
        FWaiting.reset();
        Host().ShowStatusText("There is no background to trace");
        return;
    }
    Host().ShowStatusText("Tracing the map picture...");
    if (!FProgress) {
        FProgress = new QProgressDialog("Tracing the map picture...", "Cancel", 0, 100, FWindow);
        FProgress->setObjectName("dlgTraceProgress");
        FProgress->setWindowTitle("Trace Region");
        // The window goes on answering while the trace runs; only a long trace shows this.
        FProgress->setWindowModality(Qt::NonModal);
        FProgress->setMinimumDuration(500);
        QObject::connect(FProgress, &QProgressDialog::canceled, [this] { FSession.Cancel(); });
    }
    FProgress->reset();
    FProgress->setValue(0);
}

void TTraceRegionTool::TraceEnded(bool Traced, const QString& Error) {
    if (FProgress)
        FProgress->reset();
    const std::optional<TPoint> Click = FWaiting;
    FWaiting.reset();
    if (!Click)
        return;
    if (Traced) {
        Take(*Click);
        Host().RenderNow();
    } else
        Host().ShowStatusText(Error.isEmpty() ? std::string("Tracing cancelled")
                                              : "Tracing failed: " + Error.toStdString());
}

void TTraceRegionTool::Take(TPoint At) {
    TTracer& Tracer = *FSession.Ready();
    const int32_t Index = Tracer.RegionAt(At);
    if (Index < 0) {
        Host().ShowStatusText("No region here: a border line, or outside the picture");
        return;
    }
    const TTracedRegion& Region = Tracer.Regions()[size_t(Index)];
    FSetLand(!Region.IsSea);
    Host().PointsEditor()->SetLines(OutlineLines(Region.Outline));
    const TZoneSpriteSurface& Surface = Host().Document().Surface();
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
        const TZone* Zone = Surface.Zone(I);
        if (Zone->Points() == Region.Outline) {
            Host().ShowStatusText("Zone " + Zone->Name() + " has this outline already");
            return;
        }
    }
    Host().ShowStatusText(std::string(Region.IsSea ? "Sea" : "Land") + " region of " +
                          std::to_string(Region.Outline.size()) + " points");
}

Qt::CursorShape TTraceRegionTool::Cursor() const {
    return Qt::CrossCursor;
}

void TTraceRegionTool::Deactivate() {
    // A click that waits is no longer what the author wants; the trace goes on for later.
    FWaiting.reset();
}
