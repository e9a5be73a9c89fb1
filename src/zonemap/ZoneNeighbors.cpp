// Neighbour building and path search of the zone surface.
#include "zonemap/ZoneEdgeTable.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <unordered_set>
#include <utility>

namespace {

uint64_t Mix(uint64_t H) {
    return TEdgeKeyHash::Mix(H);
}

struct TZonePairHash {
    size_t operator()(const std::pair<const TZone*, const TZone*>& P) const {
        return size_t(Mix(uint64_t(reinterpret_cast<uintptr_t>(P.first)) ^
                          Mix(uint64_t(reinterpret_cast<uintptr_t>(P.second)))));
    }
};

constexpr int32_t Unreached = std::numeric_limits<int32_t>::max();

} // namespace

std::vector<TZone*> TZoneSpriteSurface::ZonePointers() const {
    std::vector<TZone*> Zones;
    Zones.reserve(FZones.size());
    for (const auto& Z : FZones)
        Zones.push_back(Z.get());
    return Zones;
}

void TZoneSpriteSurface::BuildNeighbors() {
    // Computed whole before any list changes: a refused build leaves the lists as they were.
    SetNeighbors(AdjacentZones(ZonePointers()));
}

void TZoneSpriteSurface::BuildNeighbors(const TZoneEdges& Edges) {
    SetNeighbors(AdjacentZones(Edges, ZonePointers()));
}

void TZoneSpriteSurface::SetNeighbors(const TAdjacency& Adjacent) {
    for (size_t I = 0; I < FZones.size(); ++I) {
        std::vector<TZone*>& List = FZones[I]->NeighborList();
        List.clear();
        for (uint32_t K = Adjacent.Start[I]; K < Adjacent.Start[I + 1]; ++K)
            List.push_back(FZones[size_t(Adjacent.Flat[K])].get());
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
