#include "zonemap/ZoneEdgeTable.h"

#include "zonemap/ZoneEdges.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <bit>
#include <string>
#include <tuple>

void TZoneEdgeTable::Reserve(size_t Edges, bool Sparse) {
    size_t Capacity = 16;
    while ((Sparse ? Capacity / 2 : Capacity - Capacity / 4) < Edges)
        Capacity *= 2;
    if (Capacity <= FSlots.size())
        return;
    TSlots Old = std::move(FSlots);
    FSlots.Assign(Capacity);
    FShift = 64 - std::countr_zero(Capacity);
    std::uninitialized_fill_n(FSlots.data(), Capacity, TSlot{});
    for (const TSlot& S : Old)
        if (S.First != NoZone)
            FSlots[Find(S.Key)] = S;
}

void TZoneEdgeTable::Clear() {
    FSlots.Clear();
    FCount = 0;
    FCrowded.clear();
}

void TZoneEdgeTable::Grow() {
    Reserve(std::max<size_t>(FSlots.size(), 16));
}

size_t TZoneEdgeTable::Find(const TEdgeKey& Key) const {
    const size_t Mask = FSlots.size() - 1;
    size_t Slot = Home(Key);
    while (FSlots[Slot].First != NoZone && !(FSlots[Slot].Key == Key))
        Slot = (Slot + 1) & Mask;
    return Slot;
}

TZoneEdgeTable::TJoined TZoneEdgeTable::Join(const TEdgeKey& Key, uint32_t Zone) {
    if (FCount + 1 > FSlots.size() - FSlots.size() / 4)
        Grow();
    TSlot& S = FSlots[Find(Key)];
    TJoined J;
    if (S.First == NoZone) {
        S = {Key, Zone, NoZone};
        ++FCount;
    } else if (S.Second == Crowded) {
        // A zone's edges join together, so a zone already on this edge is the last one.
        std::vector<uint32_t>& Zones = FCrowded[Key];
        if (Zones.back() != Zone) {
            Zones.push_back(Zone);
            J.Crowd = &Zones;
        }
    } else if (S.First != Zone && S.Second != Zone) {
        J.Other[J.OtherCount++] = S.First;
        if (S.Second == NoZone) {
            S.Second = Zone;
        } else {
            J.Other[J.OtherCount++] = S.Second;
            FCrowded[Key] = {S.First, S.Second, Zone};
            S.Second = Crowded;
        }
    }
    return J;
}

void TZoneEdgeTable::InsertNew(const TEdgeKey& Key, const uint32_t* Zones, size_t Count) {
    if (Count == 0)
        return;
    if (FCount + 1 > FSlots.size() - FSlots.size() / 4)
        Grow();
    TSlot& S = FSlots[Find(Key)];
    S = {Key, Zones[0], Count > 1 ? Zones[1] : NoZone};
    ++FCount;
    if (Count > 2) {
        FCrowded[Key].assign(Zones, Zones + Count);
        S.Second = Crowded;
    }
}

void TZoneEdgeTable::Erase(const TEdgeKey& Key, uint32_t Zone) {
    if (FSlots.empty())
        return;
    size_t Slot = Find(Key);
    TSlot& S = FSlots[Slot];
    if (S.First == NoZone)
        return;
    if (S.Second == Crowded) {
        const auto Found = FCrowded.find(Key);
        std::erase(Found->second, Zone);
        if (Found->second.size() == 2) {
            S.First = Found->second[0];
            S.Second = Found->second[1];
            FCrowded.erase(Found);
        }
        return;
    }
    if (S.Second == Zone) {
        S.Second = NoZone;
        return;
    }
    if (S.First != Zone)
        return;
    if (S.Second != NoZone) {
        S.First = S.Second;
        S.Second = NoZone;
        return;
    }
    // The last zone left the edge: close the gap so that no probe chain is cut.
    --FCount;
    const size_t Mask = FSlots.size() - 1;
    for (size_t Next = (Slot + 1) & Mask; FSlots[Next].First != NoZone; Next = (Next + 1) & Mask) {
        const size_t NextHome = Home(FSlots[Next].Key);
        // Next may move into the gap unless its home lies cyclically in (Slot, Next].
        const bool HomeBetween = Slot <= Next ? (Slot < NextHome && NextHome <= Next)
                                              : (Slot < NextHome || NextHome <= Next);
        if (!HomeBetween) {
            FSlots[Slot] = FSlots[Next];
            Slot = Next;
        }
    }
    FSlots[Slot] = TSlot{};
}

void TZoneEdgeTable::ZonesOn(const TEdgeKey& Key, std::vector<uint32_t>& Zones) const {
    if (FSlots.empty())
        return;
    const TSlot& S = FSlots[Find(Key)];
    if (S.First == NoZone)
        return;
    if (S.Second == Crowded) {
        const std::vector<uint32_t>& Crowd = FCrowded.at(Key);
        Zones.insert(Zones.end(), Crowd.begin(), Crowd.end());
        return;
    }
    Zones.push_back(S.First);
    if (S.Second != NoZone)
        Zones.push_back(S.Second);
}

void TZoneEdgeTable::ForEachCrowdedEdge(
    const std::function<void(const TEdgeKey&, const std::vector<uint32_t>&)>& Visit) const {
    for (const auto& [Key, Zones] : FCrowded)
        Visit(Key, Zones);
}

void TZoneEdgeTable::ForEachEdge(
    const std::function<void(const TEdgeKey&, uint32_t, uint32_t)>& Visit) const {
    for (const TSlot& S : FSlots)
        if (S.First != NoZone)
            Visit(S.Key, S.First, S.Second == Crowded ? FCrowded.at(S.Key)[1] : S.Second);
}

namespace {

std::string PointText(int32_t X, int32_t Y) {
    return "(" + std::to_string(X) + "," + std::to_string(Y) + ")";
}

// The message naming the edge with the most zones and the first three of them.
template <class TEdges>
[[noreturn]] void ThrowCrowded(const TEdges& Table, const std::vector<TZone*>& ZoneOfId) {
    const std::vector<uint32_t>* Most = nullptr;
    TEdgeKey Edge{};
    Table.ForEachCrowdedEdge([&](const TEdgeKey& Key, const std::vector<uint32_t>& Zones) {
        const auto Rank = [](const TEdgeKey& K, const std::vector<uint32_t>& Z) {
            return std::make_tuple(-int64_t(Z.size()), Z.front(), K.X1, K.Y1, K.X2, K.Y2);
        };
        if (Most == nullptr || Rank(Key, Zones) < Rank(Edge, *Most)) {
            Most = &Zones;
            Edge = Key;
        }
    });
    std::string Message = "Too many zones share edges to build the neighbour lists";
    if (Most != nullptr) {
        Message += ": " + std::to_string(Most->size()) + " zones share the edge from " +
                   PointText(Edge.X1, Edge.Y1) + " to " + PointText(Edge.X2, Edge.Y2) +
                   ", among them";
        const size_t Named = std::min<size_t>(Most->size(), 3);
        for (size_t K = 0; K < Named; ++K) {
            const TZone& Z = *ZoneOfId[(*Most)[K]];
            Message += std::string(K == 0           ? " "
                                   : K + 1 == Named ? " and "
                                                    : ", ") +
                       "Zone " + std::to_string(Z.Index()) + " \"" + Z.Name() + "\"";
        }
    }
    throw ETooManyNeighbors(Message);
}

// Fills Table with every edge of Zones (zone K as number K) and gives each zone's adjacent
// zones in zone order. Keys are made from the points directly and the slots of the next
// edges are fetched while this one is entered: at millions of edges the table is far
// larger than the cache, and a miss per edge is most of the cost.
TAdjacency FillTable(const std::vector<TZone*>& Zones, TZoneEdgeTable& Table) {
    size_t EdgeTotal = 0;
    for (const TZone* Z : Zones)
        EdgeTotal += Z->Points().size();
    // Real maps share nearly every edge between two zones.
    Table.Reserve(EdgeTotal / 2 + 16, true);
    const int64_t Budget = int64_t(EdgeTotal) + NeighborPairMargin;

    struct TPair {
        uint32_t Earlier, Later;
    };
    std::vector<TPair> Pairs;
    int64_t Met = 0;
    std::vector<TEdgeKey> Keys;
    constexpr size_t Ahead = 16;
    for (size_t I = 0; I < Zones.size(); ++I) {
        const std::vector<TPoint>& Points = Zones[I]->Points();
        const size_t N = Points.size();
        Keys.resize(N);
        for (size_t E = 0; E < N; ++E)
            Keys[E] = EdgeKeyOf(Points[E], Points[E + 1 < N ? E + 1 : 0]);
        for (size_t E = 0; E < std::min(N, Ahead); ++E)
            Table.Prefetch(Keys[E]);
        uint32_t Last = TZoneEdgeTable::NoZone;
        for (size_t E = 0; E < N; ++E) {
            if (E + Ahead < N)
                Table.Prefetch(Keys[E + Ahead]);
            if (Met > Budget) {
                Table.Insert(Keys[E], uint32_t(I));
                continue;
            }
            Table.Insert(Keys[E], uint32_t(I), [&](uint32_t J) {
                // Consecutive edges mostly border the same zone.
                if (J == Last)
                    return;
                Last = J;
                Pairs.push_back({J, uint32_t(I)});
                ++Met;
            });
        }
    }
    if (Met > Budget)
        ThrowCrowded(Table, Zones);

    std::vector<uint32_t> Start(Zones.size() + 1, 0);
    for (const TPair& P : Pairs) {
        ++Start[P.Earlier + 1];
        ++Start[P.Later + 1];
    }
    for (size_t I = 0; I < Zones.size(); ++I)
        Start[I + 1] += Start[I];
    std::vector<int32_t> Flat(Start.back());
    std::vector<uint32_t> Fill(Start.begin(), Start.end() - 1);
    for (const TPair& P : Pairs) {
        Flat[Fill[P.Earlier]++] = int32_t(P.Later);
        Flat[Fill[P.Later]++] = int32_t(P.Earlier);
    }
    // Each zone's list sorted and without repeats, packed to the front of its range.
    TAdjacency Adjacent;
    Adjacent.Start.assign(Zones.size() + 1, 0);
    uint32_t Kept = 0;
    for (size_t I = 0; I < Zones.size(); ++I) {
        const auto Begin = Flat.begin() + Start[I], End = Flat.begin() + Start[I + 1];
        std::sort(Begin, End);
        const auto Last = std::unique(Begin, End);
        Kept = uint32_t(std::copy(Begin, Last, Flat.begin() + Kept) - Flat.begin());
        Adjacent.Start[I + 1] = Kept;
    }
    Flat.resize(Kept);
    Adjacent.Flat = std::move(Flat);
    return Adjacent;
}

} // namespace

TAdjacency AdjacentZones(const std::vector<TZone*>& Zones) {
    size_t Total = 0;
    for (const TZone* Z : Zones)
        Total += Z->Points().size();
    // A small map's table fits the cache: one pass over it is fastest.
    if (Total < SmallEdgeTable) {
        TZoneEdgeTable Table;
        return FillTable(Zones, Table);
    }
    return AdjacentZones(TZoneEdges(Zones, false), Zones);
}

TAdjacency AdjacentZones(const TZoneEdges& Edges, const std::vector<TZone*>& Zones) {
    // Every two zones of an edge meet there; the lists are counted before they are made.
    int64_t Met = 0;
    std::vector<uint32_t> Start(Zones.size() + 1, 0);
    Edges.ForEachSharedEdge([&](const uint32_t* On, size_t Count) {
        Met += int64_t(Count) * int64_t(Count - 1) / 2;
        for (size_t K = 0; K < Count; ++K)
            Start[On[K] + 1] += uint32_t(Count - 1);
    });
    if (Met > int64_t(Edges.OccurrenceCount()) + NeighborPairMargin)
        ThrowCrowded(Edges, Zones);
    for (size_t I = 0; I < Zones.size(); ++I)
        Start[I + 1] += Start[I];
    std::vector<int32_t> Flat(Start.back());
    {
        std::vector<uint32_t> Fill(Start.begin(), Start.end() - 1);
        Edges.ForEachSharedEdge([&](const uint32_t* On, size_t Count) {
            for (size_t K = 0; K < Count; ++K)
                for (size_t L = 0; L < Count; ++L)
                    if (K != L)
                        Flat[Fill[On[K]]++] = int32_t(On[L]);
        });
    }
    // Each zone's list without repeats (a zone meets a neighbour on many edges), sorted,
    // packed to the front of its range.
    TAdjacency Adjacent;
    Adjacent.Start.assign(Zones.size() + 1, 0);
    std::vector<uint32_t> SeenBy(Zones.size(), TZoneEdgeTable::NoZone);
    uint32_t Kept = 0;
    for (size_t I = 0; I < Zones.size(); ++I) {
        const uint32_t From = Kept;
        for (uint32_t K = Start[I]; K < Start[I + 1]; ++K)
            if (SeenBy[size_t(Flat[K])] != uint32_t(I)) {
                SeenBy[size_t(Flat[K])] = uint32_t(I);
                Flat[Kept++] = Flat[K];
            }
        std::sort(Flat.begin() + From, Flat.begin() + Kept);
        Adjacent.Start[I + 1] = Kept;
    }
    Flat.resize(Kept);
    Adjacent.Flat = std::move(Flat);
    return Adjacent;
}

TNeighborIndex::TNeighborIndex(TZoneSpriteSurface& Surface) : FSurface(Surface) {}

void TNeighborIndex::Rebuild() {
    std::vector<TZone*> Zones;
    for (int32_t I = 0; I < FSurface.ZoneCount(); ++I)
        Zones.push_back(FSurface.Zone(I));
    FBuilt = false;
    FTable.Clear();
    FIds.clear();
    FFreeIds.clear();
    FTouched.clear();
    const TAdjacency Adjacent = FillTable(Zones, FTable);
    FZoneOfId = Zones;
    for (size_t I = 0; I < Zones.size(); ++I)
        FIds.emplace(Zones[I], uint32_t(I));
    FSurface.SetNeighbors(Adjacent);
    FBuilt = true;
}

uint32_t TNeighborIndex::IdOf(TZone* Zone) {
    const auto Found = FIds.find(Zone);
    if (Found != FIds.end())
        return Found->second;
    uint32_t Id;
    if (!FFreeIds.empty()) {
        Id = FFreeIds.back();
        FFreeIds.pop_back();
        FZoneOfId[Id] = Zone;
    } else {
        Id = uint32_t(FZoneOfId.size());
        FZoneOfId.push_back(Zone);
    }
    FIds.emplace(Zone, Id);
    return Id;
}

void TNeighborIndex::ZoneAdded(TZone* Zone) {
    if (!FBuilt)
        return;
    const uint32_t Id = IdOf(Zone);
    const std::vector<TPoint>& Points = Zone->Points();
    for (size_t E = 0; E < Points.size(); ++E)
        FTable.Insert(EdgeKeyOf(Points[E], Points[E + 1 < Points.size() ? E + 1 : 0]), Id,
                      [&](uint32_t J) { FTouched.push_back(FZoneOfId[J]); });
    FTouched.push_back(Zone);
}

void TNeighborIndex::ZoneDeleting(TZone* Zone) {
    if (!FBuilt)
        return;
    const auto Found = FIds.find(Zone);
    if (Found == FIds.end())
        return;
    const uint32_t Id = Found->second;
    const std::vector<TPoint>& Points = Zone->Points();
    std::vector<uint32_t> Others;
    for (size_t E = 0; E < Points.size(); ++E) {
        const TEdgeKey Key = EdgeKeyOf(Points[E], Points[E + 1 < Points.size() ? E + 1 : 0]);
        FTable.ZonesOn(Key, Others);
        FTable.Erase(Key, Id);
    }
    for (uint32_t J : Others)
        if (J != Id)
            FTouched.push_back(FZoneOfId[J]);
    // Its links go with it, and with them a place in each partner's list.
    for (int32_t L = 0; L < FSurface.LinkCount(); ++L) {
        const TLink& Link = *FSurface.Link(L);
        if (Link.Zone1 == Zone || Link.Zone2 == Zone)
            FTouched.insert(FTouched.end(), {Link.Zone1, Link.Zone2});
    }
    std::erase(FTouched, Zone);
    FIds.erase(Found);
    FZoneOfId[Id] = nullptr;
    FFreeIds.push_back(Id);
}

void TNeighborIndex::LinkChanged(TZone* Zone1, TZone* Zone2) {
    if (FBuilt)
        FTouched.insert(FTouched.end(), {Zone1, Zone2});
}

void TNeighborIndex::Update() {
    std::sort(FTouched.begin(), FTouched.end());
    FTouched.erase(std::unique(FTouched.begin(), FTouched.end()), FTouched.end());
    for (TZone* Z : FTouched)
        RecomputeList(Z);
    FTouched.clear();
}

void TNeighborIndex::RecomputeList(TZone* Zone) {
    const uint32_t Self = FIds.at(Zone);
    const std::vector<TPoint>& Points = Zone->Points();
    std::vector<uint32_t> Ids;
    for (size_t E = 0; E < Points.size(); ++E)
        FTable.ZonesOn(EdgeKeyOf(Points[E], Points[E + 1 < Points.size() ? E + 1 : 0]), Ids);
    std::vector<TZone*>& List = Zone->NeighborList();
    List.clear();
    for (uint32_t J : Ids)
        if (J != Self)
            List.push_back(FZoneOfId[J]);
    std::sort(List.begin(), List.end(),
              [](const TZone* A, const TZone* B) { return A->Index() < B->Index(); });
    List.erase(std::unique(List.begin(), List.end()), List.end());
    for (int32_t L = 0; L < FSurface.LinkCount(); ++L) {
        const TLink& Link = *FSurface.Link(L);
        if (Link.Zone1 != Zone && Link.Zone2 != Zone)
            continue;
        TZone* Partner = Link.Zone1 == Zone ? Link.Zone2 : Link.Zone1;
        if (std::find(List.begin(), List.end(), Partner) == List.end())
            List.push_back(Partner);
    }
}
