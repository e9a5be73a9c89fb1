#pragma once

#include "platform/Exception.h"
#include "platform/Types.h"
#include "zonemap/HugeBuffer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class TZone;

// An edge without its direction: the smaller end point (by x, then y) first.
struct TEdgeKey {
    int32_t X1, Y1, X2, Y2;
    friend bool operator==(const TEdgeKey&, const TEdgeKey&) = default;
};

inline TEdgeKey EdgeKeyOf(const TPoint& P, const TPoint& Q) {
    if (P.X < Q.X || (P.X == Q.X && P.Y <= Q.Y))
        return {P.X, P.Y, Q.X, Q.Y};
    return {Q.X, Q.Y, P.X, P.Y};
}

struct TEdgeKeyHash {
    static uint64_t Mix(uint64_t H) {
        H ^= H >> 33;
        H *= 0xff51afd7ed558ccdull;
        H ^= H >> 33;
        H *= 0xc4ceb9fe1a85ec53ull;
        H ^= H >> 33;
        return H;
    }
    size_t operator()(const TEdgeKey& K) const {
        const uint64_t A = (uint64_t(uint32_t(K.X1)) << 32) | uint32_t(K.Y1);
        const uint64_t B = (uint64_t(uint32_t(K.X2)) << 32) | uint32_t(K.Y2);
        return size_t(Mix(A ^ Mix(B + 0x9e3779b97f4a7c15ull)));
    }
};

// Which zones have which edges: for every distinct edge the zones whose outline holds it,
// each zone once. Zones are named by numbers the caller gives (positions in a zone list,
// or ids that stay while zones move). Open addressing over one flat array, as node-based
// maps spend most of their time in the allocator and in cache misses at millions of edges;
// real maps give an edge one or two zones, kept in the slot, and only edges of three or
// more zones use a map of their own.
class TZoneEdgeTable {
public:
    static constexpr uint32_t NoZone = 0xFFFFFFFFu;

    // Room for this many distinct edges without growing; Sparse fills the slots only half,
    // which halves the probes of a build at twice the memory.
    void Reserve(size_t Edges, bool Sparse = false);
    void Clear();
    size_t EdgeCount() const { return FCount; }

    // Adds Zone to the edge from P to Q, unless it is there already; then calls Met with
    // each other zone of the edge, in the order they joined it.
    template <class TMet> void Insert(const TEdgeKey& Key, uint32_t Zone, TMet&& Met) {
        const TJoined J = Join(Key, Zone);
        for (int K = 0; K < J.OtherCount; ++K)
            Met(J.Other[K]);
        if (J.Crowd != nullptr)
            for (size_t K = 0; K + 1 < J.Crowd->size(); ++K)
                Met((*J.Crowd)[K]);
    }
    void Insert(const TEdgeKey& Key, uint32_t Zone) { Join(Key, Zone); }
    // Enters an edge that the table does not hold yet with all its zones (each once, in
    // the order they join): what Insert of each would do, in one probe.
    void InsertNew(const TEdgeKey& Key, const uint32_t* Zones, size_t Count);
    // Loads the key's first slot into the cache ahead of an Insert.
    void Prefetch(const TEdgeKey& Key) const {
        if (!FSlots.empty())
            __builtin_prefetch(&FSlots[Home(Key)]);
    }
    // Takes Zone off the edge, if it is there.
    void Erase(const TEdgeKey& Key, uint32_t Zone);
    // Every zone of the edge, in the order they joined it, appended to Zones.
    void ZonesOn(const TEdgeKey& Key, std::vector<uint32_t>& Zones) const;

    // Every edge held by three zones or more, with its zones in the order they joined.
    void ForEachCrowdedEdge(
        const std::function<void(const TEdgeKey&, const std::vector<uint32_t>&)>& Visit) const;
    // Every edge with the first two zones that joined it (Second is NoZone for an edge of
    // one zone; a crowded edge is visited with its first two zones).
    void ForEachEdge(
        const std::function<void(const TEdgeKey&, uint32_t First, uint32_t Second)>& Visit) const;

private:
    struct TSlot {
        TEdgeKey Key;
        uint32_t First = NoZone; // NoZone: the slot is free
        uint32_t Second = NoZone;
    };
    static constexpr uint32_t Crowded = 0xFFFFFFFEu; // Second: the zones are in FCrowded
    struct TJoined {
        uint32_t Other[2];
        int OtherCount = 0;
        const std::vector<uint32_t>* Crowd = nullptr; // every zone, the new one last
    };
    TJoined Join(const TEdgeKey& Key, uint32_t Zone);

    size_t Find(const TEdgeKey& Key) const; // the key's slot, or the free slot it would take
    // The key's first slot, from the hash's top bits: edges grouped by those bits
    // (TZoneEdges) then enter the table from one end to the other, in the cache.
    size_t Home(const TEdgeKey& Key) const {
        return size_t(uint64_t(TEdgeKeyHash()(Key)) >> FShift);
    }
    void Grow();

    // Slots in memory of their own, huge pages for large tables.
    using TSlots = THugeBuffer<TSlot>;
    TSlots FSlots;
    int FShift = 64; // 64 - log2 of the slot count
    size_t FCount = 0;
    std::unordered_map<TEdgeKey, std::vector<uint32_t>, TEdgeKeyHash> FCrowded;
};

// Neighbour building stopped: more zones share edges than any real map has.
class ETooManyNeighbors : public Exception {
public:
    using Exception::Exception;
};

// The zone pairs neighbour building may meet on shared edges before it stops: a real map
// meets at most one per edge, so the budget is the edge count plus this margin.
constexpr int64_t NeighborPairMargin = 4'000'000;

// The adjacent zones of every zone (zones sharing an identical edge), each list in zone
// order, as neighbour building gives them before the links: zone I's are
// Flat[Start[I]] .. Flat[Start[I + 1] - 1], in one allocation for all zones.
struct TAdjacency {
    std::vector<uint32_t> Start;
    std::vector<int32_t> Flat;
};
// Raises ETooManyNeighbors, naming the zones of the most crowded edge, past the budget
// above.
// Maps of this many edges and more are matched in groups of edges (TZoneEdges), as a
// table of all of them would miss the cache on nearly every edge; the lists are the same.
TAdjacency AdjacentZones(const std::vector<TZone*>& Zones);
constexpr size_t SmallEdgeTable = size_t(1) << 18;
// The same from the zones' edges grouped already, the budget counted as on large maps.
class TZoneEdges;
TAdjacency AdjacentZones(const TZoneEdges& Edges, const std::vector<TZone*>& Zones);

// Keeps a surface's edge table between edits, so that neighbour lists follow an edit in
// time proportional to it: tell it about every zone added (after AddZone or InsertZone),
// every zone about to be deleted (before DeleteZone) and every link added or removed, then
// Update. The lists are then exactly those a full BuildNeighbors gives, order included.
class TZoneSpriteSurface;
class TNeighborIndex {
public:
    explicit TNeighborIndex(TZoneSpriteSurface& Surface);

    // BuildNeighbors, keeping the table. Raises ETooManyNeighbors as BuildNeighbors does.
    void Rebuild();
    void ZoneAdded(TZone* Zone);
    void ZoneDeleting(TZone* Zone);
    void LinkChanged(TZone* Zone1, TZone* Zone2);
    // Rebuilds the lists of the zones the edits since the last Update touched.
    void Update();
    bool Built() const { return FBuilt; }

private:
    uint32_t IdOf(TZone* Zone);
    void RecomputeList(TZone* Zone);

    TZoneSpriteSurface& FSurface;
    TZoneEdgeTable FTable;
    bool FBuilt = false;
    std::unordered_map<TZone*, uint32_t> FIds;
    std::vector<TZone*> FZoneOfId; // nullptr: a free id
    std::vector<uint32_t> FFreeIds;
    std::vector<TZone*> FTouched;
};
