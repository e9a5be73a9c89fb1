#include "mapcheck/MapChecks.h"

#include "mapcheck/Geometry.h"
#include "mapcheck/NameLengthCheck.h"
#include "mapcheck/NearBorders.h"
#include "mapcheck/PaletteChecks.h"
#include "zonemap/ZoneEdgeTable.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <map>
#include <optional>
#include <tuple>

#include <string_view>
#include <unordered_map>

namespace {

TZoneRef RefAt(const std::vector<TZone*>& Zones, size_t I) {
    return {int32_t(I), Zones[I]->Name()};
}

bool HasLineBreak(const std::string& Text) {
    return Text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

std::string PointText(const TPoint& P) {
    return "(" + std::to_string(P.X) + "," + std::to_string(P.Y) + ")";
}

struct TElementRect {
    int64_t Left, Top, Right, Bottom; // right and bottom inclusive: a border on the edge counts
};

bool Contains(const TElementRect& R, const TPoint& P) {
    return R.Left <= P.X && P.X <= R.Right && R.Top <= P.Y && P.Y <= R.Bottom;
}

} // namespace

void CheckBitmapNames(const std::vector<std::string>& Names, std::vector<TFinding>& Findings) {
    for (const std::string& Name : Names)
        if (Name.find(':') != std::string::npos || HasLineBreak(Name))
            Findings.push_back({"forbidden-character",
                                "bitmap name \"" + Name +
                                    "\" holds \":\" or a line break, which Element lines "
                                    "cannot hold",
                                {}});
}

void CheckNoNeighbors(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings) {
    for (size_t I = 0; I < Zones.size(); ++I)
        if (Zones[I]->NeighborCount() == 0)
            Findings.push_back({"no-neighbor", "has no neighbour at all", {RefAt(Zones, I)}});
}

void CheckGridPointRefusals(const std::vector<TZone*>& Zones, const std::vector<bool>& Refused,
                            std::vector<TFinding>& Findings) {
    for (size_t I = 0; I < Zones.size() && I < Refused.size(); ++I)
        if (Refused[I])
            Findings.push_back({"no-grid-points",
                                "gets no grid points: it lies past the grid-point budget of a "
                                "load, so the game would find no place for units there",
                                {RefAt(Zones, I)}});
}

void CheckLinks(const std::vector<TZone*>& Zones,
                const std::vector<std::pair<int32_t, int32_t>>& Links,
                std::vector<TFinding>& Findings) {
    for (size_t I = 0; I < Links.size(); ++I) {
        const auto [A, B] = Links[I];
        const std::string Which = "link " + std::to_string(I);
        if (A == B)
            Findings.push_back(
                {"self-link", Which + " joins the zone to itself", {RefAt(Zones, size_t(A))}});
        else if (Zones[size_t(A)]->IsAdjacentTo(*Zones[size_t(B)]))
            Findings.push_back({"redundant-link",
                                Which + " joins zones that share an edge already",
                                {RefAt(Zones, size_t(A)), RefAt(Zones, size_t(B))}});
    }
}

namespace {

std::vector<TElementRect> RectsOf(const std::vector<TElementBox>& Elements) {
    std::vector<TElementRect> Rects;
    for (const TElementBox& E : Elements)
        Rects.push_back({E.Position.X, E.Position.Y, int64_t(E.Position.X) + E.Width,
                         int64_t(E.Position.Y) + E.Height});
    return Rects;
}

bool FirstOutside(const std::vector<TPoint>& Points, const std::vector<TElementRect>& Rects,
                  TPoint& Outside) {
    // A map whose background is not placed yet is not at fault: nothing to be outside of.
    if (Rects.empty())
        return false;
    // Consecutive points mostly fall on the same element: try the last one first.
    size_t Last = 0;
    for (const TPoint& P : Points) {
        bool Inside = Contains(Rects[Last], P);
        for (size_t K = 0; !Inside && K < Rects.size(); ++K)
            if (Contains(Rects[K], P)) {
                Inside = true;
                Last = K;
            }
        if (!Inside) {
            Outside = P;
            return true;
        }
    }
    return false;
}

} // namespace

bool FirstPointOutside(const std::vector<TPoint>& Points, const std::vector<TElementBox>& Elements,
                       TPoint& Outside) {
    return FirstOutside(Points, RectsOf(Elements), Outside);
}

void CheckElements(const std::vector<TZone*>& Zones, const std::vector<TElementBox>& Elements,
                   std::vector<TFinding>& Findings) {
    const std::vector<TElementRect> Rects = RectsOf(Elements);
    CheckElements(Zones, Elements, Findings, [&](size_t I, TPoint& Outside) {
        return FirstOutside(Zones[I]->Points(), Rects, Outside);
    });
}

void CheckElements(const std::vector<TZone*>& Zones, const std::vector<TElementBox>& Elements,
                   std::vector<TFinding>& Findings,
                   const std::function<bool(size_t Zone, TPoint& Outside)>& ZoneOutside) {
    for (size_t I = 0; I < Zones.size() && !Elements.empty(); ++I)
        if (TPoint P; ZoneOutside(I, P))
            Findings.push_back(
                {"zone-outside-bitmaps",
                 "point " + PointText(P) + " lies outside every element, over no background",
                 {RefAt(Zones, I)}});
    for (size_t I = 0; I < Elements.size(); ++I) {
        const TPoint P = Elements[I].Position;
        if (P.X < 0 || P.Y < 0) {
            TFinding F{"element-off-canvas",
                       "placed at " + PointText(P) +
                           ": the part left of or above (0,0) is never shown",
                       {}};
            F.Element = int32_t(I);
            F.Bitmap = Elements[I].Bitmap;
            Findings.push_back(F);
        }
    }
}

void CheckNames(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings) {
    for (size_t I = 0; I < Zones.size(); ++I)
        if (Zones[I]->Name().empty())
            Findings.push_back({"unnamed-zone", "has no name", {RefAt(Zones, I)}});
    // Names compare exactly, as the save compares them; one finding per repeated name,
    // where its first zone stands.
    std::unordered_map<std::string_view, std::vector<size_t>> Uses;
    for (size_t I = 0; I < Zones.size(); ++I)
        if (!Zones[I]->Name().empty())
            Uses[Zones[I]->Name()].push_back(I);
    for (size_t I = 0; I < Zones.size(); ++I) {
        const auto Found = Uses.find(Zones[I]->Name());
        if (Found == Uses.end() || Found->second.size() < 2 || Found->second.front() != I)
            continue;
        TFinding F{"duplicate-name", "have the same name", {}};
        for (size_t K : Found->second)
            F.Zones.push_back(RefAt(Zones, K));
        Findings.push_back(F);
    }
    for (size_t I = 0; I < Zones.size(); ++I)
        if (Zones[I]->Name().find(';') != std::string::npos || HasLineBreak(Zones[I]->Name()))
            Findings.push_back({"forbidden-character",
                                "the name holds \";\" or a line break, which the file cannot hold",
                                {RefAt(Zones, I)}});
}

namespace {

// The outline checks zone by zone, by any number of threads at once, each taking the next
// chunk of zones; the findings come out in zone order, as from one thread.
class TOutlineCheck {
public:
    explicit TOutlineCheck(const std::vector<TZone*>& Zones)
        : FZones(Zones), FResults(Zones.size()) {}

    void Work() {
        constexpr size_t Chunk = 64;
        for (size_t Begin; (Begin = FNext.fetch_add(Chunk)) < FZones.size();)
            for (size_t I = Begin; I < std::min(Begin + Chunk, FZones.size()); ++I) {
                TResult& R = FResults[I];
                const std::vector<TPoint>& Points = FZones[I]->Points();
                R.Corners = DistinctCornerCount(Points);
                R.Crosses = R.Corners >= 3 && FindSelfIntersection(Points, R.Crossing);
            }
    }

    // Once every zone is done: zones of too few points, then self-intersecting ones.
    void AddFindings(std::vector<TFinding>& Findings) const {
        for (size_t I = 0; I < FZones.size(); ++I) {
            const size_t Count = FZones[I]->Points().size();
            const int32_t Corners = FResults[I].Corners;
            if (Corners >= 3)
                continue;
            std::string Message =
                "has " + std::to_string(Count) + " point" + (Count == 1 ? "" : "s");
            if (size_t(Corners) != Count)
                Message += " but only " + std::to_string(Corners) + " distinct";
            Findings.push_back(
                {"too-few-points", Message + "; a zone needs at least 3", {RefAt(FZones, I)}});
        }
        for (size_t I = 0; I < FZones.size(); ++I)
            if (FResults[I].Crosses)
                Findings.push_back({"self-intersection",
                                    "the outline meets itself (edges " +
                                        std::to_string(FResults[I].Crossing.Edge1) + " and " +
                                        std::to_string(FResults[I].Crossing.Edge2) + ")",
                                    {RefAt(FZones, I)}});
    }

private:
    struct TResult {
        int32_t Corners = 0;
        bool Crosses = false;
        TEdgePair Crossing;
    };
    const std::vector<TZone*>& FZones;
    std::vector<TResult> FResults;
    std::atomic<size_t> FNext{0};
};

} // namespace

void CheckOutlines(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings) {
    TOutlineCheck Check(Zones);
    Check.Work();
    Check.AddFindings(Findings);
}

namespace {

// Whether zones A and B share an identical edge: the edges of the zone with fewer points
// looked up one by one.
bool ShareEdge(const TZoneEdges& Edges, size_t A, size_t B, std::vector<uint32_t>& Scratch) {
    if (Edges.EdgesOf(A) > Edges.EdgesOf(B))
        std::swap(A, B);
    for (size_t E = 0; E < Edges.EdgesOf(A); ++E) {
        Scratch.clear();
        Edges.ZonesOn(Edges.EdgeOf(A, E), Scratch);
        if (std::find(Scratch.begin(), Scratch.end(), uint32_t(B)) != Scratch.end())
            return true;
    }
    return false;
}

std::string EdgeText(const TEdgeKey& K) {
    return "from (" + std::to_string(K.X1) + "," + std::to_string(K.Y1) + ") to (" +
           std::to_string(K.X2) + "," + std::to_string(K.Y2) + ")";
}

} // namespace

void CheckSharedEdges(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings,
                      int64_t* Omitted) {
    CheckSharedEdges(Zones, TZoneEdges(Zones), Findings, Omitted);
}

void TSharedEdgeGroups::Add(const TEdgeKey& Key, std::vector<uint32_t> Members) {
    std::sort(Members.begin(), Members.end());
    TGroup& G = FGroups[std::move(Members)];
    if (G.Edges == 0 || std::tie(Key.X1, Key.Y1, Key.X2, Key.Y2) <
                            std::tie(G.First.X1, G.First.Y1, G.First.X2, G.First.Y2))
        G.First = Key;
    ++G.Edges;
}

void TSharedEdgeGroups::AddFindings(const std::vector<TZone*>& Zones,
                                    std::vector<TFinding>& Findings) const {
    for (const auto& [Members, G] : FGroups) {
        TFinding F{"shared-edge",
                   std::to_string(Members.size()) + " zones share " +
                       (G.Edges == 1 ? std::string("the edge ")
                                     : std::to_string(G.Edges) + " edges, the first ") +
                       EdgeText(G.First) + "; an edge borders at most two zones, so these overlap",
                   {}};
        // The count says how many; the first few name them.
        for (size_t K = 0; K < Members.size() && K < MaxZonesNamed; ++K)
            F.Zones.push_back(RefAt(Zones, Members[K]));
        Findings.push_back(std::move(F));
    }
}

bool FindSplitBorders(const TZoneEdges& Edges, std::vector<std::pair<int32_t, int32_t>>& Pairs,
                      int64_t* WorkUsed) {
    std::vector<std::pair<int32_t, int32_t>> Overlapping;
    const bool Complete = FindCollinearOverlaps(Edges, Overlapping, MaxOverlapWork, WorkUsed);
    Pairs.clear();
    std::vector<uint32_t> Scratch;
    for (const auto& [A, B] : Overlapping)
        if (!ShareEdge(Edges, size_t(A), size_t(B), Scratch))
            Pairs.emplace_back(A, B);
    return Complete;
}

void AddSplitBorderFindings(const std::vector<TZone*>& Zones,
                            const std::vector<std::pair<int32_t, int32_t>>& Pairs, bool Complete,
                            std::vector<TFinding>& Findings, int64_t* Omitted) {
    const int64_t Count = int64_t(Pairs.size());
    for (size_t K = 0; K < Pairs.size() && K < MaxFindingsPerKind; ++K)
        Findings.push_back(SplitBorderFinding(RefAt(Zones, size_t(Pairs[K].first)),
                                              RefAt(Zones, size_t(Pairs[K].second))));
    if (Omitted != nullptr)
        *Omitted = std::max<int64_t>(0, Count - int64_t(MaxFindingsPerKind));
    if (!Complete)
        Findings.push_back({"overlaps-not-all-counted",
                            "borders overlap along lines in so many pairs of zones that the "
                            "search stopped after " +
                                std::to_string(Count) + " split-border findings",
                            {}});
}

TFinding SplitBorderFinding(TZoneRef A, TZoneRef B) {
    return {"split-border",
            "the borders overlap along a line but share no identical edge "
            "(one splits it with an extra point), so they are not neighbours",
            {std::move(A), std::move(B)}};
}

void CheckSharedEdges(const std::vector<TZone*>& Zones, const TZoneEdges& Edges,
                      std::vector<TFinding>& Findings, int64_t* Omitted) {
    // Edges of three zones or more, one finding for each set of zones sharing them.
    TSharedEdgeGroups Groups;
    Edges.ForEachCrowdedEdge([&](const TEdgeKey& Key, const std::vector<uint32_t>& Members) {
        Groups.Add(Key, Members);
    });
    Groups.AddFindings(Zones, Findings);
    std::vector<std::pair<int32_t, int32_t>> Pairs;
    const bool Complete = FindSplitBorders(Edges, Pairs);
    AddSplitBorderFindings(Zones, Pairs, Complete, Findings, Omitted);
}

void CheckSplitBorders(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings) {
    std::vector<TFinding> All;
    CheckSharedEdges(Zones, All, nullptr);
    for (TFinding& F : All)
        if (F.Kind == "split-border")
            Findings.push_back(std::move(F));
}

namespace {
std::vector<TFinding> CheckMapSetWith(TZoneSpriteSurface& Surface, TFindingCounts* Omitted,
                                      bool BuildNeighbors, std::string* NeighborError);
} // namespace

std::vector<TFinding> CheckMapSet(TZoneSpriteSurface& Surface, TFindingCounts* Omitted) {
    return CheckMapSetWith(Surface, Omitted, false, nullptr);
}

std::vector<TFinding> BuildNeighborsAndCheck(TZoneSpriteSurface& Surface, TFindingCounts* Omitted,
                                             std::string* NeighborError) {
    return CheckMapSetWith(Surface, Omitted, true, NeighborError);
}

namespace {

std::vector<TFinding> CheckMapSetWith(TZoneSpriteSurface& Surface, TFindingCounts* Omitted,
                                      bool BuildNeighbors, std::string* NeighborError) {
    std::vector<TZone*> Zones;
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I)
        Zones.push_back(Surface.Zone(I));

    std::vector<TFinding> Findings;
    CheckNames(Zones, Findings);
    CheckNameLengths(Zones, Findings);
    std::vector<std::string> BitmapNames;
    for (const TBitmapEntry& B : Surface.Bitmaps())
        BitmapNames.push_back(B.Name);
    CheckBitmapNames(BitmapNames, Findings);
    // Two cores share the work: the outlines start on a second thread, near borders follow
    // there once the edges are known, and this thread helps with the outlines when it is
    // done with split borders. Each part only reads the zones' outlines, or, past the
    // neighbour building on this thread, their lists; the findings are joined in their
    // order.
    TOutlineCheck Outlines(Zones);
    std::future<void> Worker = std::async(std::launch::async, [&Outlines] { Outlines.Work(); });
    // Declared before the near-border task, whose end waits for it, and so outlives it.
    std::optional<TZoneEdges> Edges;
    std::future<std::vector<TFinding>> Near;
    std::vector<TFinding> EdgeFindings;
    int64_t SplitBordersOmitted = 0;
    try {
        if (BuildNeighbors) {
            size_t EdgeTotal = 0;
            for (const TZone* Z : Zones)
                EdgeTotal += Z->Points().size();
            // A large map's edges are grouped once for the neighbours and the checks; a
            // small map's neighbours come faster from one table that fits the cache.
            try {
                if (EdgeTotal >= SmallEdgeTable) {
                    Edges.emplace(Zones);
                    Surface.BuildNeighbors(*Edges);
                } else {
                    Surface.BuildNeighbors();
                }
            } catch (const ETooManyNeighbors& E) {
                // The checks go on with the lists as they were.
                if (NeighborError != nullptr)
                    *NeighborError = E.what();
            }
        }
        if (!Edges)
            Edges.emplace(Zones);
        Near = std::async(std::launch::async, [&Zones, &Edges] {
            std::vector<TFinding> Found;
            CheckNearBorders(Zones, *Edges, Found);
            return Found;
        });
        CheckSharedEdges(Zones, *Edges, EdgeFindings, &SplitBordersOmitted);
        std::vector<TFinding> NearFindings = Near.get();
        EdgeFindings.insert(EdgeFindings.end(), std::make_move_iterator(NearFindings.begin()),
                            std::make_move_iterator(NearFindings.end()));
        Outlines.Work();
    } catch (...) {
        if (Near.valid())
            Near.wait();
        Worker.wait();
        throw;
    }
    Worker.get();
    Outlines.AddFindings(Findings);
    CheckNoNeighbors(Zones, Findings);
    Findings.insert(Findings.end(), std::make_move_iterator(EdgeFindings.begin()),
                    std::make_move_iterator(EdgeFindings.end()));
    CheckGridPointRefusals(Zones, Surface.GridPointRefusals(), Findings);
    std::vector<std::pair<int32_t, int32_t>> Links;
    for (int32_t I = 0; I < Surface.LinkCount(); ++I)
        Links.emplace_back(Surface.Link(I)->Zone1->Index(), Surface.Link(I)->Zone2->Index());
    CheckLinks(Zones, Links, Findings);
    std::vector<TElementBox> Elements;
    for (int32_t I = 0; I < Surface.ElementCount(); ++I) {
        const TSprite& E = *Surface.Element(I);
        Elements.push_back(
            {E.Position(), E.Width(), E.Height(), Surface.ElementNames()[size_t(I)].Name});
    }
    CheckElements(Zones, Elements, Findings);
    CheckPalettes(Surface, Findings);
    TFindingCounts Dropped;
    CapFindings(Findings, Dropped);
    if (SplitBordersOmitted > 0)
        Dropped["split-border"] += SplitBordersOmitted;
    if (Omitted != nullptr)
        for (const auto& [Kind, Count] : Dropped)
            (*Omitted)[Kind] += Count;
    return Findings;
}

} // namespace
