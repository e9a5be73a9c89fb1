#include "editor/MapCheckSnapshot.h"

#include "mapcheck/MapChecks.h"
#include "mapcheck/NameLengthCheck.h"
#include "mapcheck/NearBorders.h"
#include "mapcheck/PaletteChecks.h"
#include "zonemap/Link.h"
#include "zonemap/Zone.h"
#include "zonemap/ZoneEdges.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <future>
#include <iterator>
#include <string_view>

// A zone of the snapshot: the live zone's outline, name and sea flag, with no surface.
class TCheckZone : public TZone {
public:
    explicit TCheckZone(const TZone& Live) : TZone(nullptr) {
        SetGeometry(Live.Points());
        SetName(Live.Name());
        SetIsSea(Live.IsSea());
    }
    // The outline's own findings (too few points, self-intersection) as CheckOutlines
    // gives them for this zone alone: made once, as the outline never changes. Only one
    // check at a time reads a copy, so the first to ask may fill it.
    const std::vector<TFinding>& OutlineFindings() {
        if (!FOutlineChecked) {
            CheckOutlines({this}, FOutlineFindings);
            FOutlineChecked = true;
        }
        return FOutlineFindings;
    }
    bool SameOutline(const TZone& Live) const {
        return Live.Points().size() == Points().size() &&
               (Points().empty() || (Live.Points().front() == Points().front() &&
                                     Live.Points().back() == Points().back()));
    }

private:
    std::vector<TFinding> FOutlineFindings;
    bool FOutlineChecked = false;
};

TMapCheckSnapshot::~TMapCheckSnapshot() = default;

TMapCheckCache::TMapCheckCache() = default;
TMapCheckCache::~TMapCheckCache() = default;

std::shared_ptr<const TMapCheckSnapshot> TMapCheckCache::Take(TZoneSpriteSurface& Surface) {
    if (!FInUse.expired())
        FCopies.clear();
    auto Snapshot = std::make_shared<TMapCheckSnapshot>();
    Snapshot->FInUse = std::make_shared<int>(0);
    FInUse = Snapshot->FInUse;

    const int32_t Count = Surface.ZoneCount();
    Snapshot->FZones.reserve(size_t(Count));
    Snapshot->FZoneList.reserve(size_t(Count));
    Snapshot->FGridPointsRefused.reserve(size_t(Count));
    for (int32_t I = 0; I < Count; ++I) {
        TZone* Live = Surface.Zone(I);
        std::shared_ptr<TCheckZone>& Copy = FCopies[Live];
        if (!Copy || !Copy->SameOutline(*Live)) {
            Copy = std::make_shared<TCheckZone>(*Live);
        } else {
            // Names and the sea flag may change in place.
            if (Copy->Name() != Live->Name())
                Copy->SetName(Live->Name());
            Copy->SetIsSea(Live->IsSea());
        }
        Snapshot->FZones.push_back(Copy);
        Snapshot->FZoneList.push_back(Copy.get());
        Snapshot->FGridPointsRefused.push_back(Live->GridPointsRefused() ? 1 : 0);
    }
    for (int32_t I = 0; I < Count; ++I) {
        std::vector<TZone*>& List = Snapshot->FZones[size_t(I)]->NeighborList();
        List.clear();
        for (const TZone* N : Surface.Zone(I)->Neighbors())
            List.push_back(Snapshot->FZoneList[size_t(N->Index())]);
    }
    for (int32_t I = 0; I < Surface.LinkCount(); ++I) {
        const TLink& L = *Surface.Link(I);
        Snapshot->FLinks.emplace_back(L.Zone1->Index(), L.Zone2->Index());
    }
    for (int32_t I = 0; I < Surface.ElementCount(); ++I) {
        const TSprite& E = *Surface.Element(I);
        Snapshot->FElements.push_back(
            {E.Position(), E.Width(), E.Height(), Surface.ElementNames()[size_t(I)].Name});
    }
    for (const TBitmapEntry& B : Surface.Bitmaps())
        Snapshot->FBitmapNames.push_back(B.Name);
    if (FPaletteDue) {
        FPaletteFindings.clear();
        CheckPalettes(Surface, FPaletteFindings);
        FPaletteDue = false;
    }
    Snapshot->FPaletteFindings = FPaletteFindings;
    return Snapshot;
}

void TMapCheckCache::ZoneRemoved(TZone* Zone) {
    FCopies.erase(Zone);
}

void TMapCheckCache::Clear() {
    FCopies.clear();
    FPaletteFindings.clear();
    FPaletteDue = true;
}

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

std::vector<TFinding> CheckSnapshot(const TMapCheckSnapshot& S) {
    const std::vector<TZone*>& Zones = S.FZoneList;
    std::vector<TFinding> Findings;
    CheckNames(Zones, Findings);
    CheckNameLengths(Zones, Findings);
    for (const std::string& Name : S.FBitmapNames)
        if (Name.find(':') != std::string::npos || HasLineBreak(Name))
            Findings.push_back({"forbidden-character",
                                "bitmap name \"" + Name +
                                    "\" holds \":\" or a line break, which Element lines "
                                    "cannot hold",
                                {}});
    // As CheckOutlines orders them: too few points in zone order, then self-intersections.
    std::vector<TFinding> Intersecting;
    for (size_t I = 0; I < Zones.size(); ++I)
        for (const TFinding& Own : S.FZones[I]->OutlineFindings()) {
            TFinding F = Own;
            F.Zones = {RefAt(Zones, I)};
            (F.Kind == "too-few-points" ? Findings : Intersecting).push_back(std::move(F));
        }
    Findings.insert(Findings.end(), Intersecting.begin(), Intersecting.end());
    for (size_t I = 0; I < Zones.size(); ++I)
        if (Zones[I]->NeighborCount() == 0)
            Findings.push_back({"no-neighbor", "has no neighbour at all", {RefAt(Zones, I)}});
    int64_t SplitBordersOmitted = 0;
    {
        // One grouping of the edges serves both; near borders take the second core.
        const TZoneEdges Edges(Zones);
        std::future<std::vector<TFinding>> Near = std::async(std::launch::async, [&] {
            std::vector<TFinding> Found;
            CheckNearBorders(Zones, Edges, Found);
            return Found;
        });
        try {
            CheckSharedEdges(Zones, Edges, Findings, &SplitBordersOmitted);
        } catch (...) {
            Near.wait();
            throw;
        }
        std::vector<TFinding> NearFindings = Near.get();
        Findings.insert(Findings.end(), std::make_move_iterator(NearFindings.begin()),
                        std::make_move_iterator(NearFindings.end()));
    }
    for (size_t I = 0; I < Zones.size(); ++I)
        if (S.FGridPointsRefused[I] != 0)
            Findings.push_back({"no-grid-points",
                                "gets no grid points: it lies past the grid-point budget of a "
                                "load, so the game would find no place for units there",
                                {RefAt(Zones, I)}});

    for (size_t I = 0; I < S.FLinks.size(); ++I) {
        const auto [A, B] = S.FLinks[I];
        const std::string Which = "link " + std::to_string(I);
        if (A == B)
            Findings.push_back(
                {"self-link", Which + " joins the zone to itself", {RefAt(Zones, size_t(A))}});
        else if (Zones[size_t(A)]->IsAdjacentTo(*Zones[size_t(B)]))
            Findings.push_back({"redundant-link",
                                Which + " joins zones that share an edge already",
                                {RefAt(Zones, size_t(A)), RefAt(Zones, size_t(B))}});
    }

    std::vector<TElementRect> Rects;
    for (const auto& E : S.FElements)
        Rects.push_back({E.Position.X, E.Position.Y, int64_t(E.Position.X) + E.Width,
                         int64_t(E.Position.Y) + E.Height});
    // A map whose background is not placed yet is not at fault: nothing to be outside of.
    for (size_t I = 0; I < Zones.size() && !Rects.empty(); ++I) {
        // Consecutive points mostly fall on the same element: try the last one first.
        size_t Last = 0;
        for (const TPoint& P : Zones[I]->Points()) {
            bool Inside = Contains(Rects[Last], P);
            for (size_t K = 0; !Inside && K < Rects.size(); ++K)
                if (Contains(Rects[K], P)) {
                    Inside = true;
                    Last = K;
                }
            if (!Inside) {
                Findings.push_back(
                    {"zone-outside-bitmaps",
                     "point " + PointText(P) + " lies outside every element, over no background",
                     {RefAt(Zones, I)}});
                break;
            }
        }
    }
    for (size_t I = 0; I < S.FElements.size(); ++I) {
        const TPoint P = S.FElements[I].Position;
        if (P.X < 0 || P.Y < 0) {
            TFinding F{"element-off-canvas",
                       "placed at " + PointText(P) +
                           ": the part left of or above (0,0) is never shown",
                       {}};
            F.Element = int32_t(I);
            F.Bitmap = S.FElements[I].Bitmap;
            Findings.push_back(F);
        }
    }
    Findings.insert(Findings.end(), S.FPaletteFindings.begin(), S.FPaletteFindings.end());
    TFindingCounts Dropped;
    CapFindings(Findings, Dropped);
    return Findings;
}
