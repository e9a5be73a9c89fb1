#include "editor/TraceSession.h"

#include "editor/MapDocument.h"
#include "editor/TraceWorker.h"
#include "trace/TracePicture.h"

#include <QApplication>

TTraceSession::TTraceSession(TMapDocument* Document, QObject* Parent)
    : QObject(Parent), FDocument(Document), FWorker(new TTraceWorker(this)) {
    // What the background shows is all a trace depends on.
    for (auto Signal : {&TMapDocument::bitmapInserted, &TMapDocument::bitmapAboutToBeRemoved})
        connect(Document, Signal, this, &TTraceSession::Drop);
    for (auto Signal :
         {&TMapDocument::elementsChanged, &TMapDocument::aboutToReset, &TMapDocument::reset})
        connect(Document, Signal, this, &TTraceSession::Drop);
    connect(FWorker, &TTraceWorker::finished, this, [this](bool Traced, const QString& Error) {
        if (FBusyCursor) {
            FBusyCursor = false;
            QApplication::restoreOverrideCursor();
        }
        // A trace dropped meanwhile reports nothing of its own, only that it ended.
        const bool Mine = FTracing;
        FTracing = false;
        if (Mine && !Traced)
            FTracer.reset();
        emit finished(Mine && Traced, Mine ? Error : QString());
    });
}

TTraceSession::~TTraceSession() {
    if (FBusyCursor)
        QApplication::restoreOverrideCursor();
}

static bool SameSettings(const TTraceSettings& A, const TTraceSettings& B) {
    return A.BorderColors == B.BorderColors && A.SeaColors == B.SeaColors &&
           A.Tolerance == B.Tolerance && A.MinArea == B.MinArea;
}

void TTraceSession::SetSettings(const TTraceSettings& Settings) {
    if (SameSettings(Settings, FSettings))
        return;
    Drop();
    FSettings = Settings;
}

void TTraceSession::Adopt(std::shared_ptr<TTracer> Tracer) {
    Drop();
    FSettings = Tracer->Settings();
    FTracer = std::move(Tracer);
}

TTracer* TTraceSession::Ready() const {
    return FTracer && !FTracing && FTracer->Traced() ? FTracer.get() : nullptr;
}

bool TTraceSession::Running() const {
    return FTracing;
}

void TTraceSession::Start() {
    if (Running() || Ready())
        return;
    FTracer = std::make_shared<TTracer>(ComposeBackground(FDocument->Surface()), FSettings);
    if (!FBusyCursor) {
        FBusyCursor = true;
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
    FTracing = true;
    FWorker->Start(FTracer);
}

void TTraceSession::Cancel() {
    if (FTracing)
        FWorker->Cancel();
}

void TTraceSession::Drop() {
    Cancel();
    FTracing = false;
    FTracer.reset();
}
