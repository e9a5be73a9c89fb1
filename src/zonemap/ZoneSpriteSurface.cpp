#include "zonemap/ZoneSpriteSurface.h"

#include "platform/Exception.h"

#include <algorithm>
#include <cstdint>

TZoneSpriteSurface::TZoneSpriteSurface() = default;

TZoneSpriteSurface::~TZoneSpriteSurface() {
    Clear();
}

void TZoneSpriteSurface::AddZone(TZone* Zone) {
    FZones.emplace_back(Zone);
    Zone->FIndex = int32_t(FZones.size()) - 1;
}

void TZoneSpriteSurface::DeleteZone(TZone* Zone) {
    const auto Found = std::find_if(FZones.begin(), FZones.end(),
                                    [Zone](const auto& Z) { return Z.get() == Zone; });
    if (Found == FZones.end())
        return;
    for (size_t I = FLinks.size(); I-- > 0;) {
        TLink& L = *FLinks[I];
        if (L.Zone1 == Zone || L.Zone2 == Zone) {
            RemoveNeighbors(L.Zone1, L.Zone2);
            FLinks.erase(FLinks.begin() + std::ptrdiff_t(I));
        }
    }
    // Shared edges leave entries for Zone in other lists; drop them now rather than at the
    // next rebuild, so no list, path or predecessor can lead to the freed zone.
    for (const auto& Other : FZones) {
        std::erase(Other->NeighborList(), Zone);
        if (Other->PathPrevious() == Zone)
            Other->SetPathPrevious(nullptr);
    }
    std::erase(FPath, Zone);
    std::erase(FOpenList, Zone);

    const size_t Position = size_t(Found - FZones.begin());
    FZones.erase(Found);
    Renumber(Position);
}

void TZoneSpriteSurface::Renumber(size_t From) {
    for (size_t I = From; I < FZones.size(); ++I)
        FZones[I]->FIndex = int32_t(I);
}

TZone* TZoneSpriteSurface::Zone(int32_t Index) const {
    if (Index < 0 || Index >= ZoneCount())
        throw EListError(Index);
    return FZones[size_t(Index)].get();
}

TZone* TZoneSpriteSurface::ZoneByName(const std::string& Name) const {
    for (const auto& Z : FZones)
        if (Z->Name() == Name)
            return Z.get();
    return nullptr;
}

void TZoneSpriteSurface::AddLink(TZone* Zone1, TZone* Zone2) {
    Zone1->NeighborList().push_back(Zone2);
    Zone2->NeighborList().push_back(Zone1);
    FLinks.push_back(std::make_unique<TLink>(TLink{Zone1, Zone2}));
}

TLink* TZoneSpriteSurface::Link(int32_t Index) const {
    if (Index < 0 || Index >= LinkCount())
        throw EListError(Index);
    return FLinks[size_t(Index)].get();
}

TZone* TZoneSpriteSurface::PathZone(int32_t Index) const {
    if (Index < 0 || Index >= PathCount())
        throw EListError(Index);
    return FPath[size_t(Index)];
}

void TZoneSpriteSurface::Clear() {
    FLinks.clear();
    for (const auto& Z : FZones)
        Z->FIndex = -1;
    FZones.clear();
    // The last path named zones that are gone now.
    FPath.clear();
    FOpenList.clear();
}

void TZoneSpriteSurface::BuildGridPoints() {
    if (FGridWidth <= 0 || FGridHeight <= 0)
        return;
    for (const auto& Z : FZones) {
        TPointList& Grid = Z->EnsureGridPoints();
        Grid.Clear();
        if (Z->PointCount() == 0)
            continue;
        const TRect& B = Z->Bounds();
        // 64-bit throughout: bounds near the limits of 32 bits must not wrap.
        const int64_t Top = int64_t(Z->Point(0).Y) + FGridMarginTop;
        const int64_t RowEnd = int64_t(B.Bottom) - FGridHeight;
        const int64_t ColumnEnd = int64_t(B.Right) - FGridWidth;
        const int64_t Rows = Top < RowEnd ? (RowEnd - Top + FGridHeight - 1) / FGridHeight : 0;
        const int64_t Columns =
            B.Left < ColumnEnd ? (ColumnEnd - B.Left + FGridWidth - 1) / FGridWidth : 0;
        if (Rows == 0 || Columns == 0 || Rows > MaxGridCandidates / Columns)
            continue;
        for (int64_t Y = Top; Y < RowEnd; Y += FGridHeight) {
            if (Y < INT32_MIN)
                continue;
            for (int64_t X = B.Left; X < ColumnEnd; X += FGridWidth)
                if (Z->Region().Contains(int32_t(X), int32_t(Y)))
                    Grid.Add({int32_t(X), int32_t(Y)});
        }
    }
}
