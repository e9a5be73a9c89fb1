// Neighbour building and path search of the zone surface.
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <unordered_set>
#include <utility>

namespace {

// An edge without its direction: the smaller end point first.
struct TEdgeKey {
    int32_t X1, Y1, X2, Y2;
    friend bool operator==(const TEdgeKey&, const TEdgeKey&) = default;
};

TEdgeKey KeyOf(const TEdge& E) {
    if (E.X1 < E.X2 || (E.X1 == E.X2 && E.Y1 <= E.Y2))
        return {E.X1, E.Y1, E.X2, E.Y2};
    return {E.X2, E.Y2, E.X1, E.Y1};
}

uint64_t Mix(uint64_t H) {
    H ^= H >> 33;
    H *= 0xff51afd7ed558ccdull;
    H ^= H >> 33;
    H *= 0xc4ceb9fe1a85ec53ull;
    H ^= H >> 33;
    return H;
}

struct TEdgeKeyHash {
    size_t operator()(const TEdgeKey& K) const {
        const uint64_t A = (uint64_t(uint32_t(K.X1)) << 32) | uint32_t(K.Y1);
        const uint64_t B = (uint64_t(uint32_t(K.X2)) << 32) | uint32_t(K.Y2);
        return size_t(Mix(A ^ Mix(B + 0x9e3779b97f4a7c15ull)));
    }
};

struct TZonePairHash {
    size_t operator()(const std::pair<const TZone*, const TZone*>& P) const {
        return size_t(Mix(uint64_t(reinterpret_cast<uintptr_t>(P.first)) ^
                          Mix(uint64_t(reinterpret_cast<uintptr_t>(P.second)))));
    }
};

constexpr int32_t Unreached = std::numeric_limits<int32_t>::max();

} // namespace

void TZoneSpriteSurface::BuildNeighbors() {
    // Zones that share an edge meet in the same slot of an edge table; comparing every
    // pair of zones would cost n^2 for maps of thousands of zones. The table is open
    // addressing over flat arrays, as node-based maps spend most of their time in the
    // allocator and in cache misses at these sizes.
    struct TEntry {
        int32_t Zone;
        int32_t Next; // the previous zone with this edge, -1 at the end
    };
    size_t EdgeTotal = 0;
    for (const auto& Z : FZones)
        EdgeTotal += size_t(Z->PointCount());
    size_t Capacity = 16;
    while (Capacity < EdgeTotal + EdgeTotal / 4)
        Capacity *= 2;
    const size_t Mask = Capacity - 1;
    std::vector<TEdgeKey> Keys(Capacity);
    std::vector<int32_t> Heads(Capacity, -1); // -1: an empty slot
    std::vector<uint32_t> EdgeSlots;          // the slot of each zone's edges, zone by zone
    EdgeSlots.reserve(EdgeTotal);
    std::vector<TEntry> Entries;
    Entries.reserve(EdgeTotal);
    for (int32_t I = 0; I < ZoneCount(); ++I) {
        const TZone& Z = *FZones[size_t(I)];
        for (int32_t E = 0; E < Z.PointCount(); ++E) {
            const TEdgeKey Key = KeyOf(Z.Edge(E));
            size_t Slot = TEdgeKeyHash()(Key) & Mask;
            while (Heads[Slot] >= 0 && !(Keys[Slot] == Key))
                Slot = (Slot + 1) & Mask;
            EdgeSlots.push_back(uint32_t(Slot));
            // Zones are entered in order, so a repeated edge of this zone is at the head.
            if (Heads[Slot] >= 0 && Entries[size_t(Heads[Slot])].Zone == I)
                continue;
            Keys[Slot] = Key;
            Entries.push_back({I, Heads[Slot]});
            Heads[Slot] = int32_t(Entries.size()) - 1;
        }
    }

    std::vector<int32_t> Adjacent;
    size_t EdgeIndex = 0;
    for (int32_t I = 0; I < ZoneCount(); ++I) {
        TZone& Z = *FZones[size_t(I)];
        Adjacent.clear();
        for (int32_t E = 0; E < Z.PointCount(); ++E, ++EdgeIndex)
            for (int32_t K = Heads[EdgeSlots[EdgeIndex]]; K >= 0; K = Entries[size_t(K)].Next)
                if (Entries[size_t(K)].Zone != I)
                    Adjacent.push_back(Entries[size_t(K)].Zone);
        std::sort(Adjacent.begin(), Adjacent.end());
        Adjacent.erase(std::unique(Adjacent.begin(), Adjacent.end()), Adjacent.end());
        std::vector<TZone*>& List = Z.NeighborList();
        List.clear();
        for (int32_t J : Adjacent)
            List.push_back(FZones[size_t(J)].get());
    }
    ApplyLinks();
}

void TZoneSpriteSurface::ApplyLinks() {
    if (FLinks.empty())
        return;
    // The same outcome as MakeNeighbors link by link, but a zone with many link partners
    // does not make each link search a long list.
    std::unordered_set<std::pair<const TZone*, const TZone*>, TZonePairHash> Present;
    std::unordered_set<const TZone*> Indexed;
    for (const auto& L : FLinks)
        for (TZone* Z : {L->Zone1, L->Zone2})
            if (Indexed.insert(Z).second)
                for (const TZone* N : Z->Neighbors())
                    Present.insert({Z, N});
    for (const auto& L : FLinks) {
        if (Present.insert({L->Zone1, L->Zone2}).second)
            L->Zone1->NeighborList().push_back(L->Zone2);
        if (Present.insert({L->Zone2, L->Zone1}).second)
            L->Zone2->NeighborList().push_back(L->Zone1);
    }
}

void TZoneSpriteSurface::FindPath(TZone* Start, TZone* Destination) {
    FPath.clear();
    if (Start == Destination) {
        FPath.push_back(Start);
        return;
    }
    for (const auto& Z : FZones) {
        Z->SetPathPrevious(nullptr);
        Z->SetPathCost(Unreached);
        Z->SetPathState(0);
    }
    FOpenList.clear();
    FOpenList.push_back(Start);
    Start->SetPathCost(0);
    Start->SetPathState(1);

    // First in, first out: a label-correcting search that ends when no cost can be
    // lowered; a zone whose cost improves after it was expanded is queued again.
    while (!FOpenList.empty()) {
        TZone* Z = FOpenList.front();
        FOpenList.pop_front();
        Z->SetPathState(2);
        const int32_t Count = Z->NeighborCount();
        for (int32_t K = 0; K < Count; ++K) {
            TZone* N = Z->Neighbor(K);
            int32_t Cost;
            if (OnPathCost)
                OnPathCost(this, Z, N, Cost);
            else if ((Z->IsSea() != 0) == (N->IsSea() != 0))
                Cost = Z->IsSea() != 0 ? 1 : 10;
            else
                Cost = 1000;
            // 64-bit sum: a handler's costs must not make the comparison overflow.
            const int64_t Sum = int64_t(Z->PathCost()) + Cost;
            if (Sum < N->PathCost()) {
                N->SetPathCost(
                    int32_t(std::max<int64_t>(Sum, std::numeric_limits<int32_t>::min())));
                N->SetPathPrevious(Z);
                if (N->PathState() != 1) {
                    FOpenList.push_back(N);
                    N->SetPathState(1);
                }
            }
        }
    }

    // Back from Destination; without a chain to Start (unreachable) the path stays empty.
    // The walk is bounded, as a handler's negative costs could leave a loop.
    std::vector<TZone*> Reversed{Destination};
    TZone* Z = Destination;
    while (Z != Start) {
        Z = Z->PathPrevious();
        if (Z == nullptr || Reversed.size() > FZones.size())
            return;
        Reversed.push_back(Z);
    }
    FPath.assign(Reversed.rbegin(), Reversed.rend());
}
