#include "mapcheck/PairChecks.h"

#include "mapcheck/Geometry.h"
#include "mapcheck/MapChecks.h"
#include "mapcheck/NearBorders.h"
#include "zonemap/Zone.h"
#include "zonemap/ZoneEdges.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <tuple>
#include <unordered_set>

namespace {

constexpr uint32_t NoId = 0xFFFFFFFFu;
// Buckets of 256 pixels for the zones' boxes; a zone reaching more is looked at with every
// edit, which is cheaper than entering it everywhere.
constexpr int BucketShift = 8;
constexpr int64_t MaxBucketsPerZone = 4096;
constexpr int64_t BoxMargin = int64_t(NearDistance) + 1;

// The near-border search's cells, counted from far left and above every coordinate.
const TNearGrid& CountingGrid() {
    static const TNearGrid Grid{16, -(int64_t(1) << 30), -(int64_t(1) << 30), int64_t(1) << 31,
                                int64_t(1) << 31};
    return Grid;
}

int64_t CellKey(int64_t CX, int64_t CY) {
    return int64_t(uint64_t(CY) << 32 | uint32_t(CX));
}

bool Meet(int64_t L1, int64_t T1, int64_t R1, int64_t B1, int64_t L2, int64_t T2, int64_t R2,
          int64_t B2) {
    return L1 <= R2 && L2 <= R1 && T1 <= B2 && T2 <= B1;
}

TNearSide SideOf(const TEdge& E, int32_t Zone) {
    return {double(E.X1), double(E.Y1), double(E.X2), double(E.Y2), Zone};
}

// One zone's edges by their line, to find the edges of other zones that overlap them
// along it, and its edges as keys, to find those it shares.
class TZoneLines {
public:
    explicit TZoneLines(const TZone& Zone) : FEdgeCount(size_t(Zone.PointCount())) {
        const TRect& B = Zone.Bounds();
        FBounds = {B.Left, B.Top, B.Right, B.Bottom};
        for (int32_t E = 0; E < Zone.PointCount(); ++E) {
            const TEdge Edge = Zone.Edge(E);
            const TEdgeKey Key = EdgeKeyOf({Edge.X1, Edge.Y1}, {Edge.X2, Edge.Y2});
            FKeys.insert(Key);
            TItem Item;
            if (!EdgeLineOf(Key.X1, Key.Y1, Key.X2, Key.Y2, Item.Line))
                continue;
            Item.Key = Key;
            Item.Edge = uint32_t(E);
            FItems.push_back(Item);
        }
        std::sort(FItems.begin(), FItems.end(), [](const TItem& P, const TItem& Q) {
            return std::tie(P.Line.UX, P.Line.UY, P.Line.Offset) <
                   std::tie(Q.Line.UX, Q.Line.UY, Q.Line.Offset);
        });
    }
    size_t EdgeCount() const { return FEdgeCount; }

    // Whether Other has an edge on a line with one of these that overlaps it along a
    // positive length without being it (Overlap), and whether it has one of these edges
    // (Identical). Met counts, for each edge of this zone, the other zones' edges lying on
    // it (copies included), and Split marks the edges met by one that is not a copy. With
    // Self, Other is this zone: only its distinct edges overlapping each other count.
    void Scan(const TZone& Other, bool Self, bool& Overlap, bool& Identical,
              std::vector<uint32_t>* Met, std::vector<bool>* Split) const {
        const auto& [L, T, R, B] = FBounds;
        for (int32_t F = 0; F < Other.PointCount(); ++F) {
            const TEdge Edge = Other.Edge(F);
            if (std::max(Edge.X1, Edge.X2) < L || std::min(Edge.X1, Edge.X2) > R ||
                std::max(Edge.Y1, Edge.Y2) < T || std::min(Edge.Y1, Edge.Y2) > B)
                continue;
            const TEdgeKey Key = EdgeKeyOf({Edge.X1, Edge.Y1}, {Edge.X2, Edge.Y2});
            if (!Self && FKeys.count(Key) != 0)
                Identical = true;
            TEdgeLine Line;
            if (!EdgeLineOf(Key.X1, Key.Y1, Key.X2, Key.Y2, Line))
                continue;
            TItem Probe;
            Probe.Line = Line;
            const auto [First, Last] = std::equal_range(
                FItems.begin(), FItems.end(), Probe, [](const TItem& P, const TItem& Q) {
                    return std::tie(P.Line.UX, P.Line.UY, P.Line.Offset) <
                           std::tie(Q.Line.UX, Q.Line.UY, Q.Line.Offset);
                });
            for (auto It = First; It != Last; ++It) {
                if (std::min(It->Line.Hi, Line.Hi) <= std::max(It->Line.Lo, Line.Lo))
                    continue;
                if (It->Key == Key) {
                    if (!Self && Met != nullptr)
                        ++(*Met)[It->Edge];
                    continue;
                }
                Overlap = true;
                if (Met != nullptr) {
                    ++(*Met)[It->Edge];
                    (*Split)[It->Edge] = true;
                }
            }
        }
    }

private:
    struct TItem {
        TEdgeLine Line;
        TEdgeKey Key{};
        uint32_t Edge = 0;
    };
    struct TExtent {
        int32_t Left, Top, Right, Bottom;
    };
    size_t FEdgeCount;
    TExtent FBounds{};
    std::vector<TItem> FItems;
    std::unordered_set<TEdgeKey, TEdgeKeyHash> FKeys;
};

} // namespace

TPairChecks::~TPairChecks() = default;

void TPairChecks::CheckAll(const std::vector<TZone*>& Zones, const TZoneEdges& Edges,
                           const TOwner& Owner, std::vector<TFinding>& Findings,
                           std::unique_ptr<TPairChecks>* State) {
    TSharedEdgeGroups Groups;
    Edges.ForEachCrowdedEdge([&](const TEdgeKey& Key, const std::vector<uint32_t>& Members) {
        Groups.Add(Key, Members);
    });
    Groups.AddFindings(Zones, Findings);
    // Near borders take the second core, and then, as they are quick on a real map, it
    // makes what is kept while this one looks for split borders.
    int64_t Comparisons = 0;
    std::unique_ptr<TPairChecks> Kept(State != nullptr ? new TPairChecks : nullptr);
    std::future<std::vector<TNearPair>> Near = std::async(std::launch::async, [&] {
        std::vector<TNearPair> Found = FindNearBorders(Zones, Edges, &Comparisons);
        if (Kept != nullptr && Comparisons <= MaxNearComparisons / 2)
            Init(*Kept, Zones, Edges, Owner);
        return Found;
    });
    std::vector<std::pair<int32_t, int32_t>> Split;
    int64_t Work = 0;
    bool Complete = false;
    try {
        Complete = FindSplitBorders(Edges, Split, &Work);
    } catch (...) {
        Near.wait();
        throw;
    }
    const std::vector<TNearPair> NearPairs = Near.get();
    AddSplitBorderFindings(Zones, Split, Complete, Findings, nullptr);
    for (const TNearPair& P : NearPairs)
        Findings.push_back(NearBorderFinding({P.Zone1, Zones[size_t(P.Zone1)]->Name()},
                                             {P.Zone2, Zones[size_t(P.Zone2)]->Name()}, P.Length));
    if (State == nullptr)
        return;
    State->reset();
    // Far from the budgets only: near one, what a full search finds depends on where it
    // stops.
    if (!Complete || Work > MaxOverlapWork / 2 || Comparisons > MaxNearComparisons / 2)
        return;
    for (const auto& [A, B] : Split) {
        Kept->FKnown[size_t(A)].Split.push_back(uint32_t(B));
        Kept->FKnown[size_t(B)].Split.push_back(uint32_t(A));
    }
    for (const TNearPair& P : NearPairs) {
        Kept->FKnown[size_t(P.Zone1)].Near.emplace_back(uint32_t(P.Zone2), P.Length);
        Kept->FKnown[size_t(P.Zone2)].Near.emplace_back(uint32_t(P.Zone1), P.Length);
    }
    Kept->FOverlapWork = Work;
    if (Kept->FComparisons > MaxNearComparisons / 2 ||
        (Kept->FHasSides && NearGridCell(Kept->FPerimeter * 1.01 + 1, Kept->FMinX, Kept->FMinY,
                                         Kept->FMaxX, Kept->FMaxY) != CountingGrid().Cell))
        return;
    *State = std::move(Kept);
}

void TPairChecks::Init(TPairChecks& S, const std::vector<TZone*>& Zones, const TZoneEdges& Edges,
                       const TOwner& Owner) {
    S.FKnown.reserve(Zones.size());
    for (size_t I = 0; I < Zones.size(); ++I) {
        const uint32_t Id = S.Add(Zones[I], Owner(I));
        S.FKnown[Id].Index = int32_t(I);
        S.FKnown[Id].Neighbors.assign(Zones[I]->Neighbors().begin(), Zones[I]->Neighbors().end());
    }
    // The table is far larger than the cache: the slots of later edges are fetched while
    // one is entered.
    S.FTable.Reserve(Edges.EdgeCount());
    std::vector<uint32_t> On;
    constexpr uint32_t Ahead = 16;
    for (uint32_t D = 0; D < Edges.EdgeCount(); ++D) {
        if (D + Ahead < Edges.EdgeCount())
            S.FTable.Prefetch(Edges.Key(D + Ahead));
        On.clear();
        Edges.ZonesOn(D, On);
        S.FTable.InsertNew(Edges.Key(D), On.data(), On.size());
    }
    for (size_t I = 0; I < Zones.size(); ++I)
        for (int32_t E = 0; E < Zones[I]->PointCount(); ++E) {
            const TEdge Edge = Zones[I]->Edge(E);
            if ((Edge.X1 == Edge.X2 && Edge.Y1 == Edge.Y2) || Edges.Shared(I, size_t(E)))
                continue;
            const TNearSide Side = SideOf(Edge, int32_t(I));
            CountingGrid().ForEachCell(Side, [&S](int64_t CX, int64_t CY) {
                S.FComparisons += S.FCellSides[CellKey(CX, CY)]++;
            });
            S.FPerimeter += std::hypot(Side.X1 - Side.X0, Side.Y1 - Side.Y0);
            if (!S.FHasSides) {
                S.FMinX = S.FMaxX = Side.X0;
                S.FMinY = S.FMaxY = Side.Y0;
                S.FHasSides = true;
            }
            S.FMinX = std::min({S.FMinX, Side.X0, Side.X1});
            S.FMinY = std::min({S.FMinY, Side.Y0, Side.Y1});
            S.FMaxX = std::max({S.FMaxX, Side.X0, Side.X1});
            S.FMaxY = std::max({S.FMaxY, Side.Y0, Side.Y1});
        }
}

template <class TVisit> bool TPairChecks::ForEachBucket(const TBox& Box, TVisit&& Visit) {
    const int64_t X0 = Box.Left >> BucketShift, X1 = Box.Right >> BucketShift;
    const int64_t Y0 = Box.Top >> BucketShift, Y1 = Box.Bottom >> BucketShift;
    if ((X1 - X0 + 1) * (Y1 - Y0 + 1) > MaxBucketsPerZone)
        return false;
    for (int64_t Y = Y0; Y <= Y1; ++Y)
        for (int64_t X = X0; X <= X1; ++X)
            Visit(CellKey(X, Y));
    return true;
}

uint32_t TPairChecks::Add(const TZone* Zone, std::shared_ptr<const void> Owner) {
    uint32_t Id;
    if (!FFreeIds.empty()) {
        Id = FFreeIds.back();
        FFreeIds.pop_back();
    } else {
        Id = uint32_t(FKnown.size());
        FKnown.emplace_back();
    }
    TKnown& K = FKnown[Id];
    K.Owner = std::move(Owner);
    K.Zone = Zone;
    const TRect& B = Zone->Bounds();
    K.Box = {int64_t(B.Left) - BoxMargin, int64_t(B.Top) - BoxMargin, int64_t(B.Right) + BoxMargin,
             int64_t(B.Bottom) + BoxMargin};
    K.Wide = !ForEachBucket(K.Box, [&](int64_t Key) { FBuckets[Key].push_back(Id); });
    if (K.Wide)
        FWide.push_back(Id);
    FIdOf[Zone] = Id;
    return Id;
}

void TPairChecks::Forget(uint32_t Id) {
    TKnown& K = FKnown[Id];
    if (K.Wide)
        std::erase(FWide, Id);
    else
        ForEachBucket(K.Box, [&](int64_t Key) {
            const auto Found = FBuckets.find(Key);
            std::erase(Found->second, Id);
            if (Found->second.empty())
                FBuckets.erase(Found);
        });
    FIdOf.erase(K.Zone);
    K = TKnown{};
    FFreeIds.push_back(Id);
}

void TPairChecks::DropPairs(uint32_t Id) {
    TKnown& K = FKnown[Id];
    for (const uint32_t Other : K.Split)
        std::erase(FKnown[Other].Split, Id);
    for (const auto& [Other, Length] : K.Near)
        std::erase_if(FKnown[Other].Near, [Id](const auto& P) { return P.first == Id; });
    K.Split.clear();
    K.Near.clear();
}

template <class TVisit> void TPairChecks::ForEachSide(const TZone& Zone, TVisit&& Visit) const {
    std::vector<uint32_t> On;
    for (int32_t E = 0; E < Zone.PointCount(); ++E) {
        const TEdge Edge = Zone.Edge(E);
        if (Edge.X1 == Edge.X2 && Edge.Y1 == Edge.Y2)
            continue;
        On.clear();
        FTable.ZonesOn(EdgeKeyOf({Edge.X1, Edge.Y1}, {Edge.X2, Edge.Y2}), On);
        if (On.size() == 1)
            Visit(Edge);
    }
}

void TPairChecks::CountSides(uint32_t Id, int Sign) {
    ForEachSide(*FKnown[Id].Zone, [&](const TEdge& Edge) {
        const TNearSide Side = SideOf(Edge, 0);
        CountingGrid().ForEachCell(Side, [&](int64_t CX, int64_t CY) {
            const int64_t Key = CellKey(CX, CY);
            if (Sign > 0) {
                FComparisons += FCellSides[Key]++;
                return;
            }
            const auto Found = FCellSides.find(Key);
            FComparisons -= --Found->second;
            if (Found->second == 0)
                FCellSides.erase(Found);
        });
        FPerimeter += Sign * std::hypot(Side.X1 - Side.X0, Side.Y1 - Side.Y0);
        if (Sign < 0)
            return;
        if (!FHasSides) {
            FMinX = FMaxX = Side.X0;
            FMinY = FMaxY = Side.Y0;
            FHasSides = true;
        }
        FMinX = std::min({FMinX, Side.X0, Side.X1});
        FMinY = std::min({FMinY, Side.Y0, Side.Y1});
        FMaxX = std::max({FMaxX, Side.X0, Side.X1});
        FMaxY = std::max({FMaxY, Side.Y0, Side.Y1});
    });
}

bool TPairChecks::Update(const std::vector<TZone*>& Zones, const TOwner& Owner,
                         std::vector<TFinding>& Findings) {
    // Which zones came and went; the others must keep their order.
    std::vector<uint32_t> IdAt(Zones.size(), NoId);
    std::vector<size_t> Added;
    std::vector<bool> Seen(FKnown.size(), false);
    int32_t LastIndex = -1;
    for (size_t I = 0; I < Zones.size(); ++I) {
        const auto Found = FIdOf.find(Zones[I]);
        if (Found == FIdOf.end()) {
            Added.push_back(I);
            continue;
        }
        const uint32_t Id = Found->second;
        if (FKnown[Id].Index <= LastIndex)
            return false;
        LastIndex = FKnown[Id].Index;
        Seen[Id] = true;
        IdAt[I] = Id;
    }
    std::vector<uint32_t> Removed;
    for (uint32_t Id = 0; Id < FKnown.size(); ++Id)
        if (FKnown[Id].Zone != nullptr && !Seen[Id])
            Removed.push_back(Id);
    if (Added.size() + Removed.size() > std::max<size_t>(64, Zones.size() / 8))
        return false;

    // The zones on the edges of those that come and go: their sides may change.
    std::vector<uint32_t> Touched;
    const auto ZonesOnEdges = [&](const TZone& Z) {
        for (int32_t E = 0; E < Z.PointCount(); ++E) {
            const TEdge Edge = Z.Edge(E);
            FTable.ZonesOn(EdgeKeyOf({Edge.X1, Edge.Y1}, {Edge.X2, Edge.Y2}), Touched);
        }
    };
    for (const uint32_t Id : Removed)
        ZonesOnEdges(*FKnown[Id].Zone);
    for (const size_t I : Added)
        ZonesOnEdges(*Zones[I]);
    std::sort(Touched.begin(), Touched.end());
    Touched.erase(std::unique(Touched.begin(), Touched.end()), Touched.end());
    for (const uint32_t Id : Touched)
        CountSides(Id, -1);
    std::vector<bool> IsRemoved(FKnown.size(), false);
    for (const uint32_t Id : Removed) {
        IsRemoved[Id] = true;
        const TZone& Z = *FKnown[Id].Zone;
        for (int32_t E = 0; E < Z.PointCount(); ++E) {
            const TEdge Edge = Z.Edge(E);
            FTable.Erase(EdgeKeyOf({Edge.X1, Edge.Y1}, {Edge.X2, Edge.Y2}), Id);
        }
    }
    // Ids of removed zones stay taken until their pairs are dropped.
    std::vector<uint32_t> AddedIds;
    for (const size_t I : Added) {
        const uint32_t Id = Add(Zones[I], Owner(I));
        IdAt[I] = Id;
        AddedIds.push_back(Id);
        for (int32_t E = 0; E < Zones[I]->PointCount(); ++E) {
            const TEdge Edge = Zones[I]->Edge(E);
            FTable.Insert(EdgeKeyOf({Edge.X1, Edge.Y1}, {Edge.X2, Edge.Y2}), Id);
        }
    }
    for (const uint32_t Id : Touched)
        if (!IsRemoved[Id])
            CountSides(Id, +1);
    for (const uint32_t Id : AddedIds)
        CountSides(Id, +1);
    if (FComparisons > MaxNearComparisons / 2 ||
        (FHasSides &&
         NearGridCell(FPerimeter * 1.01 + 1, FMinX, FMinY, FMaxX, FMaxY) != CountingGrid().Cell))
        return false;
    for (const uint32_t Id : Removed) {
        DropPairs(Id);
        Forget(Id);
    }

    std::vector<bool> IsDirty(FKnown.size(), false), IsAdded(FKnown.size(), false);
    for (const uint32_t Id : AddedIds)
        IsDirty[Id] = IsAdded[Id] = true;
    for (const uint32_t Id : Touched)
        if (Id < IsRemoved.size() && !IsRemoved[Id])
            IsDirty[Id] = true;
    // A zone whose neighbour list changed may have gained or lost a near border.
    for (size_t I = 0; I < Zones.size(); ++I) {
        TKnown& K = FKnown[IdAt[I]];
        K.Index = int32_t(I);
        const std::vector<TZone*>& List = Zones[I]->Neighbors();
        if (!std::equal(List.begin(), List.end(), K.Neighbors.begin(), K.Neighbors.end())) {
            K.Neighbors.assign(List.begin(), List.end());
            IsDirty[IdAt[I]] = true;
        }
    }
    std::vector<uint32_t> Dirty;
    for (uint32_t Id = 0; Id < FKnown.size(); ++Id)
        if (IsDirty[Id]) {
            DropPairs(Id);
            Dirty.push_back(Id);
        }
    CheckPairsOf(Dirty, IsAdded, IsDirty);
    if (FOverlapWork > MaxOverlapWork / 2)
        return false;
    AddFindings(Zones, Findings);
    return true;
}

void TPairChecks::CheckPairsOf(const std::vector<uint32_t>& Dirty, const std::vector<bool>& IsAdded,
                               const std::vector<bool>& IsDirty) {
    // Sides of the zones looked at, by id, each in outline order.
    std::unordered_map<uint32_t, std::vector<TNearSide>> SidesOf;
    const auto Sides = [&](uint32_t Id) -> const std::vector<TNearSide>& {
        const auto [It, New] = SidesOf.try_emplace(Id);
        if (New)
            ForEachSide(*FKnown[Id].Zone, [&](const TEdge& Edge) {
                It->second.push_back(SideOf(Edge, FKnown[Id].Index));
            });
        return It->second;
    };
    std::vector<uint32_t> Mark(FKnown.size(), NoId);
    std::vector<uint32_t> Candidates;
    std::vector<uint32_t> Met;
    std::vector<bool> MetSplit;
    std::vector<TNearSide> PairSides;
    std::vector<std::pair<uint32_t, uint32_t>> Close;
    for (const uint32_t D : Dirty) {
        const TKnown& DK = FKnown[D];
        Candidates.clear();
        const auto Consider = [&](uint32_t C) {
            if (C == D || Mark[C] == D || FKnown[C].Zone == nullptr)
                return;
            Mark[C] = D;
            const TBox& A = DK.Box;
            const TBox& B = FKnown[C].Box;
            if (Meet(A.Left, A.Top, A.Right, A.Bottom, B.Left, B.Top, B.Right, B.Bottom))
                Candidates.push_back(C);
        };
        if (DK.Wide) {
            for (uint32_t C = 0; C < FKnown.size(); ++C)
                Consider(C);
        } else {
            ForEachBucket(DK.Box, [&](int64_t Key) {
                const auto Found = FBuckets.find(Key);
                if (Found != FBuckets.end())
                    for (const uint32_t C : Found->second)
                        Consider(C);
            });
            for (const uint32_t C : FWide)
                Consider(C);
        }
        const TZoneLines Lines(*DK.Zone);
        // Of an added zone, how many edges of others lie on each of its edges: the overlap
        // search's steps it may add.
        const bool Counting = IsAdded[D];
        Met.assign(Counting ? Lines.EdgeCount() : 0, 0);
        MetSplit.assign(Met.size(), false);
        if (Counting) {
            bool Ignored = false, Also = false;
            Lines.Scan(*DK.Zone, true, Ignored, Also, &Met, &MetSplit);
        }
        for (const uint32_t C : Candidates) {
            const TKnown& CK = FKnown[C];
            // A pair of two zones looked at is measured once, from the one of lower id.
            const bool Done = IsDirty[C] && C < D;
            if (Done && !Counting)
                continue;
            bool Overlap = false, Identical = false;
            Lines.Scan(*CK.Zone, false, Overlap, Identical, Counting ? &Met : nullptr, &MetSplit);
            if (Done)
                continue;
            if (Overlap && !Identical) {
                FKnown[D].Split.push_back(C);
                FKnown[C].Split.push_back(D);
            }
            // Near borders, measured as the whole search measures them: the lower-numbered
            // zone's sides first, and its neighbour list decides.
            const bool DFirst = DK.Index < CK.Index;
            const TKnown& First = DFirst ? DK : CK;
            const TKnown& Second = DFirst ? CK : DK;
            if (std::find(First.Neighbors.begin(), First.Neighbors.end(), Second.Zone) !=
                First.Neighbors.end())
                continue;
            PairSides.clear();
            const auto NearBox = [](const TNearSide& S, const TZone& Z) {
                const TRect& B = Z.Bounds();
                return std::max(S.X0, S.X1) + 2 * NearDistance >= B.Left &&
                       std::min(S.X0, S.X1) - 2 * NearDistance <= B.Right &&
                       std::max(S.Y0, S.Y1) + 2 * NearDistance >= B.Top &&
                       std::min(S.Y0, S.Y1) - 2 * NearDistance <= B.Bottom;
            };
            for (const TNearSide& S : Sides(DFirst ? D : C))
                if (NearBox(S, *Second.Zone))
                    PairSides.push_back(S);
            const size_t FirstCount = PairSides.size();
            for (const TNearSide& S : Sides(DFirst ? C : D))
                if (NearBox(S, *First.Zone))
                    PairSides.push_back(S);
            Close.clear();
            for (size_t P = 0; P < FirstCount; ++P)
                for (size_t Q = FirstCount; Q < PairSides.size(); ++Q)
                    if (NearCandidates(PairSides[P], PairSides[Q]))
                        Close.emplace_back(uint32_t(P), uint32_t(Q));
            if (Close.empty())
                continue;
            const double Length = NearPairLength(PairSides, Close, First.Index);
            if (Length < NearLength)
                continue;
            const int32_t Rounded = int32_t(std::lround(Length));
            FKnown[D].Near.emplace_back(C, Rounded);
            FKnown[C].Near.emplace_back(D, Rounded);
        }
        for (size_t E = 0; E < Met.size(); ++E)
            if (MetSplit[E])
                FOverlapWork += (int64_t(Met[E]) + 1) * (int64_t(Met[E]) + 1);
    }
}

void TPairChecks::AddFindings(const std::vector<TZone*>& Zones,
                              std::vector<TFinding>& Findings) const {
    TSharedEdgeGroups Groups;
    FTable.ForEachCrowdedEdge([&](const TEdgeKey& Key, const std::vector<uint32_t>& Ids) {
        std::vector<uint32_t> Members;
        for (const uint32_t Id : Ids)
            Members.push_back(uint32_t(FKnown[Id].Index));
        Groups.Add(Key, std::move(Members));
    });
    Groups.AddFindings(Zones, Findings);
    std::vector<std::pair<int32_t, int32_t>> Split;
    std::vector<TNearPair> Near;
    for (const TKnown& K : FKnown) {
        for (const uint32_t Other : K.Split)
            if (K.Index < FKnown[Other].Index)
                Split.emplace_back(K.Index, FKnown[Other].Index);
        for (const auto& [Other, Length] : K.Near)
            if (K.Index < FKnown[Other].Index)
                Near.push_back({K.Index, FKnown[Other].Index, Length});
    }
    std::sort(Split.begin(), Split.end());
    AddSplitBorderFindings(Zones, Split, true, Findings, nullptr);
    std::sort(Near.begin(), Near.end(), [](const TNearPair& A, const TNearPair& B) {
        return std::tie(A.Zone1, A.Zone2) < std::tie(B.Zone1, B.Zone2);
    });
    for (const TNearPair& P : Near)
        Findings.push_back(NearBorderFinding({P.Zone1, Zones[size_t(P.Zone1)]->Name()},
                                             {P.Zone2, Zones[size_t(P.Zone2)]->Name()}, P.Length));
}
