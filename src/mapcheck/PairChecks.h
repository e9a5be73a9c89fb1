#pragma once

#include "mapcheck/Finding.h"
#include "platform/Types.h"
#include "zonemap/ZoneEdgeTable.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class TZone;
class TZoneEdges;

// The checks of pairs of zones (edges of three zones or more, split borders, near borders)
// kept between edits, so that after an edit only the pairs of the zones it touched are
// looked at again: the zones it added, those it removed, the zones sharing an edge with
// them, and zones whose neighbour list changed. The findings are those CheckSharedEdges
// then CheckNearBorders give for the whole zone list, in the same order and words.
//
// Zones are known by their address: every zone held is kept alive through the owner that
// was given for it, so an address is never reused while it is known. A zone's outline must
// not change while it is held (a change of outline is a new zone).
class TPairChecks {
public:
    // The owner of zone Zone (its place in the list), held while the zone is known.
    using TOwner = std::function<std::shared_ptr<const void>(size_t Zone)>;

    ~TPairChecks();

    // The pair findings of Zones from their edges. State gets what can be kept for later
    // edits, or null when the map comes near a search budget (the search might stop, and
    // where it stops depends on the whole map).
    static void CheckAll(const std::vector<TZone*>& Zones, const TZoneEdges& Edges,
                         const TOwner& Owner, std::vector<TFinding>& Findings,
                         std::unique_ptr<TPairChecks>* State);
    // The pair findings of Zones, brought up to date from the last check. False, with
    // nothing added and the state of no further use, when the change is too large to be
    // worth it or brings the map near a budget: check in full then.
    bool Update(const std::vector<TZone*>& Zones, const TOwner& Owner,
                std::vector<TFinding>& Findings);

private:
    TPairChecks() = default;
    struct TBox {
        int64_t Left = 0, Top = 0, Right = -1, Bottom = -1;
    };
    struct TKnown {
        std::shared_ptr<const void> Owner;
        const TZone* Zone = nullptr; // null: the id is free
        int32_t Index = -1;          // its place at the last check
        TBox Box;                    // its bounds, widened by the near distance and a pixel
        bool Wide = false;           // in FWide rather than in buckets
        std::vector<const TZone*> Neighbors;
        std::vector<uint32_t> Split;                    // ids of its split-border partners
        std::vector<std::pair<uint32_t, int32_t>> Near; // ids of near partners, lengths
    };
    uint32_t Add(const TZone* Zone, std::shared_ptr<const void> Owner);
    void Forget(uint32_t Id);
    void DropPairs(uint32_t Id);
    template <class TVisit> bool ForEachBucket(const TBox& Box, TVisit&& Visit);
    // Sides (edges no other zone has) of a zone, in outline order, as the table holds it.
    template <class TVisit> void ForEachSide(const TZone& Zone, TVisit&& Visit) const;
    void CountSides(uint32_t Id, int Sign);
    void CheckPairsOf(const std::vector<uint32_t>& Dirty, const std::vector<bool>& IsAdded,
                      const std::vector<bool>& IsDirty);
    static void Init(TPairChecks& State, const std::vector<TZone*>& Zones, const TZoneEdges& Edges,
                     const TOwner& Owner);
    void AddFindings(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings) const;

    std::vector<TKnown> FKnown; // by id
    std::unordered_map<const TZone*, uint32_t> FIdOf;
    std::vector<uint32_t> FFreeIds;
    TZoneEdgeTable FTable; // by id
    // Zones by the buckets their boxes reach; zones reaching too many are in FWide.
    std::unordered_map<int64_t, std::vector<uint32_t>> FBuckets;
    std::vector<uint32_t> FWide;
    // What decides whether the full search would complete: the sides in each cell of the
    // near-border search (cells of 16 pixels from the origin), the pairs compared there,
    // the sides' length and extent, and a bound of the overlap search's steps.
    std::unordered_map<int64_t, uint32_t> FCellSides;
    int64_t FComparisons = 0;
    double FPerimeter = 0;
    double FMinX = 0, FMinY = 0, FMaxX = 0, FMaxY = 0;
    bool FHasSides = false;
    int64_t FOverlapWork = 0;
};
