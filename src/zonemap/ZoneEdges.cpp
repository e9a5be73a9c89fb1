#include "zonemap/ZoneEdges.h"

#include "zonemap/Zone.h"

#include <bit>

TZoneEdges::TZoneEdges(const std::vector<TZone*>& Zones, bool Occurrences) {
    size_t Total = 0;
    First.reserve(Zones.size() + 1);
    for (const TZone* Z : Zones) {
        First.push_back(Total);
        Total += Z->Points().size();
    }
    First.push_back(Total);
    // Groups of about 4,096 edges; the hash's top bits pick the group, its low bits the
    // slot in the group's table.
    int GroupBits = 0;
    while (GroupBits < 16 && (Total >> GroupBits) > 4096)
        ++GroupBits;
    const auto GroupOf = [GroupBits](uint64_t Hash) {
        return GroupBits == 0 ? size_t(0) : size_t(Hash >> (64 - GroupBits));
    };
    const auto ForEachKey = [&](auto&& Visit) {
        for (size_t I = 0; I < Zones.size(); ++I) {
            const std::vector<TPoint>& Points = Zones[I]->Points();
            const size_t N = Points.size();
            for (size_t E = 0; E < N; ++E) {
                const TEdgeKey Key = EdgeKeyOf(Points[E], Points[E + 1 < N ? E + 1 : 0]);
                Visit(uint32_t(I), First[I] + E, Key, uint64_t(TEdgeKeyHash()(Key)));
            }
        }
    };
    std::vector<size_t> GroupStart((size_t(1) << GroupBits) + 1, 0);
    ForEachKey(
        [&](uint32_t, size_t, const TEdgeKey&, uint64_t Hash) { ++GroupStart[GroupOf(Hash) + 1]; });
    for (size_t G = 1; G < GroupStart.size(); ++G)
        GroupStart[G] += GroupStart[G - 1];
    // In zone order within each group, so that an edge's zones join it in zone order.
    struct TEntry {
        TEdgeKey Key;
        uint32_t Zone;
        uint32_t At; // the zone's edge, counted over all zones
    };
    THugeBuffer<TEntry> Grouped(Total);
    {
        std::vector<size_t> Next(GroupStart.begin(), GroupStart.end() - 1);
        ForEachKey([&](uint32_t Zone, size_t At, const TEdgeKey& Key, uint64_t Hash) {
            Grouped[Next[GroupOf(Hash)]++] = {Key, Zone, uint32_t(At)};
        });
    }

    if (Occurrences)
        OfEdge.Assign(Total);
    Edges.Assign(Total);
    std::vector<uint32_t> Slots;
    for (size_t G = 0; G + 1 < GroupStart.size(); ++G) {
        const size_t Begin = GroupStart[G], End = GroupStart[G + 1];
        Slots.assign(std::bit_ceil((End - Begin) * 2 + 1), NoZone);
        const size_t Mask = Slots.size() - 1;
        for (size_t K = Begin; K < End; ++K) {
            const TEntry& E = Grouped[K];
            size_t S = size_t(TEdgeKeyHash()(E.Key)) & Mask;
            while (Slots[S] != NoZone && !(Edges[Slots[S]].Key == E.Key))
                S = (S + 1) & Mask;
            if (Slots[S] == NoZone) {
                Slots[S] = uint32_t(Count);
                Edges[Count++] = {E.Key, E.Zone, NoZone};
            } else {
                TDistinct& D = Edges[Slots[S]];
                // A zone's edges join together, so a zone already on this edge is the last.
                if (D.Second == Crowded) {
                    if (Crowds[D.First].back() != E.Zone)
                        Crowds[D.First].push_back(E.Zone);
                } else if (D.First != E.Zone && D.Second != E.Zone) {
                    if (D.Second == NoZone) {
                        D.Second = E.Zone;
                    } else {
                        Crowds.push_back({D.First, D.Second, E.Zone});
                        D.First = uint32_t(Crowds.size() - 1);
                        D.Second = Crowded;
                    }
                }
            }
            if (Occurrences)
                OfEdge[E.At] = Slots[S];
        }
    }
    if (!Occurrences)
        return;
    SharedBits.assign((Count + 63) / 64, 0);
    for (size_t D = 0; D < Count; ++D)
        if (Edges[D].Second != NoZone)
            SharedBits[D / 64] |= uint64_t(1) << (D % 64);
}

void TZoneEdges::ZonesOn(uint32_t Edge, std::vector<uint32_t>& Zones) const {
    const TDistinct& D = Edges[Edge];
    if (D.Second == Crowded) {
        Zones.insert(Zones.end(), Crowds[D.First].begin(), Crowds[D.First].end());
        return;
    }
    Zones.push_back(D.First);
    if (D.Second != NoZone)
        Zones.push_back(D.Second);
}
