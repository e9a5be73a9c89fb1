#include "editor/MapCheckRunner.h"

#include "editor/MapCheckSnapshot.h"
#include "editor/MapDocument.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

TMapCheckRunner::TMapCheckRunner(TMapDocument* Document, QObject* Parent)
    : QObject(Parent), FDocument(Document), FCache(std::make_unique<TMapCheckCache>()),
      FWatcher(new QFutureWatcher<std::vector<TFinding>>(this)) {
    connect(FWatcher, &QFutureWatcherBase::finished, this, &TMapCheckRunner::Finished);
    connect(Document, &TMapDocument::changed, this, [this] { ++FGeneration; });
    connect(Document, &TMapDocument::zoneAboutToBeRemoved, this,
            [this](TZone* Zone) { FCache->ZoneRemoved(Zone); });
    connect(Document, &TMapDocument::bitmapInserted, this, [this] { FCache->BitmapsChanged(); });
    connect(Document, &TMapDocument::bitmapAboutToBeRemoved, this,
            [this] { FCache->BitmapsChanged(); });
    connect(Document, &TMapDocument::aboutToReset, this, [this] {
        ++FGeneration;
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
    FWatcher->setFuture(QtConcurrent::run([Taken = std::move(Taken)]() mutable {
        // Let go of the snapshot before the result is announced: the next snapshot may then
        // reuse its zone copies.
        const std::shared_ptr<const TMapCheckSnapshot> Mine = std::move(Taken);
        std::vector<TFinding> Findings = CheckSnapshot(*Mine);
        return Findings;
    }));
}

std::vector<TFinding> TMapCheckRunner::CheckNow() {
    // A run in progress reads copies that a new snapshot must not touch: the cache makes
    // fresh ones then.
    std::vector<TFinding> Findings = CheckSnapshot(*Snapshot());
    if (!FRunning)
        FDelivered = FGeneration;
    return Findings;
}

void TMapCheckRunner::Finished() {
    FRunning = false;
    std::vector<TFinding> Findings = FWatcher->result();
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
