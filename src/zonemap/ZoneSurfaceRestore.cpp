// What the editor's undo needs of the zone surface: putting zones, links, bitmaps and
// elements back exactly where they were.
#include "platform/Exception.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <unordered_map>

void TZoneSpriteSurface::InsertZone(int32_t Index, TZone* Zone) {
    const size_t At = size_t(std::clamp<int32_t>(Index, 0, ZoneCount()));
    AddZone(Zone);
    if (At + 1 == FZones.size())
        return;
    std::rotate(FZones.begin() + std::ptrdiff_t(At), FZones.end() - 1, FZones.end());
    Renumber(At);
}

void TZoneSpriteSurface::ReplaceZones(const std::vector<std::pair<int32_t, TZone*>>& Replacements) {
    std::vector<std::unique_ptr<TZone>> Incoming;
    for (const auto& R : Replacements)
        Incoming.emplace_back(R.second);
    // The new zones take over the old ones' grid points, so those must be built.
    BuildDueGridPoints();
    std::unordered_map<const TZone*, TZone*> NewFor;
    for (size_t I = 0; I < Replacements.size(); ++I)
        NewFor[Zone(Replacements[I].first)] = Incoming[I].get();
    const auto Map = [&NewFor](TZone* Z) {
        const auto Found = NewFor.find(Z);
        return Found == NewFor.end() ? Z : Found->second;
    };
    for (const auto& L : FLinks) {
        L->Zone1 = Map(L->Zone1);
        L->Zone2 = Map(L->Zone2);
    }
    for (const auto& Z : FZones) {
        for (TZone*& N : Z->NeighborList())
            N = Map(N);
        Z->SetPathPrevious(Map(Z->PathPrevious()));
    }
    for (TZone*& Z : FPath)
        Z = Map(Z);
    for (size_t I = 0; I < Replacements.size(); ++I) {
        const int32_t Index = Replacements[I].first;
        TZone* Old = FZones[size_t(Index)].get();
        if (NewFor[Old] != Incoming[I].get())
            continue; // a later replacement of the same zone wins
        TZone* New = Incoming[I].get();
        New->NeighborList() = Old->NeighborList();
        New->SetPathCost(Old->PathCost());
        New->SetPathState(Old->PathState());
        New->SetPathPrevious(Old->PathPrevious());
        New->FGridPoints = std::move(Old->FGridPoints);
        New->FGridPointsRefused = Old->FGridPointsRefused;
        if (TZoneSprite* Sprite = Old->Sprite()) {
            Sprite->FZone = nullptr;
            FZoneEngine->RemoveSprite(Sprite);
        }
        New->FIndex = Index;
        FZones[size_t(Index)] = std::move(Incoming[I]);
        AttachSprite(New);
    }
}

void TZoneSpriteSurface::InsertLink(int32_t Index, TZone* Zone1, TZone* Zone2) {
    const size_t At = size_t(std::clamp<int32_t>(Index, 0, LinkCount()));
    AddLink(Zone1, Zone2);
    std::rotate(FLinks.begin() + std::ptrdiff_t(At), FLinks.end() - 1, FLinks.end());
}

void TZoneSpriteSurface::DeleteLink(int32_t Index) {
    if (Index < 0 || Index >= LinkCount())
        throw EListError(Index);
    const TLink L = *FLinks[size_t(Index)];
    RemoveNeighbors(L.Zone1, L.Zone2);
    FLinks.erase(FLinks.begin() + Index);
}

TBitmapEntry TZoneSpriteSurface::TakeBitmap(int32_t Index) {
    if (Index < 0 || Index >= int32_t(FBitmaps.size()))
        throw EListError(Index);
    const TObject* Factory = FBitmaps[size_t(Index)].Factory.get();
    for (size_t I = FElementNames.size(); I-- > 0;) {
        TCompressedBitmapSprite* Sprite = FElementNames[I].Sprite;
        if (Sprite->Factory() == Factory) {
            FElementNames.erase(FElementNames.begin() + std::ptrdiff_t(I));
            FBackgroundEngine->RemoveSprite(Sprite);
        }
    }
    // The dead sprites share the compressed picture, so they outlive the factory safely
    // until the next frame frees them.
    TBitmapEntry Entry = std::move(FBitmaps[size_t(Index)]);
    FBitmaps.erase(FBitmaps.begin() + Index);
    return Entry;
}

void TZoneSpriteSurface::InsertBitmap(int32_t Index, TBitmapEntry Entry) {
    const size_t At = size_t(std::clamp<int32_t>(Index, 0, int32_t(FBitmaps.size())));
    FBitmaps.insert(FBitmaps.begin() + std::ptrdiff_t(At), std::move(Entry));
}

void TZoneSpriteSurface::InsertElements(std::vector<TElementPlace> Places) {
    std::vector<std::pair<const TElementPlace*, std::unique_ptr<TSprite>>> Made;
    std::sort(Places.begin(), Places.end(),
              [](const TElementPlace& A, const TElementPlace& B) { return A.Index < B.Index; });
    // The element list first, in index order, so each lands where it was.
    for (const TElementPlace& P : Places) {
        const int32_t Bitmap = BitmapIndex(P.BitmapName);
        if (Bitmap < 0)
            continue;
        TCompressedBitmapSpriteFactory* Factory = FBitmaps[size_t(Bitmap)].Factory.get();
        std::unique_ptr<TSprite> Sprite = Factory->CreateSprite();
        auto* Element = static_cast<TCompressedBitmapSprite*>(Sprite.get());
        Element->SetX(float(P.X));
        Element->SetY(float(P.Y));
        Element->SetFactory(Factory);
        const size_t At = size_t(std::clamp<int32_t>(P.Index, 0, ElementCount()));
        FElementNames.insert(FElementNames.begin() + std::ptrdiff_t(At), {P.BitmapName, Element});
        Made.emplace_back(&P, std::move(Sprite));
    }
    // Then the drawing order, in the order of the places there.
    std::stable_sort(Made.begin(), Made.end(), [](const auto& A, const auto& B) {
        return A.first->DrawnIndex < B.first->DrawnIndex;
    });
    for (auto& [Place, Sprite] : Made) {
        if (Place->DrawnIndex < 0)
            FBackgroundEngine->AddSprite(std::move(Sprite));
        else
            FBackgroundEngine->InsertSprite(std::move(Sprite), Place->DrawnIndex);
    }
    UpdateVirtualSize();
}

int32_t TZoneSpriteSurface::ElementDrawnIndex(int32_t Index) const {
    return FBackgroundEngine->DrawnIndexOf(Element(Index));
}
