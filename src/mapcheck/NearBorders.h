#pragma once

#include "mapcheck/Finding.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

class TZone;

// Zones whose borders run within NearDistance pixels of each other along at least
// NearLength pixels (measured along the border of either) without sharing an edge: most
// likely drawn as neighbours, a pixel or two apart. Zones that are neighbours (by their
// neighbour lists, so rebuild them first; a link counts) and zones whose borders overlap
// along a line (split borders, reported on their own) are not reported. Edges are found
// through a grid of cells, so the cost grows with the length of the borders, not with the
// number of pairs of zones.
constexpr double NearDistance = 2.0;
constexpr double NearLength = 20.0;
void CheckNearBorders(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings);
// The same from the zones' edges found already.
class TZoneEdges;
void CheckNearBorders(const std::vector<TZone*>& Zones, const TZoneEdges& Edges,
                      std::vector<TFinding>& Findings);

// A pair of zones that CheckNearBorders reports: their numbers (Zone1 < Zone2) and the
// length their borders run close, rounded.
struct TNearPair {
    int32_t Zone1 = 0, Zone2 = 0, Length = 0;
};
// The pairs in the order of their numbers. Comparisons, when given, gets the number of
// pairs of sides the search compared; past MaxNearComparisons it stops with what it found.
std::vector<TNearPair> FindNearBorders(const std::vector<TZone*>& Zones, const TZoneEdges& Edges,
                                       int64_t* Comparisons = nullptr);
// A map of 20,000 real zones needs a few hundred thousand.
constexpr int64_t MaxNearComparisons = int64_t(1) << 22;
TFinding NearBorderFinding(TZoneRef Zone1, TZoneRef Zone2, int32_t Length);

// An edge of a zone that no other zone has, in its outline's direction.
struct TNearSide {
    double X0, Y0, X1, Y1;
    int32_t Zone;
};

// The cells the search compares sides in: squares of Cell pixels counted from the origin,
// so that the cells of a side do not depend on the other sides, and the count of
// comparisons can be kept up to date as sides come and go (Base 0, no clamping).
struct TNearGrid {
    double Cell = 16;
    int64_t BaseX = 0, BaseY = 0; // the first column's and row's cell from the origin
    int64_t Columns = int64_t(1) << 40, Rows = int64_t(1) << 40;

    // Visit(Column, Row) for every cell that a piece of the side no longer than a cell,
    // widened by NearDistance, reaches. The pieces are cut from the side's smaller end, so
    // that a side and its reverse have the same cells.
    template <class TVisit> void ForEachCell(const TNearSide& Side, TVisit&& Visit) const {
        double X0 = Side.X0, Y0 = Side.Y0, X1 = Side.X1, Y1 = Side.Y1;
        if (X1 < X0 || (X1 == X0 && Y1 < Y0)) {
            std::swap(X0, X1);
            std::swap(Y0, Y1);
        }
        const double Length = std::hypot(X1 - X0, Y1 - Y0);
        const int Pieces = std::max(1, int(std::ceil(Length / Cell)));
        int64_t LastX0 = -1, LastY0 = -1, LastX1 = -2, LastY1 = -2;
        const auto At = [this](double V, int64_t Base, int64_t Count) {
            return std::clamp(int64_t(std::floor(V / Cell)) - Base, int64_t(0), Count - 1);
        };
        for (int P = 0; P < Pieces; ++P) {
            const double T0 = double(P) / Pieces, T1 = double(P + 1) / Pieces;
            const double AX = X0 + (X1 - X0) * T0, AY = Y0 + (Y1 - Y0) * T0;
            const double BX = X0 + (X1 - X0) * T1, BY = Y0 + (Y1 - Y0) * T1;
            const int64_t CX0 = At(std::min(AX, BX) - NearDistance, BaseX, Columns);
            const int64_t CY0 = At(std::min(AY, BY) - NearDistance, BaseY, Rows);
            const int64_t CX1 = At(std::max(AX, BX) + NearDistance, BaseX, Columns);
            const int64_t CY1 = At(std::max(AY, BY) + NearDistance, BaseY, Rows);
            for (int64_t CY = CY0; CY <= CY1; ++CY)
                for (int64_t CX = CX0; CX <= CX1; ++CX)
                    if (!(LastX0 <= CX && CX <= LastX1 && LastY0 <= CY && CY <= LastY1))
                        Visit(CX, CY);
            LastX0 = CX0, LastY0 = CY0, LastX1 = CX1, LastY1 = CY1;
        }
    }
};
// The grid the whole search uses for these sides: NearGridCell for their extent.
TNearGrid NearGridOf(const std::vector<TNearSide>& Sides);
// The cell size for sides of this total length within this extent (of the sides' ends).
double NearGridCell(double Perimeter, double MinX, double MinY, double MaxX, double MaxY);

// Whether two sides of different zones are close enough to be measured (their boxes within
// twice NearDistance), as the search decides before measuring.
bool NearCandidates(const TNearSide& S, const TNearSide& F);
// The length along which the borders of one pair of zones run close, from the pairs of
// their sides (indices into Sides, the first of Zone1, each pair once) that the search
// found close; -1 when the borders overlap along a line (a split border). Sides of Zone1
// come before those of Zone2, each zone's in outline order: the sum is then taken in the
// same order whatever else the map holds.
double NearPairLength(const std::vector<TNearSide>& Sides,
                      const std::vector<std::pair<uint32_t, uint32_t>>& Close, int32_t Zone1);
