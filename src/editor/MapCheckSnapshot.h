#pragma once

#include "mapcheck/Finding.h"
#include "mapcheck/MapChecks.h"
#include "platform/Types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class TZone;
class TZoneSpriteSurface;
class TCheckZone;
class TPairChecks;

// What the map check reads of a map set, copied so that a worker can check it while the
// window goes on editing the original: zones (outline, name, sea flag, neighbour list),
// links, elements, bitmap names, and the palette findings, which read the bitmaps and are
// made when the snapshot is taken. Nothing in it refers to the live map set.
class TMapCheckSnapshot {
public:
    ~TMapCheckSnapshot();

    int32_t ZoneCount() const { return int32_t(FZones.size()); }

private:
    friend class TMapCheckCache;
    friend std::vector<TFinding> CheckSnapshot(const TMapCheckSnapshot& Snapshot,
                                               std::shared_ptr<TPairChecks>* Pairs);

    std::vector<std::shared_ptr<TCheckZone>> FZones;
    std::vector<TZone*> FZoneList; // FZones as the checks take them
    std::vector<bool> FGridPointsRefused;
    std::vector<std::pair<int32_t, int32_t>> FLinks;
    std::vector<TElementBox> FElements;
    uint64_t FElementsVersion = 0;
    std::vector<std::string> FBitmapNames;
    std::vector<TFinding> FPaletteFindings;
    std::shared_ptr<void> FInUse; // held while this snapshot lives: see TMapCheckCache
};

// Takes snapshots of one surface on the window's thread. A zone's outline never changes
// (an edit replaces the zone), so the copy of a zone is made once and reused by every
// later snapshot until the zone goes: after an edit a snapshot costs a pass over the zone
// list, not a copy of every point. Tell it of every zone about to be freed, of bitmap
// changes and of a reset.
class TMapCheckCache {
public:
    TMapCheckCache();
    ~TMapCheckCache();
    TMapCheckCache(const TMapCheckCache&) = delete;
    TMapCheckCache& operator=(const TMapCheckCache&) = delete;

    // The surface's neighbour lists must be current.
    std::shared_ptr<const TMapCheckSnapshot> Take(TZoneSpriteSurface& Surface);

    void ZoneRemoved(TZone* Zone);
    void BitmapsChanged() { FPaletteDue = true; }
    void Clear();

    // What the last check kept of its pair checks, for the next check to start from: taken
    // by the check that runs, given back when it is done. Only one check at a time has it.
    std::shared_ptr<TPairChecks> TakePairs() { return std::move(FPairs); }
    void ReturnPairs(std::shared_ptr<TPairChecks> Pairs) { FPairs = std::move(Pairs); }

private:
    std::unordered_map<const TZone*, std::shared_ptr<TCheckZone>> FCopies;
    std::vector<TFinding> FPaletteFindings;
    bool FPaletteDue = true;
    std::shared_ptr<TPairChecks> FPairs;
    std::vector<TElementBox> FElements; // those of the last snapshot, and their version
    uint64_t FElementsVersion = 0;
    // Set, with release, once no snapshot of the copies is left: the copies' names and
    // neighbour lists may then be brought up to date in place, as no worker reads them any
    // more. (A weak pointer's expiry is read relaxed, which orders nothing.)
    std::shared_ptr<std::atomic<bool>> FReleased;
};

// Every finding of CheckMapSet for the map set the snapshot was taken of, in the same
// order. Runs on any thread. With Pairs, the checks of pairs of zones start from what an
// earlier check of the same cache kept there (after an edit, only the pairs of the zones it
// touched are looked at again), and Pairs gets what this check keeps; it must then be the
// only holder.
std::vector<TFinding> CheckSnapshot(const TMapCheckSnapshot& Snapshot,
                                    std::shared_ptr<TPairChecks>* Pairs = nullptr);
