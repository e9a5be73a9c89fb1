#include "editor/MapCheckRunner.h"

#include "editor/MapCheckSnapshot.h"
#include "editor/MapDocument.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

TMapCheckRunner::TMapCheckRunner(TMapDocument* Document, QObject* Parent)
    : QObject(Parent), FDocument(Document), FCache(std::make_unique<TMapCheckCache>()),
      FWatcher(new QFutureWatcher<TResult>(this)) {
    connect(FWatcher, &QFutureWatcherBase::finished, this, &TMapCheckRunner::Finished);
    connect(Document, &TMapDocument::changed, this, [this] { ++FGeneration; });
    connect(Document, &TMapDocument::zoneAboutToBeRemoved, this,
            [this](TZone* Zone) { FCache->ZoneRemoved(Zone); });
    connect(Document, &TMapDocument::bitmapInserted, this, [this] { FCache->BitmapsChanged(); });
    connect(Document, &TMapDocument::bitmapAboutToBeRemoved, this,
            [this] { FCache->BitmapsChanged(); });
    connect(Document, &TMapDocument::aboutToReset, this, [this] {
        ++FGeneration;
        ++FResets;
        FCache->Clear();
    });
}

TMapCheckRunner::~TMapCheckRunner() {
    // The worker keeps its snapshot; the watcher goes with this object and nothing is
    // delivered.
    FWatcher->disconnect(this);
}

std::shared_ptr<const TMapCheckSnapshot> TMapCheckRunner::Snapshot() {
    FDocument->BuildNeighbors();
    return FCache->Take(FDocument->Surface());
}

void TMapCheckRunner::Start() {
    if (FRunning) {
        FWanted = true;
        return;
    }
    std::shared_ptr<const TMapCheckSnapshot> Taken = Snapshot();
    FRunGeneration = FGeneration;
    FRunZoneCount = Taken->ZoneCount();
    FRunning = true;
    if (OnRunning)
        OnRunning(true);
    FRunResets = FResets;
    FWatcher->setFuture(
        QtConcurrent::run([Taken = std::move(Taken), Pairs = FCache->TakePairs()]() mutable {
            // Let go of the snapshot before the result is announced: the next snapshot may
            // then reuse its zone copies.
            const std::shared_ptr<const TMapCheckSnapshot> Mine = std::move(Taken);
            TResult Result;
            Result.Findings = CheckSnapshot(*Mine, &Pairs);
            Result.Pairs = std::move(Pairs);
            return Result;
        }));
}

std::vector<TFinding> TMapCheckRunner::CheckNow() {
    // A run in progress reads copies that a new snapshot must not touch: the cache makes
    // fresh ones then.
    std::vector<TFinding> Findings;
    if (FRunning) {
        Findings = CheckSnapshot(*Snapshot());
    } else {
        std::shared_ptr<TPairChecks> Pairs = FCache->TakePairs();
        Findings = CheckSnapshot(*Snapshot(), &Pairs);
        FCache->ReturnPairs(std::move(Pairs));
        FDelivered = FGeneration;
    }
    return Findings;
}

void TMapCheckRunner::Finished() {
    FRunning = false;
    TResult Result = FWatcher->result();
    if (FRunResets == FResets)
        FCache->ReturnPairs(std::move(Result.Pairs));
    std::vector<TFinding> Findings = std::move(Result.Findings);
    const bool Fresh = FRunGeneration == FGeneration;
    if (Fresh)
        FDelivered = FGeneration;
    if (OnRunning)
        OnRunning(false);
    if (Fresh && OnFinished)
        OnFinished(std::move(Findings), FRunZoneCount);
    if (FWanted || !Fresh) {
        FWanted = false;
        if (OnWanted)
            OnWanted();
    }
}
