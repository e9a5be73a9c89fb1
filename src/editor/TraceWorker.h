#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class QTimer;
class TTracer;

// Runs a tracer's whole trace on a worker thread, one trace at a time: starting another
// cancels the one under way, whose result is never reported. The tracer is shared with the
// worker, so whoever drops it meanwhile leaves the worker nothing dangling.
class TTraceWorker : public QObject {
    Q_OBJECT
public:
    explicit TTraceWorker(QObject* Parent = nullptr);
    // Cancels what runs and waits for it.
    ~TTraceWorker() override;

    void Start(std::shared_ptr<TTracer> Tracer);
    // The trace under way stops; finished(false, "") follows.
    void Cancel();
    bool Running() const { return FCurrent != nullptr; }
    // The tracer last started (traced once finished(true) came).
    const std::shared_ptr<TTracer>& Tracer() const { return FTracer; }
    // Blocks until nothing runs; finished has been emitted for the last start then.
    void Wait();

signals:
    void progress(int Percent);
    // Traced: the whole trace is done. Error: why it failed, empty when cancelled or done.
    void finished(bool Traced, const QString& Error);

private:
    struct TRun;
    void Finish(TRun* Run);

    std::shared_ptr<TTracer> FTracer;
    // The run whose result is reported; runs cancelled by a later start go on to their end
    // in the background and are dropped then.
    TRun* FCurrent = nullptr;
    std::vector<std::unique_ptr<TRun>> FRuns;
    std::vector<std::unique_ptr<TRun>> FDone;
    QTimer* FPoll;
    int FShownPercent = -1;
};
