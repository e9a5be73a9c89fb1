#include "editor/TraceWorker.h"

#include "trace/Tracer.h"

#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

struct TTraceWorker::TRun {
    // Shared with the worker thread: it may outlive the worker object's interest.
    std::shared_ptr<std::atomic<bool>> Cancel = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<int>> Percent = std::make_shared<std::atomic<int>>(0);
    QFutureWatcher<QString> Watcher;
};

TTraceWorker::TTraceWorker(QObject* Parent) : QObject(Parent), FPoll(new QTimer(this)) {
    // Progress is read on the window's thread: the worker never calls into objects that
    // the window may be destroying.
    FPoll->setInterval(100);
    connect(FPoll, &QTimer::timeout, this, [this] {
        if (!FCurrent)
            return;
        const int Percent = FCurrent->Percent->load();
        if (Percent != FShownPercent) {
            FShownPercent = Percent;
            emit progress(Percent);
        }
    });
}

TTraceWorker::~TTraceWorker() {
    for (const auto& Run : FRuns)
        Run->Cancel->store(true);
    for (const auto& Run : FRuns) {
        Run->Watcher.disconnect();
        Run->Watcher.waitForFinished();
    }
}

void TTraceWorker::Start(std::shared_ptr<TTracer> Tracer) {
    if (FCurrent) {
        FCurrent->Cancel->store(true);
        FCurrent = nullptr;
    }
    FDone.clear();
    FTracer = std::move(Tracer);
    auto Run = std::make_unique<TRun>();
    TRun* Started = Run.get();
    connect(&Started->Watcher, &QFutureWatcher<QString>::finished, this,
            [this, Started] { Finish(Started); });
    Started->Watcher.setFuture(QtConcurrent::run(
        [Tracer = FTracer, Cancel = Started->Cancel, Percent = Started->Percent]() -> QString {
            try {
                Tracer->Run([&Percent](int32_t P) { Percent->store(P); }, Cancel.get());
                return {};
            } catch (const std::exception& Error) {
                return QString::fromUtf8(Error.what());
            }
        }));
    FRuns.push_back(std::move(Run));
    FCurrent = Started;
    FShownPercent = -1;
    FPoll->start();
}

void TTraceWorker::Cancel() {
    if (FCurrent)
        FCurrent->Cancel->store(true);
}

void TTraceWorker::Wait() {
    while (FCurrent) {
        TRun* Run = FCurrent;
        Run->Watcher.waitForFinished();
        Finish(Run);
    }
}

void TTraceWorker::Finish(TRun* Run) {
    const auto It = std::find_if(FRuns.begin(), FRuns.end(),
                                 [Run](const auto& Owned) { return Owned.get() == Run; });
    if (It == FRuns.end())
        return;
    const bool Reported = Run == FCurrent;
    const QString Error = Run->Watcher.result();
    const bool Traced = Error.isEmpty() && !Run->Cancel->load() && FTracer->Traced();
    // Freed at the next start: this may run inside the watcher's own signal.
    FDone.push_back(std::move(*It));
    FRuns.erase(It);
    if (!Reported)
        return;
    FCurrent = nullptr;
    FPoll->stop();
    emit finished(Traced, Error);
}
