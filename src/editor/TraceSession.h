#pragma once

#include "trace/Tracer.h"

#include <QObject>
#include <QString>

#include <memory>

class TMapDocument;
class TTraceWorker;

// The whole map background traced under the settings last chosen (in Trace All Zones...,
// else the defaults), kept until the bitmaps, the elements or the settings change, so that
// every Trace Region click after the first is a lookup. The trace runs in a worker; the
// busy cursor shows meanwhile.
class TTraceSession : public QObject {
    Q_OBJECT
public:
    explicit TTraceSession(TMapDocument* Document, QObject* Parent = nullptr);
    ~TTraceSession() override;

    const TTraceSettings& Settings() const { return FSettings; }
    // Other settings drop the trace kept.
    void SetSettings(const TTraceSettings& Settings);
    // A trace of the whole background under Settings() made elsewhere (Trace All Zones...)
    // kept as this session's.
    void Adopt(std::shared_ptr<TTracer> Tracer);

    // The background traced, or nullptr while it is not.
    TTracer* Ready() const;
    bool Running() const;
    // Starts tracing unless it runs or is done. The background is composed here, on the
    // window's thread (the surface is not shared); raises Exception when there is none.
    void Start();
    void Cancel();
    TTraceWorker& Worker() const { return *FWorker; }

signals:
    // Traced: Ready() now answers. Error: why the trace failed, empty when cancelled.
    void finished(bool Traced, const QString& Error);

private:
    void Drop();

    TMapDocument* FDocument;
    TTraceSettings FSettings;
    std::shared_ptr<TTracer> FTracer;
    TTraceWorker* FWorker;
    // The worker traces FTracer now.
    bool FTracing = false;
    bool FBusyCursor = false;
};
