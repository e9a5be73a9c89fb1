#pragma once

#include "mapcheck/Finding.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TMapCheckCache;
class TMapCheckSnapshot;
class TPairChecks;
class TMapDocument;
template <class T> class QFutureWatcher;

// Runs the map check of a document in a worker, on a snapshot taken on the window's
// thread, one run at a time. A result that an edit (any announced change) made stale is
// dropped; a check asked for while one runs is started once that one ends. Results arrive
// on the window's thread. Destroying the runner during a run is safe: the worker holds
// nothing but its snapshot, and its result goes nowhere.
class TMapCheckRunner : public QObject {
    Q_OBJECT
public:
    explicit TMapCheckRunner(TMapDocument* Document, QObject* Parent = nullptr);
    ~TMapCheckRunner() override;

    // Brings the neighbour lists up to date (which may raise ETooManyNeighbors; nothing is
    // started then), takes a snapshot and starts the check; while a check runs, asks for
    // OnWanted once it ends instead.
    void Start();
    // The check of the map set as it is now, on this thread (for callers that must have
    // the findings at once).
    std::vector<TFinding> CheckNow();
    bool Running() const { return FRunning; }
    // The findings last delivered are those of the map set as it is now.
    bool Current() const { return !FRunning && FDelivered == FGeneration; }

    // The findings of the map set as it is now, and its zone count.
    std::function<void(std::vector<TFinding> Findings, int32_t ZoneCount)> OnFinished;
    // A check started or ended (delivered or dropped).
    std::function<void(bool Running)> OnRunning;
    // A check was asked for while one ran: start one when it suits the caller.
    std::function<void()> OnWanted;

private:
    std::shared_ptr<const TMapCheckSnapshot> Snapshot();
    void Finished();

    // What a run gives back: its findings, and what it kept for the next run.
    struct TResult {
        std::vector<TFinding> Findings;
        std::shared_ptr<TPairChecks> Pairs;
    };
    TMapDocument* FDocument;
    std::unique_ptr<TMapCheckCache> FCache;
    QFutureWatcher<TResult>* FWatcher;
    uint64_t FResets = 0; // map sets replaced; a run's pairs are for the map set it began on
    uint64_t FRunResets = 0;
    uint64_t FGeneration = 0; // counts the document's changes
    uint64_t FRunGeneration = 0;
    uint64_t FDelivered = ~uint64_t(0);
    int32_t FRunZoneCount = 0;
    bool FRunning = false;
    bool FWanted = false;
};
