#include "trace/TraceChains.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace {

enum TDirection { dRight, dDown, dLeft, dUp };

constexpr int32_t DX[4] = {1, 0, -1, 0};
constexpr int32_t DY[4] = {0, 1, 0, -1};

class TChainFinder {
public:
    explicit TChainFinder(const TCellPartition& P)
        : FP(P), FHorizontal(size_t(P.Columns) * size_t(P.Rows + 1), 0),
          FVertical(size_t(P.Columns + 1) * size_t(P.Rows), 0) {}

    std::vector<TChain> Find() {
        std::vector<TChain> Chains;
        for (int32_t Y = 0; Y <= FP.Rows; ++Y)
            for (int32_t X = 0; X <= FP.Columns; ++X) {
                if (!IsJunction(X, Y))
                    continue;
                for (int D = 0; D < 4; ++D)
                    if (IsBorder(X, Y, D) && !Visited(X, Y, D))
                        Chains.push_back(Walk({X, Y}, D, false));
            }
        // What is left are loops without a junction; each starts at its top-left corner.
        for (int32_t Y = 0; Y <= FP.Rows; ++Y)
            for (int32_t X = 0; X < FP.Columns; ++X)
                if (IsBorder(X, Y, dRight) && !Visited(X, Y, dRight))
                    Chains.push_back(Walk({X, Y}, dRight, true));
        return Chains;
    }

private:
    // The cells around a corner: top-left, top-right, bottom-left, bottom-right.
    void Around(int32_t X, int32_t Y, int32_t (&C)[4]) const {
        C[0] = FP.At(X - 1, Y - 1);
        C[1] = FP.At(X, Y - 1);
        C[2] = FP.At(X - 1, Y);
        C[3] = FP.At(X, Y);
    }
    bool IsJunction(int32_t X, int32_t Y) const {
        int32_t C[4];
        Around(X, Y, C);
        int Distinct = 1;
        for (int I = 1; I < 4; ++I) {
            bool Seen = false;
            for (int J = 0; J < I; ++J)
                Seen = Seen || C[J] == C[I];
            Distinct += !Seen;
        }
        const bool Checkered = C[0] == C[3] && C[1] == C[2] && C[0] != C[1];
        return Distinct >= 3 || Checkered;
    }
    // The labels left and right of the step from (X, Y) in direction D.
    void Sides(int32_t X, int32_t Y, int D, int32_t& Left, int32_t& Right) const {
        int32_t C[4];
        Around(X, Y, C);
        switch (D) {
        case dRight:
            Left = C[1], Right = C[3];
            break;
        case dDown:
            Left = C[3], Right = C[2];
            break;
        case dLeft:
            Left = C[2], Right = C[0];
            break;
        default:
            Left = C[0], Right = C[1];
            break;
        }
    }
    // A border straight along the side leaves (G * G - Own) pixels of each cell to the
    // other region: it lies that far, over G * G per cell, into the cell.
    float Offset(int32_t X, int32_t Y, int D) const {
        int32_t LeftOwn = 0, RightOwn = 0;
        switch (D) {
        case dRight:
            LeftOwn = FP.OwnAt(X, Y - 1), RightOwn = FP.OwnAt(X, Y);
            break;
        case dDown:
            LeftOwn = FP.OwnAt(X, Y), RightOwn = FP.OwnAt(X - 1, Y);
            break;
        case dLeft:
            LeftOwn = FP.OwnAt(X - 1, Y), RightOwn = FP.OwnAt(X - 1, Y - 1);
            break;
        default:
            LeftOwn = FP.OwnAt(X - 1, Y - 1), RightOwn = FP.OwnAt(X, Y - 1);
            break;
        }
        constexpr float Area = float(TTracer::Grid * TTracer::Grid);
        return float(LeftOwn - RightOwn) / Area;
    }
    bool IsBorder(int32_t X, int32_t Y, int D) const {
        const int32_t NX = X + DX[D], NY = Y + DY[D];
        if (NX < 0 || NY < 0 || NX > FP.Columns || NY > FP.Rows)
            return false;
        int32_t L, R;
        Sides(X, Y, D, L, R);
        return L != R;
    }
    uint8_t& Mark(int32_t X, int32_t Y, int D) {
        switch (D) {
        case dRight:
            return FHorizontal[size_t(Y) * size_t(FP.Columns) + size_t(X)];
        case dLeft:
            return FHorizontal[size_t(Y) * size_t(FP.Columns) + size_t(X - 1)];
        case dDown:
            return FVertical[size_t(Y) * size_t(FP.Columns + 1) + size_t(X)];
        default:
            return FVertical[size_t(Y - 1) * size_t(FP.Columns + 1) + size_t(X)];
        }
    }
    bool Visited(int32_t X, int32_t Y, int D) { return Mark(X, Y, D) != 0; }

    TChain Walk(TLatticePoint Start, int D, bool Closed) {
        TChain Chain;
        Chain.Closed = Closed;
        Sides(Start.X, Start.Y, D, Chain.Left, Chain.Right);
        Chain.Corners.push_back(Start);
        TLatticePoint At = Start;
        int Last = D;
        for (;;) {
            Mark(At.X, At.Y, D) = 1;
            Chain.Offsets.push_back(Offset(At.X, At.Y, D));
            At = {At.X + DX[D], At.Y + DY[D]};
            if (At == Start || IsJunction(At.X, At.Y)) {
                Chain.Corners.push_back(At);
                break;
            }
            const int Back = (D + 2) % 4;
            int NextD = -1;
            for (int E = 0; E < 4 && NextD < 0; ++E)
                if (E != Back && IsBorder(At.X, At.Y, E))
                    NextD = E;
            if (NextD != Last)
                Chain.Corners.push_back(At);
            D = Last = NextD;
        }
        return Chain;
    }

    const TCellPartition& FP;
    std::vector<uint8_t> FHorizontal, FVertical;
};

struct TVec {
    double X, Y;
};

double SegmentDistance(TVec P, TLatticePoint A, TLatticePoint B) {
    const double VX = B.X - A.X, VY = B.Y - A.Y;
    const double WX = P.X - A.X, WY = P.Y - A.Y;
    const double L2 = VX * VX + VY * VY;
    double T = L2 > 0 ? (WX * VX + WY * VY) / L2 : 0;
    T = std::clamp(T, 0.0, 1.0);
    return std::hypot(WX - T * VX, WY - T * VY);
}

TVec AsVec(TLatticePoint P) {
    return {double(P.X), double(P.Y)};
}

// The interior corner farthest from the segment between corners A and B (the lowest on a
// tie), -1 when there is none.
int32_t Farthest(const TChain& C, int32_t A, int32_t B) {
    int32_t Best = -1;
    double BestDistance = -1;
    for (int32_t K = A + 1; K < B; ++K) {
        const double D = SegmentDistance(AsVec(C.Corners[size_t(K)]), C.Corners[size_t(A)],
                                         C.Corners[size_t(B)]);
        if (D > BestDistance) {
            Best = K;
            BestDistance = D;
        }
    }
    return Best;
}

// Where the border crosses the middles of the cell sides from corner From to corner To, by
// the shares of the cells on either side.
void SideMiddles(const TChain& C, int32_t From, int32_t To, std::vector<TVec>& Middles) {
    Middles.clear();
    for (int32_t K = From; K < To; ++K) {
        const TLatticePoint S = C.Corners[size_t(K)], E = C.Corners[size_t(K + 1)];
        const int32_t Length = std::abs(E.X - S.X) + std::abs(E.Y - S.Y);
        const int32_t UX = Length ? (E.X - S.X) / Length : 0,
                      UY = Length ? (E.Y - S.Y) / Length : 0;
        const size_t First = size_t(C.SideBefore[size_t(K)]);
        for (int32_t T = 0; T < Length; ++T) {
            const double Off = C.Offsets[First + size_t(T)];
            // Towards the right-hand cell: (-UY, UX) with y growing downwards.
            Middles.push_back({S.X + UX * (T + 0.5) - UY * Off, S.Y + UY * (T + 0.5) + UX * Off});
        }
    }
}

// How far, in cells, a kept corner may lie off the border beyond the tolerance: corners of
// cells lie up to half a cell off it, and Relax moves the kept ones nearer afterwards.
constexpr double CornerSlack = 0.3;

// Douglas-Peucker over the corners, measuring the border where it crosses the middles of
// the cell sides.
void Simplify(TChain& C, int32_t A, int32_t B, double Tolerance, std::vector<int32_t>& Kept) {
    std::vector<std::pair<int32_t, int32_t>> Work{{A, B}};
    std::vector<TVec> Middles;
    while (!Work.empty()) {
        const auto [From, To] = Work.back();
        Work.pop_back();
        if (To - From < 2)
            continue;
        const TLatticePoint P = C.Corners[size_t(From)], Q = C.Corners[size_t(To)];
        double Deviation = 0;
        SideMiddles(C, From, To, Middles);
        for (const TVec& M : Middles)
            Deviation = std::max(Deviation, SegmentDistance(M, P, Q));
        if (Deviation <= Tolerance)
            continue;
        const int32_t M = Farthest(C, From, To);
        Kept.push_back(M);
        Work.push_back({M, To});
        Work.push_back({From, M});
    }
}

void SimplifyChain(TChain& C, double Tolerance) {
    const int32_t Last = int32_t(C.Corners.size()) - 1;
    C.SideBefore.assign(C.Corners.size(), 0);
    for (int32_t K = 1; K <= Last; ++K) {
        const TLatticePoint S = C.Corners[size_t(K - 1)], E = C.Corners[size_t(K)];
        C.SideBefore[size_t(K)] =
            C.SideBefore[size_t(K - 1)] + std::abs(E.X - S.X) + std::abs(E.Y - S.Y);
    }
    std::vector<int32_t> Kept{0, Last};
    if (C.Corners.front() == C.Corners.back()) {
        // A loop: its farthest corner from the start, and a third corner off their line.
        int32_t Far = 1;
        double Best = -1;
        for (int32_t K = 1; K < Last; ++K) {
            const double D =
                SegmentDistance(AsVec(C.Corners[size_t(K)]), C.Corners[0], C.Corners[0]);
            if (D > Best) {
                Best = D;
                Far = K;
            }
        }
        Kept.push_back(Far);
        Simplify(C, 0, Far, Tolerance, Kept);
        Simplify(C, Far, Last, Tolerance, Kept);
        if (Kept.size() == 3) {
            const int32_t A = Farthest(C, 0, Far), B = Farthest(C, Far, Last);
            const auto Off = [&](int32_t K) {
                return K < 0 ? -1.0
                             : SegmentDistance(AsVec(C.Corners[size_t(K)]), C.Corners[0],
                                               C.Corners[size_t(Far)]);
            };
            Kept.push_back(Off(A) >= Off(B) ? A : B);
        }
    } else {
        Simplify(C, 0, Last, Tolerance, Kept);
    }
    std::sort(Kept.begin(), Kept.end());
    Kept.erase(std::unique(Kept.begin(), Kept.end()), Kept.end());
    C.Kept = std::move(Kept);
    C.Shift.assign(C.Kept.size(), {0, 0});
}

// The corners of cells lie up to half a cell off the border they stand for; a kept corner
// moves to the grid point around it whose two segments pass nearest the middles of the
// cell sides they replace (least squares), one pass along the chain.
void Relax(TChain& C, const TCellPartition& P) {
    std::vector<TVec> Before, After;
    for (size_t K = 1; K + 1 < C.Kept.size(); ++K) {
        SideMiddles(C, C.Kept[K - 1], C.Kept[K], Before);
        SideMiddles(C, C.Kept[K], C.Kept[K + 1], After);
        const TLatticePoint Prev = C.Vertex(K - 1), N = C.Vertex(K + 1);
        const TLatticePoint Corner = C.Corners[size_t(C.Kept[K])];
        const auto Cost = [&](TLatticePoint Q) {
            double Sum = 0;
            for (const TVec& M : Before)
                Sum += std::pow(SegmentDistance(M, Prev, Q), 2);
            for (const TVec& M : After)
                Sum += std::pow(SegmentDistance(M, Q, N), 2);
            return Sum;
        };
        double Best = Cost(Corner);
        TLatticePoint BestShift{0, 0};
        for (int32_t DY = -1; DY <= 1; ++DY)
            for (int32_t DX = -1; DX <= 1; ++DX) {
                const TLatticePoint Q{Corner.X + DX, Corner.Y + DY};
                // A point with no region around it may lie off the background.
                if ((DX == 0 && DY == 0) || Q == Prev || Q == N ||
                    (P.At(Q.X - 1, Q.Y - 1) <= 0 && P.At(Q.X, Q.Y - 1) <= 0 &&
                     P.At(Q.X - 1, Q.Y) <= 0 && P.At(Q.X, Q.Y) <= 0))
                    continue;
                const double Sum = Cost(Q);
                if (Sum < Best - 1e-9) {
                    Best = Sum;
                    BestShift = {DX, DY};
                }
            }
        C.Shift[K] = BestShift;
    }
}

struct TSegment {
    int32_t Chain;
    int32_t Index; // into the chain's Kept
};

// Simplified borders may cross or touch where the traced ones did not. Every segment that
// meets another anywhere but at a junction both end at (or the corner between neighbours
// of one chain) is split at its farthest corner, until none is left: the traced borders
// themselves meet only so, which bounds the repair.
bool Untangle(std::vector<TChain>& Chains, const TTraceControl& Control) {
    constexpr int32_t Bucket = 16;
    for (int Round = 0; Round < 200; ++Round) {
        std::vector<TSegment> Segments;
        std::unordered_map<uint64_t, std::vector<int32_t>> Buckets;
        for (int32_t C = 0; C < int32_t(Chains.size()); ++C) {
            const TChain& Ch = Chains[size_t(C)];
            for (int32_t S = 0; S + 1 < int32_t(Ch.Kept.size()); ++S) {
                const TLatticePoint A = Ch.Vertex(size_t(S));
                const TLatticePoint B = Ch.Vertex(size_t(S + 1));
                const int32_t Id = int32_t(Segments.size());
                Segments.push_back({C, S});
                for (int32_t BY = std::min(A.Y, B.Y) / Bucket; BY <= std::max(A.Y, B.Y) / Bucket;
                     ++BY)
                    for (int32_t BX = std::min(A.X, B.X) / Bucket;
                         BX <= std::max(A.X, B.X) / Bucket; ++BX)
                        Buckets[Key({BX, BY})].push_back(Id);
            }
        }
        const auto Ends = [&](const TSegment& S, TLatticePoint& A, TLatticePoint& B) {
            const TChain& Ch = Chains[size_t(S.Chain)];
            A = Ch.Vertex(size_t(S.Index));
            B = Ch.Vertex(size_t(S.Index + 1));
        };
        // Whether P, an end of segment S, may be shared with another segment.
        const auto ChainEnd = [&](const TSegment& S, TLatticePoint P) {
            const TChain& Ch = Chains[size_t(S.Chain)];
            if (Ch.Closed)
                return false;
            const int32_t Last = int32_t(Ch.Kept.size()) - 2;
            return (S.Index == 0 && Ch.Corners.front() == P) ||
                   (S.Index == Last && Ch.Corners.back() == P);
        };
        const auto Allowed = [&](const TSegment& S1, const TSegment& S2) {
            TLatticePoint A, B, C, D;
            Ends(S1, A, B);
            Ends(S2, C, D);
            int Shared = (A == C) + (A == D) + (B == C) + (B == D);
            if (Shared == 0)
                return !Meet(A, B, C, D);
            if (Shared > 1)
                return false;
            const TLatticePoint P = (A == C || A == D) ? A : B;
            const TLatticePoint Q1 = P == A ? B : A, Q2 = P == C ? D : C;
            // Sharing P, they meet elsewhere only when they run on from P in one direction.
            if (Cross(P, Q1, Q2) == 0 &&
                int64_t(Q1.X - P.X) * (Q2.X - P.X) + int64_t(Q1.Y - P.Y) * (Q2.Y - P.Y) > 0)
                return false;
            const TChain& Ch = Chains[size_t(S1.Chain)];
            if (S1.Chain == S2.Chain) {
                const int32_t Count = int32_t(Ch.Kept.size()) - 1;
                if (std::abs(S1.Index - S2.Index) == 1)
                    return true;
                if (Ch.Closed && std::abs(S1.Index - S2.Index) == Count - 1)
                    return true;
            }
            return ChainEnd(S1, P) && ChainEnd(S2, P);
        };
        std::unordered_set<uint64_t> Tested;
        std::map<std::pair<int32_t, int32_t>, bool> Split;
        for (const auto& [Where, Ids] : Buckets)
            for (size_t I = 0; I < Ids.size(); ++I)
                for (size_t J = I + 1; J < Ids.size(); ++J) {
                    const int32_t S1 = std::min(Ids[I], Ids[J]), S2 = std::max(Ids[I], Ids[J]);
                    if (!Tested.insert((uint64_t(uint32_t(S1)) << 32) | uint32_t(S2)).second)
                        continue;
                    if (Allowed(Segments[size_t(S1)], Segments[size_t(S2)]))
                        continue;
                    for (int32_t S : {S1, S2})
                        Split[{Segments[size_t(S)].Chain, Segments[size_t(S)].Index}] = true;
                }
        if (Split.empty())
            return true;
        // Later segments of a chain first, so that the indices of earlier ones hold.
        for (auto It = Split.rbegin(); It != Split.rend(); ++It) {
            TChain& Ch = Chains[size_t(It->first.first)];
            const size_t S = size_t(It->first.second);
            // A moved corner goes back first; then the segment is split.
            if (!(Ch.Shift[S] == TLatticePoint{}) || !(Ch.Shift[S + 1] == TLatticePoint{})) {
                Ch.Shift[S] = Ch.Shift[S + 1] = {0, 0};
                continue;
            }
            const int32_t M = Farthest(Ch, Ch.Kept[S], Ch.Kept[S + 1]);
            if (M >= 0) {
                Ch.Kept.insert(Ch.Kept.begin() + std::ptrdiff_t(S) + 1, M);
                Ch.Shift.insert(Ch.Shift.begin() + std::ptrdiff_t(S) + 1, TLatticePoint{0, 0});
            }
        }
        if (!Control.GoOn(75 + std::min(Round, 10)))
            return false;
    }
    return false;
}

// Pixel sides where labels A and B meet, within a cell of the corners From and To.
int64_t PixelContact(const TCellPartition& P, int32_t A, int32_t B, TLatticePoint From,
                     TLatticePoint To) {
    if (P.Labels.empty())
        return 0;
    constexpr int32_t G = TTracer::Grid;
    const int32_t Rows = int32_t(P.Labels.size() / size_t(P.LabelWidth));
    const int32_t X0 = std::max(0, P.LabelLeft + G * (std::min(From.X, To.X) - 1));
    const int32_t X1 = std::min(P.LabelWidth - 1, P.LabelLeft + G * (std::max(From.X, To.X) + 1));
    const int32_t Y0 = std::max(0, P.LabelTop + G * (std::min(From.Y, To.Y) - 1));
    const int32_t Y1 = std::min(Rows - 1, P.LabelTop + G * (std::max(From.Y, To.Y) + 1));
    const auto Pair = [A, B](int32_t L, int32_t M) {
        return (L == A && M == B) || (L == B && M == A);
    };
    int64_t Contact = 0;
    for (int32_t Y = Y0; Y <= Y1; ++Y)
        for (int32_t X = X0; X <= X1; ++X) {
            const size_t I = size_t(Y) * size_t(P.LabelWidth) + size_t(X);
            Contact += (X < X1 && Pair(P.Labels[I], P.Labels[I + 1])) +
                       (Y < Y1 && Pair(P.Labels[I], P.Labels[I + size_t(P.LabelWidth)]));
        }
    return Contact;
}

// Four regions meeting at a point come out of the cells as two junctions joined by a
// border of a cell or two, which would make two regions that only touch at a corner
// neighbours. Such a border between junctions of three regions each (A|B with C at one end
// and D at the other, C and D different) goes, and its ends become one point, unless the
// pixels of A and B meet along a grid step or more there: a short border of its own.
void ContractCorners(std::vector<TChain>& Chains, const TCellPartition& P) {
    std::unordered_map<uint64_t, std::vector<int32_t>> AtPoint;
    for (int32_t K = 0; K < int32_t(Chains.size()); ++K)
        if (!Chains[size_t(K)].Closed) {
            AtPoint[Key(Chains[size_t(K)].Corners.front())].push_back(K);
            AtPoint[Key(Chains[size_t(K)].Corners.back())].push_back(K);
        }
    // The third label at a junction of A and B, or -1 when there is not exactly one.
    const auto Third = [&](TLatticePoint J, int32_t A, int32_t B) {
        int32_t Found = -1;
        for (int32_t K : AtPoint[Key(J)])
            for (int32_t L : {Chains[size_t(K)].Left, Chains[size_t(K)].Right})
                if (L != A && L != B) {
                    if (Found >= 0 && Found != L)
                        return -1;
                    Found = L;
                }
        return Found;
    };
    std::unordered_set<uint64_t> Touched;
    std::vector<uint8_t> Gone(Chains.size(), 0);
    for (int32_t K = 0; K < int32_t(Chains.size()); ++K) {
        const TChain& Ch = Chains[size_t(K)];
        const TLatticePoint J1 = Ch.Corners.front(), J2 = Ch.Corners.back();
        if (Ch.Closed || J1 == J2 || Ch.SideBefore.back() > 2 || Ch.Left <= 0 || Ch.Right <= 0 ||
            Touched.count(Key(J1)) || Touched.count(Key(J2)))
            continue;
        const int32_t C = Third(J1, Ch.Left, Ch.Right), D = Third(J2, Ch.Left, Ch.Right);
        if (C < 0 || D < 0 || C == D)
            continue;
        bool Parallel = false;
        for (int32_t O : AtPoint[Key(J1)])
            Parallel = Parallel || (O != K && ((Chains[size_t(O)].Corners.front() == J2) ||
                                               (Chains[size_t(O)].Corners.back() == J2)));
        if (Parallel || PixelContact(P, Ch.Left, Ch.Right, J1, J2) >= TTracer::Grid)
            continue;
        // A straight border of two cell sides meets at its middle, any other at its first end
        // in reading order.
        const bool Straight = Ch.SideBefore.back() == 2 && Ch.Corners.size() == 2;
        const TLatticePoint J = Straight ? TLatticePoint{(J1.X + J2.X) / 2, (J1.Y + J2.Y) / 2}
                                : std::make_pair(J1.Y, J1.X) < std::make_pair(J2.Y, J2.X) ? J1
                                                                                          : J2;
        Gone[size_t(K)] = 1;
        Touched.insert(Key(J1));
        Touched.insert(Key(J2));
        Touched.insert(Key(J));
        for (const TLatticePoint End : {J1, J2})
            for (int32_t O : AtPoint[Key(End)]) {
                TChain& Other = Chains[size_t(O)];
                if (Other.Corners.front() == End)
                    Other.Corners.front() = J;
                if (Other.Corners.back() == End)
                    Other.Corners.back() = J;
            }
    }
    std::vector<TChain> Kept;
    for (size_t K = 0; K < Chains.size(); ++K)
        if (!Gone[K])
            Kept.push_back(std::move(Chains[K]));
    Chains = std::move(Kept);
}

struct TOccurrence {
    int32_t Chain;
    bool Forward; // the region on the right walking forward
};

} // namespace

bool TraceOutlines(const TCellPartition& P, double Tolerance, const TTraceControl& Control,
                   std::vector<TTracedRegion>& Regions, std::vector<int32_t>& RegionOfId) {
    std::vector<TChain> Found = TChainFinder(P).Find();
    for (TChain& C : Found) {
        SimplifyChain(C, Tolerance / TTracer::Grid + CornerSlack);
        Relax(C, P);
    }
    if (!Control.GoOn(75))
        return false;
    std::vector<TChain> Chains = Found;
    ContractCorners(Chains, P);
    // A contraction that leaves borders meeting where they must not is given up whole.
    if (!Untangle(Chains, Control)) {
        if (!Control.GoOn(80))
            return false;
        Chains = std::move(Found);
        Untangle(Chains, Control);
    }
    if (!Control.GoOn(90) || !PlaceVertices(Chains, P, Control))
        return false;

    const size_t Ids = size_t(P.RegionCount) + 1;
    std::vector<std::vector<TOccurrence>> Occurrences(Ids);
    std::vector<std::unordered_set<int32_t>> Adjacent(Ids);
    for (int32_t C = 0; C < int32_t(Chains.size()); ++C) {
        const TChain& Ch = Chains[size_t(C)];
        if (Ch.Right > 0)
            Occurrences[size_t(Ch.Right)].push_back({C, true});
        if (Ch.Left > 0)
            Occurrences[size_t(Ch.Left)].push_back({C, false});
        if (Ch.Left > 0 && Ch.Right > 0) {
            Adjacent[size_t(Ch.Left)].insert(Ch.Right);
            Adjacent[size_t(Ch.Right)].insert(Ch.Left);
        }
    }
    const auto Point = [&](const TChain& Ch, int32_t K) { return Ch.Vertex(size_t(K)); };

    std::vector<std::vector<TLatticePoint>> Outer(Ids);
    std::vector<std::vector<int32_t>> HoleSides(Ids);
    for (size_t L = 1; L < Ids; ++L) {
        const auto& Occ = Occurrences[L];
        std::unordered_map<uint64_t, size_t> ByStart;
        for (size_t K = 0; K < Occ.size(); ++K) {
            const TChain& Ch = Chains[size_t(Occ[K].Chain)];
            ByStart[Key(Occ[K].Forward ? Ch.Corners.front() : Ch.Corners.back())] = K;
        }
        std::vector<uint8_t> Used(Occ.size(), 0);
        int64_t BestArea = -1;
        std::vector<std::pair<std::vector<TLatticePoint>, std::vector<int32_t>>> Loops;
        size_t Outermost = 0;
        for (size_t K0 = 0; K0 < Occ.size(); ++K0) {
            if (Used[K0])
                continue;
            std::vector<TLatticePoint> Loop;
            std::vector<int32_t> Others;
            size_t K = K0;
            while (!Used[K]) {
                Used[K] = 1;
                const TChain& Ch = Chains[size_t(Occ[K].Chain)];
                const int32_t N = int32_t(Ch.Kept.size());
                for (int32_t I = 0; I + 1 < N; ++I)
                    Loop.push_back(Point(Ch, Occ[K].Forward ? I : N - 1 - I));
                Others.push_back(Occ[K].Forward ? Ch.Left : Ch.Right);
                const TLatticePoint End = Occ[K].Forward ? Ch.Corners.back() : Ch.Corners.front();
                const auto Next = ByStart.find(Key(End));
                if (Next == ByStart.end())
                    break;
                K = Next->second;
            }
            int64_t Area = 0;
            for (size_t I = 0; I < Loop.size(); ++I) {
                const TLatticePoint A = Loop[I], B = Loop[(I + 1) % Loop.size()];
                Area += int64_t(A.X) * B.Y - int64_t(B.X) * A.Y;
            }
            if (std::abs(Area) > BestArea) {
                BestArea = std::abs(Area);
                Outermost = Loops.size();
            }
            Loops.emplace_back(std::move(Loop), std::move(Others));
        }
        for (size_t K = 0; K < Loops.size(); ++K) {
            if (K == Outermost) {
                Outer[L] = std::move(Loops[K].first);
                continue;
            }
            for (int32_t O : Loops[K].second)
                if (O > 0)
                    HoleSides[L].push_back(O);
        }
        std::sort(HoleSides[L].begin(), HoleSides[L].end());
        HoleSides[L].erase(std::unique(HoleSides[L].begin(), HoleSides[L].end()),
                           HoleSides[L].end());
    }

    // Depth: how many outlines a region lies within. What lies in a hole of L is what can be
    // reached from the regions along the hole without passing L.
    std::vector<int32_t> Depth(Ids, 0);
    for (size_t L = 1; L < Ids; ++L) {
        if (HoleSides[L].empty())
            continue;
        std::vector<uint8_t> Seen(Ids, 0);
        std::vector<int32_t> Queue(HoleSides[L].begin(), HoleSides[L].end());
        Seen[L] = 1;
        for (int32_t Q : Queue)
            Seen[size_t(Q)] = 1;
        for (size_t Head = 0; Head < Queue.size(); ++Head) {
            ++Depth[size_t(Queue[Head])];
            for (int32_t N : Adjacent[size_t(Queue[Head])])
                if (!Seen[size_t(N)]) {
                    Seen[size_t(N)] = 1;
                    Queue.push_back(N);
                }
        }
    }
    std::vector<int64_t> FirstCell(Ids, INT64_MAX);
    for (size_t I = 0; I < P.Cells.size(); ++I)
        FirstCell[size_t(P.Cells[I])] =
            std::min<int64_t>(FirstCell[size_t(P.Cells[I])], int64_t(I));
    std::vector<int32_t> Order;
    for (size_t L = 1; L < Ids; ++L)
        if (Outer[L].size() >= 3)
            Order.push_back(int32_t(L));
    std::sort(Order.begin(), Order.end(), [&](int32_t A, int32_t B) {
        return std::make_pair(-Depth[size_t(A)], FirstCell[size_t(A)]) <
               std::make_pair(-Depth[size_t(B)], FirstCell[size_t(B)]);
    });

    RegionOfId.assign(Ids, -1);
    for (size_t K = 0; K < Order.size(); ++K)
        RegionOfId[size_t(Order[K])] = int32_t(K);
    Regions.assign(Order.size(), {});
    for (size_t K = 0; K < Order.size(); ++K) {
        const size_t L = size_t(Order[K]);
        TTracedRegion& R = Regions[K];
        R.IsSea = P.IsSea[L - 1] != 0;
        R.Area = P.Area[L - 1];
        for (const TLatticePoint& Q : Outer[L])
            R.Outline.push_back(
                {P.CellLeft + Q.X * TTracer::Grid, P.CellTop + Q.Y * TTracer::Grid});
        for (int32_t O : HoleSides[L])
            if (RegionOfId[size_t(O)] >= 0)
                R.Enclosed.push_back(RegionOfId[size_t(O)]);
        std::sort(R.Enclosed.begin(), R.Enclosed.end());
    }
    return Control.GoOn(95);
}
