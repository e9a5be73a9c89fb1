#pragma once

#include "zonemap/HugeBuffer.h"
#include "zonemap/ZoneEdgeTable.h"

#include <cstdint>
#include <vector>

class TZone;

// Every distinct edge of a zone list with the zones that have it, and the edge of every
// zone's every edge: what the checks of shared edges, split borders and near borders each
// ask of the edges, found once. The edges are first grouped by the top bits of their hash,
// so that each group is matched in a table that stays in the cache: at millions of edges
// one table for all misses the cache on nearly every edge.
class TZoneEdges {
public:
    static constexpr uint32_t NoZone = 0xFFFFFFFFu;
    // Without Occurrences only the distinct edges are kept: EdgeOf and Shared are not
    // there.
    explicit TZoneEdges(const std::vector<TZone*>& Zones, bool Occurrences = true);

    size_t ZoneCount() const { return First.size() - 1; }
    size_t EdgeCount() const { return Count; }
    size_t OccurrenceCount() const { return First.back(); }
    const TEdgeKey& Key(uint32_t Edge) const { return Edges[Edge].Key; }
    // The zones that have the edge, each once, in zone order, appended to Zones.
    void ZonesOn(uint32_t Edge, std::vector<uint32_t>& Zones) const;
    // The distinct edge that zone Zone's edge E is.
    uint32_t EdgeOf(size_t Zone, size_t E) const { return OfEdge[First[Zone] + E]; }
    size_t EdgesOf(size_t Zone) const { return First[Zone + 1] - First[Zone]; }
    // Whether another zone has edge E of zone Zone too.
    bool Shared(size_t Zone, size_t E) const {
        const uint32_t D = EdgeOf(Zone, E);
        return (SharedBits[D / 64] >> (D % 64) & 1) != 0;
    }
    // Every edge two zones or more have, with its zones in zone order: Visit(Zones, Count).
    template <class TVisit> void ForEachSharedEdge(TVisit&& Visit) const {
        for (size_t D = 0; D < Count; ++D) {
            const TDistinct& E = Edges[D];
            if (E.Second == Crowded) {
                Visit(Crowds[E.First].data(), Crowds[E.First].size());
            } else if (E.Second != NoZone) {
                const uint32_t Two[2] = {E.First, E.Second};
                Visit(Two, size_t(2));
            }
        }
    }
    // Every edge of three zones or more, with its zones in zone order.
    template <class TVisit> void ForEachCrowdedEdge(TVisit&& Visit) const {
        for (size_t D = 0; D < Count; ++D)
            if (Edges[D].Second == Crowded)
                Visit(Edges[D].Key, Crowds[Edges[D].First]);
    }

private:
    static constexpr uint32_t Crowded = 0xFFFFFFFEu; // Second: First indexes Crowds
    struct TDistinct {
        TEdgeKey Key;
        uint32_t First, Second;
    };
    std::vector<size_t> First; // zone K's edges are OfEdge[First[K]] .. OfEdge[First[K + 1] - 1]
    THugeBuffer<uint32_t> OfEdge;
    THugeBuffer<TDistinct> Edges; // the first Count
    size_t Count = 0;
    std::vector<std::vector<uint32_t>> Crowds;
    std::vector<uint64_t> SharedBits; // by distinct edge
};
