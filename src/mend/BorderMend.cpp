#include "mend/BorderMend.h"

#include "mapcheck/Geometry.h"
#include "zonemap/Zone.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <numeric>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace {

// Products of 32-bit coordinates need more than 64 bits.
__extension__ typedef __int128 TWide;

uint64_t PairKey(int32_t A, int32_t B) {
    if (A > B)
        std::swap(A, B);
    return (uint64_t(uint32_t(A)) << 32) | uint32_t(B);
}

// One edge placed on its line: the reduced direction (first non-zero component positive)
// and offset name the line; T is the position of a point along it.
struct TLineEdge {
    int64_t UX, UY;
    TWide Offset;
    TWide Lo, Hi;
    TWide TA, TB; // positions of the edge's start and end
    TPoint A, B;
    int32_t Zone;
    int32_t Edge;
};

// Twice the signed area: its sign says on which side of its edges a zone's inside lies.
int OrientationOf(const TZone& Z) {
    TWide Sum = 0;
    const std::vector<TPoint>& P = Z.Points();
    for (size_t I = 0; I < P.size(); ++I) {
        const TPoint& A = P[I];
        const TPoint& B = P[(I + 1) % P.size()];
        Sum += TWide(A.X) * B.Y - TWide(B.X) * A.Y;
    }
    return Sum > 0 ? 1 : Sum < 0 ? -1 : 0;
}

std::vector<TLineEdge> LineEdges(const std::vector<TZone*>& Zones) {
    std::vector<TLineEdge> Entries;
    for (size_t I = 0; I < Zones.size(); ++I) {
        const TZone& Z = *Zones[I];
        for (int32_t E = 0; E < Z.PointCount(); ++E) {
            const TEdge Edge = Z.Edge(E);
            TEdgeLine L;
            if (!EdgeLineOf(Edge.X1, Edge.Y1, Edge.X2, Edge.Y2, L))
                continue;
            Entries.push_back({L.UX, L.UY, L.Offset, L.Lo, L.Hi, L.TA, L.TB,
                               TPoint{Edge.X1, Edge.Y1}, TPoint{Edge.X2, Edge.Y2}, int32_t(I), E});
        }
    }
    std::sort(Entries.begin(), Entries.end(), [](const TLineEdge& P, const TLineEdge& Q) {
        return std::tie(P.UX, P.UY, P.Offset, P.Lo) < std::tie(Q.UX, Q.UY, Q.Offset, Q.Lo);
    });
    return Entries;
}

bool SameLine(const TLineEdge& P, const TLineEdge& Q) {
    return P.UX == Q.UX && P.UY == Q.UY && P.Offset == Q.Offset;
}

struct TDisjointSets {
    std::vector<size_t> Parent;
    explicit TDisjointSets(size_t N) : Parent(N) { std::iota(Parent.begin(), Parent.end(), 0); }
    size_t Find(size_t X) {
        while (Parent[X] != X)
            X = Parent[X] = Parent[Parent[X]];
        return X;
    }
    void Join(size_t X, size_t Y) { Parent[Find(X)] = Find(Y); }
};

struct TInsertion {
    TWide T;
    TPoint Point;
};

bool LexLess(const TPoint& A, const TPoint& B) {
    return A.X != B.X ? A.X < B.X : A.Y < B.Y;
}

std::vector<TPoint> SortedPoints(std::vector<TPoint> Points) {
    std::sort(Points.begin(), Points.end(), LexLess);
    Points.erase(std::unique(Points.begin(), Points.end()), Points.end());
    return Points;
}

bool ShareAnEdge(const std::vector<TPoint>& P, const std::vector<TPoint>& Q) {
    const auto Key = [](const TPoint& A, const TPoint& B) {
        return LexLess(A, B) ? std::tuple(A.X, A.Y, B.X, B.Y) : std::tuple(B.X, B.Y, A.X, A.Y);
    };
    std::set<std::tuple<int32_t, int32_t, int32_t, int32_t>> Edges;
    for (size_t I = 0; I < P.size(); ++I)
        if (!(P[I] == P[(I + 1) % P.size()]))
            Edges.insert(Key(P[I], P[(I + 1) % P.size()]));
    for (size_t I = 0; I < Q.size(); ++I)
        if (Edges.contains(Key(Q[I], Q[(I + 1) % Q.size()])))
            return true;
    return false;
}

// The points of After that Before lacked and Other has.
int32_t TakenOn(const std::vector<TPoint>& Before, const std::vector<TPoint>& After,
                const std::vector<TPoint>& Other) {
    const std::vector<TPoint> Had = SortedPoints(Before);
    const std::vector<TPoint> Theirs = SortedPoints(Other);
    int32_t Count = 0;
    for (const TPoint& P : SortedPoints(After))
        if (!std::binary_search(Had.begin(), Had.end(), P, LexLess) &&
            std::binary_search(Theirs.begin(), Theirs.end(), P, LexLess))
            ++Count;
    return Count;
}

void AppendInt(std::string& Text, int32_t Value) {
    char Digits[12];
    const auto Result = std::to_chars(Digits, Digits + sizeof Digits, Value);
    Text.append(Digits, Result.ptr);
}

// Mends the split pairs among Targets (pair keys); pairs outside it are left alone.
TBorderMend Mend(const std::vector<TZone*>& Zones, const std::unordered_set<uint64_t>& Targets) {
    TBorderMend Result;
    if (Targets.empty())
        return Result;
    std::vector<int> Orientation(Zones.size());
    for (size_t I = 0; I < Zones.size(); ++I)
        Orientation[I] = OrientationOf(*Zones[I]);

    const std::vector<TLineEdge> Entries = LineEdges(Zones);
    // Points to insert, per zone and edge (zone << 32 | edge).
    std::unordered_map<uint64_t, std::vector<TInsertion>> Insertions;
    std::set<uint64_t> Overlapping;

    std::vector<size_t> Active;
    for (size_t Begin = 0; Begin < Entries.size();) {
        size_t End = Begin + 1;
        while (End < Entries.size() && SameLine(Entries[Begin], Entries[End]))
            ++End;
        TDisjointSets Sets(End - Begin);
        bool Joined = false;
        Active.clear();
        for (size_t K = Begin; K < End; ++K) {
            const TLineEdge& Current = Entries[K];
            std::erase_if(Active, [&](size_t A) { return Entries[A].Hi <= Current.Lo; });
            for (const size_t A : Active) {
                const TLineEdge& Other = Entries[A];
                if (Other.Zone == Current.Zone)
                    continue;
                if (Other.Lo == Current.Lo && Other.Hi == Current.Hi) {
                    // A shared edge: whatever one side takes on, the other must too.
                    Sets.Join(A - Begin, K - Begin);
                    continue;
                }
                const uint64_t Key = PairKey(Other.Zone, Current.Zone);
                if (!Targets.contains(Key))
                    continue;
                Overlapping.insert(Key);
                // Zones that meet lie on opposite sides of the line; on the same side they
                // overlap, and points added would make overlapping zones neighbours.
                const bool SameDirection = (Other.TA < Other.TB) == (Current.TA < Current.TB);
                const int Sides = Orientation[size_t(Other.Zone)] *
                                  Orientation[size_t(Current.Zone)] * (SameDirection ? 1 : -1);
                if (Sides > 0)
                    continue;
                Sets.Join(A - Begin, K - Begin);
                Joined = true;
            }
            Active.push_back(K);
        }
        if (!Joined) {
            Begin = End;
            continue;
        }

        // Every edge of a joined group takes on every end point of the group inside it.
        std::map<size_t, std::vector<size_t>> Groups;
        for (size_t K = Begin; K < End; ++K)
            Groups[Sets.Find(K - Begin)].push_back(K);
        for (const auto& [Root, Members] : Groups) {
            if (Members.size() < 2)
                continue;
            std::vector<TInsertion> Ends;
            for (const size_t K : Members) {
                Ends.push_back({Entries[K].TA, Entries[K].A});
                Ends.push_back({Entries[K].TB, Entries[K].B});
            }
            std::sort(Ends.begin(), Ends.end(),
                      [](const TInsertion& P, const TInsertion& Q) { return P.T < Q.T; });
            Ends.erase(
                std::unique(Ends.begin(), Ends.end(),
                            [](const TInsertion& P, const TInsertion& Q) { return P.T == Q.T; }),
                Ends.end());
            for (const size_t K : Members) {
                const TLineEdge& E = Entries[K];
                auto First =
                    std::upper_bound(Ends.begin(), Ends.end(), E.Lo,
                                     [](const TWide& T, const TInsertion& P) { return T < P.T; });
                std::vector<TInsertion>* Into = nullptr;
                for (auto It = First; It != Ends.end() && It->T < E.Hi; ++It) {
                    if (Into == nullptr)
                        Into = &Insertions[(uint64_t(uint32_t(E.Zone)) << 32) | uint32_t(E.Edge)];
                    Into->push_back(*It);
                }
            }
        }
        Begin = End;
    }

    // The new outlines, zone by zone.
    std::map<int32_t, std::map<int32_t, std::vector<TInsertion>*>> ByZone;
    for (auto& [Key, List] : Insertions)
        ByZone[int32_t(Key >> 32)][int32_t(Key & 0xFFFFFFFFu)] = &List;
    for (const auto& [ZoneIndex, Edges] : ByZone) {
        const TZone& Z = *Zones[size_t(ZoneIndex)];
        TZoneOutlineChange Change;
        Change.Zone = ZoneIndex;
        Change.Before = Z.Points();
        for (int32_t E = 0; E < Z.PointCount(); ++E) {
            Change.After.push_back(Z.Point(E));
            const auto Found = Edges.find(E);
            if (Found == Edges.end())
                continue;
            std::vector<TInsertion>& List = *Found->second;
            // In the edge's own direction, from its start.
            const TEdge Edge = Z.Edge(E);
            const bool Ascending = Edge.X2 > Edge.X1 || (Edge.X2 == Edge.X1 && Edge.Y2 > Edge.Y1);
            std::sort(List.begin(), List.end(),
                      [Ascending](const TInsertion& P, const TInsertion& Q) {
                          return Ascending ? P.T < Q.T : Q.T < P.T;
                      });
            List.erase(
                std::unique(List.begin(), List.end(),
                            [](const TInsertion& P, const TInsertion& Q) { return P.T == Q.T; }),
                List.end());
            for (const TInsertion& I : List)
                Change.After.push_back(I.Point);
        }
        Result.PointsAdded += int32_t(Change.After.size() - Change.Before.size());
        Change.BeforeText = ZoneTextWithPoints(Z, Change.Before);
        Change.AfterText = ZoneTextWithPoints(Z, Change.After);
        Result.Changes.push_back(std::move(Change));
    }

    // Judged on the outlines as they come out: a pair is mended when its zones share an
    // edge, and has taken on the points of each other's outline that it did not have.
    std::unordered_map<int32_t, const TZoneOutlineChange*> Changed;
    for (const TZoneOutlineChange& C : Result.Changes)
        Changed[C.Zone] = &C;
    const auto Outline = [&](int32_t Zone) -> const std::vector<TPoint>& {
        const auto Found = Changed.find(Zone);
        return Found == Changed.end() ? Zones[size_t(Zone)]->Points() : Found->second->After;
    };
    for (const uint64_t Key : Overlapping) {
        const int32_t Zone1 = int32_t(Key >> 32);
        const int32_t Zone2 = int32_t(Key & 0xFFFFFFFFu);
        const std::vector<TPoint>& P1 = Outline(Zone1);
        const std::vector<TPoint>& P2 = Outline(Zone2);
        if (ShareAnEdge(P1, P2))
            Result.Mended.push_back({Zone1, Zone2,
                                     TakenOn(Zones[size_t(Zone1)]->Points(), P1, P2) +
                                         TakenOn(Zones[size_t(Zone2)]->Points(), P2, P1)});
        else
            Result.Left.push_back(
                {Zone1, Zone2,
                 "the zones overlap along the border instead of meeting there (both lie on "
                 "the same side of it), so they cannot be made neighbours without moving a "
                 "point"});
    }
    return Result;
}

} // namespace

TBorderMend PlanBorderMend(const std::vector<TZone*>& Zones) {
    std::unordered_set<uint64_t> Targets;
    for (const auto& [A, B] : FindCollinearOverlaps(Zones))
        if (!Zones[size_t(A)]->IsAdjacentTo(*Zones[size_t(B)]))
            Targets.insert(PairKey(A, B));
    return Mend(Zones, Targets);
}

TBorderMend PlanBorderMend(const std::vector<TZone*>& Zones, int32_t Zone1, int32_t Zone2) {
    std::unordered_set<uint64_t> Targets;
    if (Zone1 != Zone2 && Zone1 >= 0 && Zone2 >= 0 && size_t(Zone1) < Zones.size() &&
        size_t(Zone2) < Zones.size() && !Zones[size_t(Zone1)]->IsAdjacentTo(*Zones[size_t(Zone2)]))
        Targets.insert(PairKey(Zone1, Zone2));
    return Mend(Zones, Targets);
}

std::vector<TZone*> SurfaceZones(const TZoneSpriteSurface& Surface) {
    std::vector<TZone*> Zones;
    Zones.reserve(size_t(Surface.ZoneCount()));
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I)
        Zones.push_back(Surface.Zone(I));
    return Zones;
}

std::string ZoneTextWithPoints(const TZone& Zone, const std::vector<TPoint>& Points) {
    std::string Text;
    for (const TPoint& P : Points) {
        AppendInt(Text, P.X);
        Text += ',';
        AppendInt(Text, P.Y);
        Text += ',';
    }
    Text += ';';
    Text += Zone.Name();
    Text += ';';
    AppendInt(Text, Zone.IsSea());
    Text += ';';
    return Text;
}

namespace {

// A zone like Zone with other points. The name and flag are set, not read back from text:
// a name may hold what zone text cannot.
TZone* WithPoints(TZoneSpriteSurface& Surface, const TZone& Zone,
                  const std::vector<TPoint>& Points) {
    std::string Text;
    for (const TPoint& P : Points) {
        AppendInt(Text, P.X);
        Text += ',';
        AppendInt(Text, P.Y);
        Text += ',';
    }
    auto New = std::make_unique<TZone>(&Surface, Text);
    New->SetName(Zone.Name());
    New->SetIsSea(Zone.IsSea());
    return New.release();
}

} // namespace

void ReplaceZonePoints(TZoneSpriteSurface& Surface, int32_t Index,
                       const std::vector<TPoint>& Points) {
    Surface.ReplaceZones({{Index, WithPoints(Surface, *Surface.Zone(Index), Points)}});
}

void ApplyOutlineChanges(TZoneSpriteSurface& Surface,
                         const std::vector<TZoneOutlineChange>& Changes, bool Undo) {
    std::vector<std::pair<int32_t, TZone*>> Replacements;
    try {
        for (const TZoneOutlineChange& C : Changes)
            Replacements.emplace_back(
                C.Zone, WithPoints(Surface, *Surface.Zone(C.Zone), Undo ? C.Before : C.After));
    } catch (...) {
        for (const auto& R : Replacements)
            delete R.second;
        throw;
    }
    Surface.ReplaceZones(Replacements);
}
