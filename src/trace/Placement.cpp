#include "trace/TraceChains.h"

#include <array>
#include <cmath>
#include <unordered_map>

namespace {

// How far, in cells, a vertex may move from the corner of the cells it started on.
constexpr int32_t Reach = 2;
// Segments are found through buckets of this many cells square.
constexpr int32_t Bucket = 8;
constexpr int32_t MaxPasses = 16;

class TPlacement {
public:
    TPlacement(std::vector<TChain>& Chains, const TCellPartition& P) : FChains(Chains), FP(P) {
        std::unordered_map<uint64_t, int32_t> Junctions;
        FVertexOf.resize(Chains.size());
        for (size_t C = 0; C < Chains.size(); ++C) {
            const TChain& Ch = Chains[C];
            const size_t Last = Ch.Kept.size() - 1;
            for (size_t K = 0; K <= Last; ++K) {
                int32_t Id = int32_t(FPos.size());
                if (Ch.Closed && K == Last)
                    Id = FVertexOf[C][0];
                else if (!Ch.Closed && (K == 0 || K == Last))
                    Id = Junctions
                             .try_emplace(Key(K == 0 ? Ch.Corners.front() : Ch.Corners.back()), Id)
                             .first->second;
                if (Id == int32_t(FPos.size())) {
                    FPos.push_back(Ch.Vertex(K));
                    FOrigin.push_back(Ch.Corners[size_t(Ch.Kept[K])]);
                    FSegmentsOf.emplace_back();
                }
                FVertexOf[C].push_back(Id);
            }
        }
        FBucketColumns = P.Columns / Bucket + 1;
        FBuckets.resize(size_t(FBucketColumns) * size_t(P.Rows / Bucket + 1));
        FArea.assign(size_t(P.RegionCount) + 1, 0);
        for (size_t C = 0; C < Chains.size(); ++C)
            for (size_t S = 0; S + 1 < FVertexOf[C].size(); ++S) {
                const int32_t Id = int32_t(FSegments.size());
                FSegments.push_back({int32_t(C), int32_t(S)});
                for (const int32_t V : {FVertexOf[C][S], FVertexOf[C][S + 1]})
                    if (FSegmentsOf[size_t(V)].empty() || FSegmentsOf[size_t(V)].back() != Id)
                        FSegmentsOf[size_t(V)].push_back(Id);
                File(Id, true);
                AddArea(Id, 1);
            }
        FStamp.assign(FSegments.size(), 0);
    }

    bool Run(const TTraceControl& Control) {
        std::vector<uint8_t> Dirty(FPos.size(), 1);
        for (int Pass = 0; Pass < MaxPasses; ++Pass) {
            bool Moved = false;
            for (size_t V = 0; V < FPos.size(); ++V) {
                if (!Dirty[V])
                    continue;
                Dirty[V] = 0;
                if (!Improve(int32_t(V)))
                    continue;
                Moved = true;
                for (int32_t S : FSegmentsOf[V])
                    for (int32_t E : Ends(S))
                        Dirty[size_t(E)] = 1;
            }
            if (!Moved)
                break;
            if (!Control.GoOn(91))
                return false;
        }
        for (size_t C = 0; C < FChains.size(); ++C) {
            TChain& Ch = FChains[C];
            for (size_t K = 0; K < Ch.Kept.size(); ++K) {
                const TLatticePoint At = FPos[size_t(FVertexOf[C][K])];
                const TLatticePoint Corner = Ch.Corners[size_t(Ch.Kept[K])];
                Ch.Shift[K] = {At.X - Corner.X, At.Y - Corner.Y};
            }
        }
        return true;
    }

private:
    struct TSegment {
        int32_t Chain;
        int32_t Index; // from kept corner Index to Index + 1
    };

    std::array<int32_t, 2> Ends(int32_t S) const {
        const TSegment& G = FSegments[size_t(S)];
        const auto& Ids = FVertexOf[size_t(G.Chain)];
        return {Ids[size_t(G.Index)], Ids[size_t(G.Index) + 1]};
    }

    // The buckets a segment between A and B passes through, each visited once.
    template <class TVisit> void ForEachBucket(TLatticePoint A, TLatticePoint B, TVisit&& Visit) {
        for (int32_t Y = std::min(A.Y, B.Y) / Bucket; Y <= std::max(A.Y, B.Y) / Bucket; ++Y)
            for (int32_t X = std::min(A.X, B.X) / Bucket; X <= std::max(A.X, B.X) / Bucket; ++X)
                Visit(FBuckets[size_t(Y) * size_t(FBucketColumns) + size_t(X)]);
    }

    void File(int32_t S, bool In) {
        const auto [A, B] = Ends(S);
        ForEachBucket(FPos[size_t(A)], FPos[size_t(B)], [S, In](std::vector<int32_t>& Where) {
            if (In) {
                Where.push_back(S);
                return;
            }
            auto It = std::find(Where.begin(), Where.end(), S);
            *It = Where.back();
            Where.pop_back();
        });
    }

    // Twice the signed area the segment adds to the region on its right (y grows downwards)
    // and takes from the one on its left.
    void AddArea(int32_t S, int64_t Sign) {
        const auto [A, B] = Ends(S);
        const TLatticePoint P = FPos[size_t(A)], Q = FPos[size_t(B)];
        const int64_t Term = Sign * (int64_t(P.X) * Q.Y - int64_t(Q.X) * P.Y);
        const TChain& Ch = FChains[size_t(FSegments[size_t(S)].Chain)];
        FArea[size_t(Ch.Right)] += Term;
        FArea[size_t(Ch.Left)] -= Term;
    }

    // The label of pixel (X, Y) of the picture; 0 outside it.
    int32_t Label(int32_t X, int32_t Y) const {
        if (X < 0 || Y < 0 || X >= FP.LabelWidth)
            return 0;
        const size_t I = size_t(Y) * size_t(FP.LabelWidth) + size_t(X);
        return I < FP.Labels.size() ? FP.Labels[I] : 0;
    }

    // A lattice point in half pixels of the picture, where pixel centres are odd.
    TLatticePoint Half(TLatticePoint P) const {
        return {2 * (FP.LabelLeft + TTracer::Grid * P.X), 2 * (FP.LabelTop + TTracer::Grid * P.Y)};
    }

    // Twice the change in pixels on the wrong side of a border when its segment from X to V
    // turns about X to end at Q instead: the pixels in the triangle X, V, Q cross from one
    // side to the other (those on its edges count half).
    int64_t Sweep(TLatticePoint X, TLatticePoint V, TLatticePoint Q, int32_t Left,
                  int32_t Right) const {
        const int64_t Turn = Cross(X, V, Q);
        if (Turn == 0)
            return 0;
        std::array<TLatticePoint, 3> T{Half(X), Half(V), Half(Q)};
        if (Turn < 0)
            std::swap(T[1], T[2]);
        const int32_t Top = std::min({T[0].Y, T[1].Y, T[2].Y});
        const int32_t Bottom = std::max({T[0].Y, T[1].Y, T[2].Y});
        int64_t Change = 0;
        for (int32_t YC = Top | 1; YC <= Bottom; YC += 2) {
            // Pixel centres lie off the lattice's rows, so no edge runs along this one.
            double From = 1e18, To = -1e18;
            for (int E = 0; E < 3; ++E) {
                const TLatticePoint A = T[size_t(E)], B = T[size_t((E + 1) % 3)];
                if ((A.Y - YC) * int64_t(B.Y - YC) > 0)
                    continue;
                const double XC = A.X + double(YC - A.Y) * (B.X - A.X) / (B.Y - A.Y);
                From = std::min(From, XC);
                To = std::max(To, XC);
            }
            const int32_t First = int32_t(std::floor((From - 2) / 2));
            const int32_t Last = int32_t(std::ceil(To / 2));
            for (int32_t PX = First; PX <= Last; ++PX) {
                const TLatticePoint C{2 * PX + 1, YC};
                int Weight = 2;
                for (int E = 0; E < 3 && Weight > 0; ++E) {
                    const int64_t Side = Cross(T[size_t(E)], T[size_t((E + 1) % 3)], C);
                    if (Side < 0)
                        Weight = 0;
                    else if (Side == 0)
                        --Weight;
                }
                if (Weight <= 0)
                    continue;
                const int32_t L = Label(PX, YC / 2);
                Change += L == Right ? Weight : L == Left ? -Weight : 0;
            }
        }
        return Turn > 0 ? Change : -Change;
    }

    // The segment's other end than vertex V, and the labels left and right walking from it
    // to V.
    void FromOther(int32_t S, int32_t V, int32_t& Other, int32_t& Left, int32_t& Right) const {
        const auto [A, B] = Ends(S);
        const TChain& Ch = FChains[size_t(FSegments[size_t(S)].Chain)];
        Other = A == V ? B : A;
        Left = A == V ? Ch.Right : Ch.Left;
        Right = A == V ? Ch.Left : Ch.Right;
    }

    int64_t Change(int32_t V, TLatticePoint Q) const {
        int64_t Sum = 0;
        for (int32_t S : FSegmentsOf[size_t(V)]) {
            int32_t Other, Left, Right;
            FromOther(S, V, Other, Left, Right);
            if (Other != V)
                Sum += Sweep(FPos[size_t(Other)], FPos[size_t(V)], Q, Left, Right);
        }
        return Sum;
    }

    // Whether V may stand at Q: its segments then meet no other segment but at the vertices
    // they share, fold back on none, and leave every region some area.
    bool Allowed(int32_t V, TLatticePoint Q) {
        const auto& Mine = FSegmentsOf[size_t(V)];
        for (size_t I = 0; I < Mine.size(); ++I) {
            int32_t X, Left, Right;
            FromOther(Mine[I], V, X, Left, Right);
            const TLatticePoint PX = FPos[size_t(X)];
            if (X == V || PX == Q)
                return false;
            for (size_t J = I + 1; J < Mine.size(); ++J) {
                int32_t Y, L2, R2;
                FromOther(Mine[J], V, Y, L2, R2);
                if (Y != X && Folds(Q, PX, FPos[size_t(Y)]))
                    return false;
            }
            ++FRound;
            bool Clear = true;
            ForEachBucket(PX, Q, [&](const std::vector<int32_t>& Where) {
                for (int32_t T : Where) {
                    if (!Clear || FStamp[size_t(T)] == FRound)
                        continue;
                    FStamp[size_t(T)] = FRound;
                    const auto [A, B] = Ends(T);
                    if (A == V || B == V)
                        continue;
                    if (A == X || B == X)
                        Clear = !Folds(PX, Q, FPos[size_t(A == X ? B : A)]);
                    else
                        Clear = !Meet(PX, Q, FPos[size_t(A)], FPos[size_t(B)]);
                }
            });
            if (!Clear)
                return false;
        }
        const TLatticePoint Was = FPos[size_t(V)];
        std::array<std::pair<int32_t, int64_t>, 8> Before{};
        size_t Count = 0;
        const auto Note = [&](int32_t L) {
            for (size_t K = 0; K < Count; ++K)
                if (Before[K].first == L)
                    return;
            if (Count < Before.size())
                Before[Count++] = {L, FArea[size_t(L)]};
        };
        for (int32_t S : Mine) {
            const TChain& Ch = FChains[size_t(FSegments[size_t(S)].Chain)];
            Note(Ch.Left);
            Note(Ch.Right);
            AddArea(S, -1);
        }
        FPos[size_t(V)] = Q;
        for (int32_t S : Mine)
            AddArea(S, 1);
        bool Kept = true;
        for (size_t K = 0; K < Count; ++K)
            Kept = Kept && (Before[K].first == 0 || Before[K].second <= 0 ||
                            FArea[size_t(Before[K].first)] > 0);
        for (int32_t S : Mine)
            AddArea(S, -1);
        FPos[size_t(V)] = Was;
        for (int32_t S : Mine)
            AddArea(S, 1);
        return Kept;
    }

    // Whether segments from P to A and from P to B overlap: they run on from P in one
    // direction.
    static bool Folds(TLatticePoint P, TLatticePoint A, TLatticePoint B) {
        return Cross(P, A, B) == 0 &&
               int64_t(A.X - P.X) * (B.X - P.X) + int64_t(A.Y - P.Y) * (B.Y - P.Y) > 0;
    }

    // Moves V one step to the allowed grid point around it that lowers the count the most.
    bool Improve(int32_t V) {
        const TLatticePoint At = FPos[size_t(V)], Origin = FOrigin[size_t(V)];
        std::array<std::pair<int64_t, int32_t>, 8> Options;
        size_t Count = 0;
        for (int32_t K = 0; K < 9; ++K) {
            const TLatticePoint Q{At.X + K % 3 - 1, At.Y + K / 3 - 1};
            if (K == 4 || std::abs(Q.X - Origin.X) > Reach || std::abs(Q.Y - Origin.Y) > Reach ||
                Q.X < 0 || Q.Y < 0 || Q.X > FP.Columns || Q.Y > FP.Rows)
                continue;
            // A point with no region around it may lie off the background.
            if (FP.At(Q.X - 1, Q.Y - 1) <= 0 && FP.At(Q.X, Q.Y - 1) <= 0 &&
                FP.At(Q.X - 1, Q.Y) <= 0 && FP.At(Q.X, Q.Y) <= 0)
                continue;
            const int64_t C = Change(V, Q);
            if (C >= 0)
                continue;
            // Kept in order of gain, then of K.
            size_t I = Count++;
            for (; I > 0 && Options[I - 1].first > C; --I)
                Options[I] = Options[I - 1];
            Options[I] = {C, K};
        }
        for (size_t I = 0; I < Count; ++I) {
            const int32_t K = Options[I].second;
            const TLatticePoint Q{At.X + K % 3 - 1, At.Y + K / 3 - 1};
            if (!Allowed(V, Q))
                continue;
            for (int32_t S : FSegmentsOf[size_t(V)]) {
                File(S, false);
                AddArea(S, -1);
            }
            FPos[size_t(V)] = Q;
            for (int32_t S : FSegmentsOf[size_t(V)]) {
                File(S, true);
                AddArea(S, 1);
            }
            return true;
        }
        return false;
    }

    std::vector<TChain>& FChains;
    const TCellPartition& FP;
    std::vector<std::vector<int32_t>> FVertexOf; // per chain and kept corner: its vertex
    std::vector<TLatticePoint> FPos;             // per vertex
    std::vector<TLatticePoint> FOrigin;
    std::vector<std::vector<int32_t>> FSegmentsOf; // per vertex
    std::vector<TSegment> FSegments;
    std::vector<std::vector<int32_t>> FBuckets;
    int32_t FBucketColumns = 0;
    std::vector<int64_t> FArea; // per label, twice the signed area
    std::vector<uint32_t> FStamp;
    uint32_t FRound = 0;
};

} // namespace

bool PlaceVertices(std::vector<TChain>& Chains, const TCellPartition& P,
                   const TTraceControl& Control) {
    if (P.Labels.empty())
        return true;
    return TPlacement(Chains, P).Run(Control);
}
