#pragma once

#include "zonemap/ZoneSpriteSurface.h"

// Neighbour building by comparing every pair of zones, edge by edge, then MakeNeighbors for
// each link in order: the definition that the indexed BuildNeighbors must reproduce.
inline void BuildNeighborsPairwise(TZoneSpriteSurface& Surface) {
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
        TZone* Z = Surface.Zone(I);
        Z->NeighborList().clear();
        for (int32_t J = 0; J < Surface.ZoneCount(); ++J)
            if (J != I && Z->IsAdjacentTo(*Surface.Zone(J)))
                Z->NeighborList().push_back(Surface.Zone(J));
    }
    for (int32_t L = 0; L < Surface.LinkCount(); ++L)
        MakeNeighbors(Surface.Link(L)->Zone1, Surface.Link(L)->Zone2);
}
