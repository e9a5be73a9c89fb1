#include "editor/MapCheckSnapshot.h"

#include "mapcheck/MapChecks.h"
#include "mapcheck/NameLengthCheck.h"
#include "mapcheck/NearBorders.h"
#include "mapcheck/PairChecks.h"
#include "mapcheck/PaletteChecks.h"
#include "zonemap/Link.h"
#include "zonemap/Zone.h"
#include "zonemap/ZoneEdges.h"
#include "zonemap/ZoneSpriteSurface.h"

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
    // Whether the outline reaches outside every element, and where: kept while the
    // elements stay as they were (Version counts their changes).
    bool Outside(const std::vector<TElementBox>& Elements, uint64_t Version, TPoint& Point) {
        if (FOutsideVersion != Version) {
            FOutside = FirstPointOutside(Points(), Elements, FOutsidePoint);
            FOutsideVersion = Version;
        }
        Point = FOutsidePoint;
        return FOutside;
    }
    bool SameOutline(const TZone& Live) const {
        return Live.Points().size() == Points().size() &&
               (Points().empty() || (Live.Points().front() == Points().front() &&
                                     Live.Points().back() == Points().back()));
    }

private:
    std::vector<TFinding> FOutlineFindings;
    bool FOutlineChecked = false;
    uint64_t FOutsideVersion = 0; // 0: not known
    bool FOutside = false;
    TPoint FOutsidePoint;
};

TMapCheckSnapshot::~TMapCheckSnapshot() = default;

TMapCheckCache::TMapCheckCache() = default;
TMapCheckCache::~TMapCheckCache() = default;

std::shared_ptr<const TMapCheckSnapshot> TMapCheckCache::Take(TZoneSpriteSurface& Surface) {
    if (FReleased && !FReleased->load(std::memory_order_acquire))
        FCopies.clear();
    auto Snapshot = std::make_shared<TMapCheckSnapshot>();
    FReleased = std::make_shared<std::atomic<bool>>(false);
    Snapshot->FInUse = std::shared_ptr<void>(nullptr, [Released = FReleased](void*) {
        Released->store(true, std::memory_order_release);
    });

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
        Snapshot->FGridPointsRefused.push_back(Live->GridPointsRefused());
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
    if (FElementsVersion == 0 || Snapshot->FElements != FElements) {
        FElements = Snapshot->FElements;
        ++FElementsVersion;
    }
    Snapshot->FElementsVersion = FElementsVersion;
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
    FPairs.reset();
    FPaletteFindings.clear();
    FPaletteDue = true;
}

std::vector<TFinding> CheckSnapshot(const TMapCheckSnapshot& S,
                                    std::shared_ptr<TPairChecks>* Pairs) {
    const std::vector<TZone*>& Zones = S.FZoneList;
    std::vector<TFinding> Findings;
    CheckNames(Zones, Findings);
    CheckNameLengths(Zones, Findings);
    CheckBitmapNames(S.FBitmapNames, Findings);
    // As CheckOutlines orders them: too few points in zone order, then self-intersections.
    std::vector<TFinding> Intersecting;
    for (size_t I = 0; I < Zones.size(); ++I)
        for (const TFinding& Own : S.FZones[I]->OutlineFindings()) {
            TFinding F = Own;
            F.Zones = {TZoneRef{int32_t(I), Zones[I]->Name()}};
            (F.Kind == "too-few-points" ? Findings : Intersecting).push_back(std::move(F));
        }
    Findings.insert(Findings.end(), Intersecting.begin(), Intersecting.end());
    CheckNoNeighbors(Zones, Findings);
    const auto Owner = [&S](size_t I) { return std::shared_ptr<const void>(S.FZones[I]); };
    if (Pairs == nullptr || *Pairs == nullptr || !(*Pairs)->Update(Zones, Owner, Findings)) {
        std::unique_ptr<TPairChecks> Kept;
        TPairChecks::CheckAll(Zones, TZoneEdges(Zones), Owner, Findings,
                              Pairs != nullptr ? &Kept : nullptr);
        if (Pairs != nullptr)
            *Pairs = std::move(Kept);
    }
    CheckGridPointRefusals(Zones, S.FGridPointsRefused, Findings);
    CheckLinks(Zones, S.FLinks, Findings);
    CheckElements(Zones, S.FElements, Findings, [&S](size_t I, TPoint& Outside) {
        return S.FZones[I]->Outside(S.FElements, S.FElementsVersion, Outside);
    });
    Findings.insert(Findings.end(), S.FPaletteFindings.begin(), S.FPaletteFindings.end());
    TFindingCounts Dropped;
    CapFindings(Findings, Dropped);
    return Findings;
}
