#pragma once

// The borders of a cell partition as chains of lattice points, shared by the steps that
// simplify them, place them on the grid and make outlines of them.

#include "trace/TraceSteps.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// Lattice points are cell corners: (0, 0) is the top-left corner of the top-left cell.
struct TLatticePoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TLatticePoint&, const TLatticePoint&) = default;
};

inline uint64_t Key(TLatticePoint P) {
    return (uint64_t(uint32_t(P.Y)) << 32) | uint32_t(P.X);
}

// One border between two labels, from a junction to a junction (or round a loop that
// meets nothing). Left and Right are the labels on either hand walking from the first
// corner to the last (y grows downwards).
struct TChain {
    std::vector<TLatticePoint> Corners; // a closed chain ends on its first corner again
    int32_t Left = 0;
    int32_t Right = 0;
    bool Closed = false;
    // Per cell side walked, how far the border lies from it towards the right-hand cell, in
    // cells (from the share of each cell that its region holds).
    std::vector<float> Offsets;
    // Per corner, the cell sides walked before it.
    std::vector<int32_t> SideBefore;
    std::vector<int32_t> Kept; // indices into Corners, ascending, first and last included
    // Per kept corner, the step from the corner of the cells to the grid point it is placed
    // on; the same for every copy of one point (a junction, the start of a loop).
    std::vector<TLatticePoint> Shift;

    TLatticePoint Vertex(size_t K) const {
        const TLatticePoint C = Corners[size_t(Kept[K])];
        return {C.X + Shift[K].X, C.Y + Shift[K].Y};
    }
};

inline int64_t Cross(TLatticePoint O, TLatticePoint A, TLatticePoint B) {
    return int64_t(A.X - O.X) * (B.Y - O.Y) - int64_t(A.Y - O.Y) * (B.X - O.X);
}

inline int Sign(int64_t V) {
    return (V > 0) - (V < 0);
}

inline bool OnSegment(TLatticePoint A, TLatticePoint B, TLatticePoint P) {
    return std::min(A.X, B.X) <= P.X && P.X <= std::max(A.X, B.X) && std::min(A.Y, B.Y) <= P.Y &&
           P.Y <= std::max(A.Y, B.Y);
}

inline bool Meet(TLatticePoint A, TLatticePoint B, TLatticePoint C, TLatticePoint D) {
    const int O1 = Sign(Cross(A, B, C)), O2 = Sign(Cross(A, B, D));
    const int O3 = Sign(Cross(C, D, A)), O4 = Sign(Cross(C, D, B));
    if (O1 * O2 < 0 && O3 * O4 < 0)
        return true;
    return (O1 == 0 && OnSegment(A, B, C)) || (O2 == 0 && OnSegment(A, B, D)) ||
           (O3 == 0 && OnSegment(C, D, A)) || (O4 == 0 && OnSegment(C, D, B));
}

// Moves each vertex of the chains (a junction or the start of a loop as one point in every
// chain through it) to the grid point near it that leaves the fewest pixels on the wrong
// side of the borders, compared with the pixels' own regions, as long as no border then
// crosses, touches or folds back on another and no region's area vanishes. False when
// cancelled.
bool PlaceVertices(std::vector<TChain>& Chains, const TCellPartition& P,
                   const TTraceControl& Control);
