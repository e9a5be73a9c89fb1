#include "trace/TraceSteps.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace {

// Pixel labels besides region ids (void, the untraced margin, is region 0).
constexpr int32_t Uncovered = -3;
constexpr int32_t Unset = -2;
constexpr int32_t Line = -1;
constexpr int32_t Void = 0;

// Visits pixel I's 4-neighbours inside a W x H picture: left, right, up, down. The order
// decides ties in the fills, so it stays fixed.
template <class TVisit> void ForEachNeighbor(uint32_t I, int32_t W, int32_t H, TVisit&& Visit) {
    const int32_t X = int32_t(I % uint32_t(W)), Y = int32_t(I / uint32_t(W));
    if (X > 0)
        Visit(I - 1);
    if (X + 1 < W)
        Visit(I + 1);
    if (Y > 0)
        Visit(I - uint32_t(W));
    if (Y + 1 < H)
        Visit(I + uint32_t(W));
}

enum TPixelClass : uint8_t { pcLand, pcSea, pcBorder, pcWeak };
using TClasses = std::array<uint8_t, 256>;

TClasses Classes(const std::vector<uint8_t>& Border, const std::vector<uint8_t>& Sea) {
    TClasses Result{};
    for (uint8_t C : Sea)
        Result[C] = pcSea;
    // A colour named both ways draws lines.
    for (uint8_t C : Border)
        Result[C] = pcBorder;
    return Result;
}

bool IsCovered(const TTracePicture& P, size_t I) {
    return P.Covered.empty() || P.Covered[I] != 0;
}

int64_t FloorDiv(int64_t A, int64_t B) {
    return A >= 0 ? A / B : -((-A + B - 1) / B);
}

// Counts the 4-connected runs-of-a-class components of at least MinArea pixels, with the
// pixels of Classes pcBorder (and uncovered ones) between them. Row runs joined by a
// union-find: cheap enough to ask once per candidate colour.
int32_t CountLargeComponents(const TTracePicture& P, const TClasses& Class, int32_t MinArea) {
    struct TRun {
        int32_t From, To; // [From, To)
        uint8_t Kind;
    };
    std::vector<int32_t> Parent;
    std::vector<int64_t> Area;
    const auto Find = [&Parent](int32_t X) {
        while (Parent[size_t(X)] != X) {
            Parent[size_t(X)] = Parent[size_t(Parent[size_t(X)])];
            X = Parent[size_t(X)];
        }
        return X;
    };
    std::vector<TRun> Above, Here;
    std::vector<int32_t> AboveId, HereId;
    for (int32_t Y = 0; Y < P.Height; ++Y) {
        Here.clear();
        HereId.clear();
        const size_t Row = size_t(Y) * size_t(P.Width);
        int32_t X = 0;
        while (X < P.Width) {
            const size_t I = Row + size_t(X);
            const uint8_t K = IsCovered(P, I) ? Class[P.Pixels[I]] : uint8_t(pcBorder);
            int32_t E = X + 1;
            while (E < P.Width && (IsCovered(P, Row + size_t(E)) ? Class[P.Pixels[Row + size_t(E)]]
                                                                 : uint8_t(pcBorder)) == K)
                ++E;
            if (K != pcBorder) {
                Here.push_back({X, E, K});
                HereId.push_back(int32_t(Parent.size()));
                Parent.push_back(int32_t(Parent.size()));
                Area.push_back(E - X);
            }
            X = E;
        }
        size_t A = 0;
        for (size_t H = 0; H < Here.size(); ++H) {
            while (A < Above.size() && Above[A].To <= Here[H].From)
                ++A;
            for (size_t B = A; B < Above.size() && Above[B].From < Here[H].To; ++B)
                if (Above[B].Kind == Here[H].Kind) {
                    const int32_t R1 = Find(AboveId[B]);
                    const int32_t R2 = Find(HereId[H]);
                    if (R1 != R2) {
                        Parent[size_t(R2)] = R1;
                        Area[size_t(R1)] += Area[size_t(R2)];
                    }
                }
        }
        std::swap(Above, Here);
        std::swap(AboveId, HereId);
    }
    int32_t Count = 0;
    for (size_t I = 0; I < Parent.size(); ++I)
        Count += Parent[I] == int32_t(I) && Area[I] >= MinArea;
    return Count;
}

// The plain margin: the colour of at least 90% of the picture's frame, one 4-connected
// area of that exact colour reaching that much of the frame, and at most half the picture.
// Its pixels become Void. Returns the colour or -1.
int32_t MarkMargin(const TTracePicture& P, const TClasses& Class, std::vector<int32_t>& Labels) {
    const int32_t W = P.Width, H = P.Height;
    std::array<int64_t, 256> Counts{};
    int64_t Frame = 0;
    const auto OnFrame = [W, H](int32_t X, int32_t Y) {
        return X == 0 || Y == 0 || X == W - 1 || Y == H - 1;
    };
    const auto Visit = [&](auto&& Each) {
        for (int32_t X = 0; X < W; ++X) {
            Each(X, 0);
            if (H > 1)
                Each(X, H - 1);
        }
        for (int32_t Y = 1; Y + 1 < H; ++Y) {
            Each(0, Y);
            if (W > 1)
                Each(W - 1, Y);
        }
    };
    Visit([&](int32_t X, int32_t Y) {
        const size_t I = size_t(Y) * size_t(W) + size_t(X);
        if (Labels[I] == Unset) {
            ++Counts[P.Pixels[I]];
            ++Frame;
        }
    });
    if (Frame == 0)
        return -1;
    const int32_t Color = int32_t(std::max_element(Counts.begin(), Counts.end()) - Counts.begin());
    if (Counts[size_t(Color)] * 10 < Frame * 9 || Class[size_t(Color)] != pcLand)
        return -1;
    size_t Seed = SIZE_MAX;
    Visit([&](int32_t X, int32_t Y) {
        const size_t I = size_t(Y) * size_t(W) + size_t(X);
        if (Seed == SIZE_MAX && Labels[I] == Unset && P.Pixels[I] == Color)
            Seed = I;
    });
    std::vector<uint32_t> Stack{uint32_t(Seed)}, Filled;
    Labels[Seed] = Void;
    int64_t Reached = 0;
    while (!Stack.empty()) {
        const uint32_t I = Stack.back();
        Stack.pop_back();
        Filled.push_back(I);
        const int32_t X = int32_t(I % uint32_t(W)), Y = int32_t(I / uint32_t(W));
        Reached += OnFrame(X, Y);
        const auto Try = [&](uint32_t N) {
            if (Labels[N] == Unset && P.Pixels[N] == Color) {
                Labels[N] = Void;
                Stack.push_back(N);
            }
        };
        ForEachNeighbor(I, W, H, Try);
    }
    if (Reached * 10 < Frame * 9 || int64_t(Filled.size()) * 2 > int64_t(W) * H) {
        for (uint32_t I : Filled)
            Labels[I] = Unset;
        return -1;
    }
    return Color;
}

struct TComponentInfo {
    int64_t Area = 0; // after the lines are split
    int64_t Land = 0; // own pixels by class
    int64_t Sea = 0;
};

// Gives every line pixel to the nearest region (4-connected steps), so that a line is
// split along its middle. Regions grow one step at a time; within a step land comes
// before sea before the margin, then the earlier pixel in reading order, then left, up,
// right, down.
void SplitLines(int32_t W, int32_t H, std::vector<int32_t>& Labels,
                const std::vector<TComponentInfo>& Info) {
    std::vector<uint32_t> Frontier, Next;
    const auto Spread = [&](uint32_t I, int32_t Label) {
        const int32_t X = int32_t(I % uint32_t(W)), Y = int32_t(I / uint32_t(W));
        const auto Try = [&](uint32_t N) {
            if (Labels[N] == Line) {
                Labels[N] = Label;
                Next.push_back(N);
            }
        };
        if (X > 0)
            Try(I - 1);
        if (Y > 0)
            Try(I - uint32_t(W));
        if (X + 1 < W)
            Try(I + 1);
        if (Y + 1 < H)
            Try(I + uint32_t(W));
    };
    const size_t N = Labels.size();
    // Sources are the region pixels as they were before this step.
    std::vector<uint32_t> Sources;
    for (size_t I = 0; I < N; ++I) {
        if (Labels[I] < Void)
            continue;
        const int32_t X = int32_t(I % size_t(W));
        const bool Touches = (X > 0 && Labels[I - 1] == Line) ||
                             (X + 1 < W && Labels[I + 1] == Line) ||
                             (I >= size_t(W) && Labels[I - size_t(W)] == Line) ||
                             (I + size_t(W) < N && Labels[I + size_t(W)] == Line);
        if (Touches)
            Sources.push_back(uint32_t(I));
    }
    // On a tie land wins over sea (a coast line is drawn as part of the land) and both over
    // the margin; the order carries on to every later step.
    const auto Rank = [&](uint32_t I) {
        const int32_t L = Labels[I];
        return L == Void ? 2 : Info[size_t(L)].Sea > Info[size_t(L)].Land ? 1 : 0;
    };
    std::stable_sort(Sources.begin(), Sources.end(),
                     [&](uint32_t A, uint32_t B) { return Rank(A) < Rank(B); });
    for (uint32_t I : Sources)
        Spread(I, Labels[I]);
    while (!Next.empty()) {
        std::swap(Frontier, Next);
        Next.clear();
        for (uint32_t I : Frontier)
            Spread(I, Labels[I]);
    }
    for (int32_t& L : Labels)
        if (L == Line)
            L = Void; // a picture of lines alone
}

// Merges every component of fewer than MinArea pixels into the neighbour it shares the
// longest border with (ties: the lower id), smallest first. Returns each id's final root.
std::vector<int32_t> MergeSpecks(int32_t W, const std::vector<int32_t>& Labels,
                                 std::vector<TComponentInfo>& Info, int32_t MinArea, bool Margin,
                                 int32_t& Merged) {
    const size_t Count = Info.size();
    std::vector<std::unordered_map<int32_t, int64_t>> Contacts(Count);
    const size_t N = Labels.size();
    std::unordered_map<uint64_t, int64_t> Pairs;
    const auto Meet = [&Pairs](int32_t A, int32_t B) {
        if (A == B || A < 0 || B < 0)
            return;
        if (A > B)
            std::swap(A, B);
        ++Pairs[(uint64_t(uint32_t(A)) << 32) | uint32_t(B)];
    };
    for (size_t I = 0; I < N; ++I) {
        if ((I + 1) % size_t(W) != 0)
            Meet(Labels[I], Labels[I + 1]);
        if (I + size_t(W) < N)
            Meet(Labels[I], Labels[I + size_t(W)]);
    }
    for (const auto& [Key, Length] : Pairs) {
        const int32_t A = int32_t(Key >> 32), B = int32_t(Key & 0xFFFFFFFFu);
        Contacts[size_t(A)][B] = Length;
        Contacts[size_t(B)][A] = Length;
    }
    std::vector<int32_t> Parent(Count);
    for (size_t I = 0; I < Count; ++I)
        Parent[I] = int32_t(I);
    std::vector<int32_t> Specks;
    for (size_t I = 1; I < Count; ++I)
        if (Info[I].Area < MinArea)
            Specks.push_back(int32_t(I));
    std::stable_sort(Specks.begin(), Specks.end(), [&Info](int32_t A, int32_t B) {
        return Info[size_t(A)].Area < Info[size_t(B)].Area;
    });
    Merged = 0;
    for (int32_t S : Specks) {
        // Merged specks hand their contacts on, so S is still a root or was taken whole.
        if (Parent[size_t(S)] != S || Info[size_t(S)].Area >= MinArea)
            continue;
        int32_t Best = -1;
        int64_t BestLength = -1;
        for (const auto& [Other, Length] : Contacts[size_t(S)])
            if (Length > BestLength || (Length == BestLength && Other < Best)) {
                Best = Other;
                BestLength = Length;
            }
        if (Best < 0)
            continue;
        Parent[size_t(S)] = Best;
        Info[size_t(Best)].Area += Info[size_t(S)].Area;
        Info[size_t(Best)].Land += Info[size_t(S)].Land;
        Info[size_t(Best)].Sea += Info[size_t(S)].Sea;
        for (const auto& [Other, Length] : Contacts[size_t(S)]) {
            Contacts[size_t(Other)].erase(S);
            if (Other == Best)
                continue;
            Contacts[size_t(Best)][Other] += Length;
            Contacts[size_t(Other)][Best] += Length;
        }
        Contacts[size_t(S)].clear();
        ++Merged;
    }
    // What lies on the margin alone (a title, a legend, a scale) is no part of the map.
    for (size_t I = 1; Margin && I < Count; ++I)
        if (Parent[I] == int32_t(I) && Contacts[I].size() == 1 && Contacts[I].count(Void)) {
            Parent[I] = Void;
            ++Merged;
        }
    for (size_t I = 0; I < Count; ++I) {
        int32_t R = int32_t(I);
        while (Parent[size_t(R)] != R)
            R = Parent[size_t(R)];
        Parent[I] = R;
    }
    return Parent;
}

// The label most of the cell's pixels have; ties go to the centre pixel's label, then the
// lower one. A cell with an uncovered pixel has none.
int32_t CellLabel(const std::vector<int32_t>& Labels, size_t W, size_t X0, size_t Y0,
                  uint8_t& Own) {
    constexpr int32_t G = TTracer::Grid;
    std::array<int32_t, G * G> Seen{};
    std::array<int32_t, G * G> Times{};
    int32_t Distinct = 0;
    for (int32_t DY = 0; DY < G; ++DY)
        for (int32_t DX = 0; DX < G; ++DX) {
            const int32_t L = Labels[(Y0 + size_t(DY)) * W + X0 + size_t(DX)];
            if (L == Uncovered) {
                Own = G * G;
                return 0;
            }
            int32_t K = 0;
            while (K < Distinct && Seen[size_t(K)] != L)
                ++K;
            if (K == Distinct) {
                Seen[size_t(Distinct)] = L;
                Times[size_t(Distinct++)] = 0;
            }
            ++Times[size_t(K)];
        }
    const int32_t Centre = Labels[(Y0 + G / 2) * W + X0 + G / 2];
    int32_t Best = 0;
    for (int32_t K = 1; K < Distinct; ++K) {
        const auto Key = [&](int32_t I) {
            return std::make_tuple(Times[size_t(I)], Seen[size_t(I)] == Centre, -Seen[size_t(I)]);
        };
        if (Key(K) > Key(Best))
            Best = K;
    }
    Own = uint8_t(Times[size_t(Best)]);
    return Seen[size_t(Best)];
}

// Where a region meets itself at a corner only (X Y / Z X with Y and Z not X), the first
// off-diagonal cell that is not a region, else the one of the larger region, joins it:
// an outline through such a corner would touch itself.
bool FillPinches(TCellPartition& P, std::vector<int64_t>& CellCount) {
    constexpr int32_t G = TTracer::Grid;
    bool Changed = false;
    for (int32_t R = 0; R + 1 < P.Rows; ++R)
        for (int32_t C = 0; C + 1 < P.Columns; ++C) {
            int32_t* Row0 = P.Cells.data() + size_t(R) * size_t(P.Columns) + size_t(C);
            int32_t* Row1 = Row0 + P.Columns;
            int32_t* Quad[4] = {Row0, Row0 + 1, Row1, Row1 + 1}; // a b / c d
            for (int Diagonal = 0; Diagonal < 2; ++Diagonal) {
                int32_t* A = Diagonal == 0 ? Quad[0] : Quad[1];
                int32_t* D = Diagonal == 0 ? Quad[3] : Quad[2];
                int32_t* B = Diagonal == 0 ? Quad[1] : Quad[0];
                int32_t* E = Diagonal == 0 ? Quad[2] : Quad[3];
                if (*A == 0 || *A != *D || *B == *A || *E == *A)
                    continue;
                int32_t* Taken = B;
                if (*B != 0 && (*E == 0 || CellCount[size_t(*E)] > CellCount[size_t(*B)]))
                    Taken = E;
                --CellCount[size_t(*Taken)];
                ++CellCount[size_t(*A)];
                *Taken = *A;
                P.Own[size_t(Taken - P.Cells.data())] = G * G / 2;
                Changed = true;
            }
        }
    return Changed;
}

// Keeps each region's largest 4-connected part of cells (the first found on a tie); the
// other parts join the label they share the longest side with.
bool JoinStrayParts(TCellPartition& P, std::vector<int64_t>& CellCount) {
    const size_t N = P.Cells.size();
    std::vector<int32_t> Part(N, -1);
    std::vector<int64_t> PartSize;
    std::vector<int32_t> PartLabel;
    std::vector<uint32_t> Stack;
    const int32_t W = P.Columns;
    for (size_t I = 0; I < N; ++I) {
        if (Part[I] >= 0 || P.Cells[I] == 0)
            continue;
        const int32_t Id = int32_t(PartSize.size());
        const int32_t L = P.Cells[I];
        PartSize.push_back(0);
        PartLabel.push_back(L);
        Part[I] = Id;
        Stack.push_back(uint32_t(I));
        while (!Stack.empty()) {
            const uint32_t K = Stack.back();
            Stack.pop_back();
            ++PartSize.back();
            const auto Try = [&](uint32_t M) {
                if (Part[M] < 0 && P.Cells[M] == L) {
                    Part[M] = Id;
                    Stack.push_back(M);
                }
            };
            ForEachNeighbor(K, W, P.Rows, Try);
        }
    }
    std::vector<int32_t> Keep(CellCount.size(), -1);
    for (size_t K = 0; K < PartSize.size(); ++K) {
        int32_t& Kept = Keep[size_t(PartLabel[K])];
        if (Kept < 0 || PartSize[K] > PartSize[size_t(Kept)])
            Kept = int32_t(K);
    }
    bool Changed = false;
    std::vector<std::unordered_map<int32_t, int64_t>> Sides;
    std::vector<int32_t> Stray(PartSize.size(), -1);
    for (size_t K = 0; K < PartSize.size(); ++K)
        if (Keep[size_t(PartLabel[K])] != int32_t(K)) {
            Stray[K] = int32_t(Sides.size());
            Sides.emplace_back();
        }
    if (Sides.empty())
        return false;
    for (int32_t Y = 0; Y < P.Rows; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            const size_t I = size_t(Y) * size_t(W) + size_t(X);
            if (Part[I] < 0 || Stray[size_t(Part[I])] < 0)
                continue;
            auto& S = Sides[size_t(Stray[size_t(Part[I])])];
            const int32_t Own = P.Cells[I];
            for (int32_t L : {P.At(X - 1, Y), P.At(X + 1, Y), P.At(X, Y - 1), P.At(X, Y + 1)})
                if (L != Own)
                    ++S[L];
        }
    std::vector<int32_t> Into(Sides.size(), 0);
    for (size_t K = 0; K < Sides.size(); ++K) {
        int64_t Longest = -1;
        for (const auto& [L, Length] : Sides[K])
            if (Length > Longest || (Length == Longest && L < Into[K])) {
                Into[K] = L;
                Longest = Length;
            }
    }
    for (size_t I = 0; I < N; ++I)
        if (Part[I] >= 0 && Stray[size_t(Part[I])] >= 0) {
            const int32_t L = Into[size_t(Stray[size_t(Part[I])])];
            --CellCount[size_t(P.Cells[I])];
            ++CellCount[size_t(L)];
            P.Cells[I] = L;
            P.Own[I] = TTracer::Grid * TTracer::Grid / 2;
            Changed = true;
        }
    return Changed;
}

struct TColorStats {
    std::array<int64_t, 256> Count{}, OnEdge{}, OnCoast{};
    int64_t Total = 0;
    // Pixels mostly along a change of colour: lines (or specks), not fills.
    bool LineLike(int C) const { return OnEdge[size_t(C)] * 10 >= Count[size_t(C)] * 3; }
    // Line-like colours of at least 0.05% of the picture, which may be border lines.
    bool Thin(int C) const { return Count[size_t(C)] * 2000 >= Total && LineLike(C); }
};

TColorStats ColorStats(const TTracePicture& Picture, const std::vector<uint8_t>& SeaColors) {
    TColorStats S;
    std::array<uint8_t, 256> IsSea{};
    for (uint8_t C : SeaColors)
        IsSea[C] = 1;
    const int32_t W = Picture.Width, H = Picture.Height;
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            const size_t I = size_t(Y) * size_t(W) + size_t(X);
            if (!IsCovered(Picture, I))
                continue;
            const uint8_t C = Picture.Pixels[I];
            ++S.Count[C];
            ++S.Total;
            const bool Edge = (X > 0 && Picture.Pixels[I - 1] != C) ||
                              (X + 1 < W && Picture.Pixels[I + 1] != C) ||
                              (Y > 0 && Picture.Pixels[I - size_t(W)] != C) ||
                              (Y + 1 < H && Picture.Pixels[I + size_t(W)] != C);
            S.OnEdge[C] += Edge;
            const bool Coast = (X > 0 && IsSea[Picture.Pixels[I - 1]]) ||
                               (X + 1 < W && IsSea[Picture.Pixels[I + 1]]) ||
                               (Y > 0 && IsSea[Picture.Pixels[I - size_t(W)]]) ||
                               (Y + 1 < H && IsSea[Picture.Pixels[I + size_t(W)]]);
            S.OnCoast[C] += Coast;
        }
    return S;
}

constexpr int64_t MinRiverContact = 12;
// Patches of a colour at least this large are areas of the map, not drawings on it (icons,
// mountains, lettering).
constexpr int64_t MaxPatch = 1500;

// Whether each colour in Colors is drawn on the map rather than an area of it: every
// 4-connected patch of it is smaller than MaxPatch and meets border lines along less than
// half its edge (a small territory of its own colour lies between lines). Walks the Unset
// pixels and leaves them so.
std::array<uint8_t, 256> Drawings(const TTracePicture& P, const TClasses& Class,
                                  const std::array<uint8_t, 256>& Colors,
                                  std::vector<int32_t>& Labels) {
    constexpr int32_t Seen = -4;
    std::array<uint8_t, 256> Drawn = Colors;
    const int32_t W = P.Width, H = P.Height;
    std::vector<uint32_t> Stack, Visited;
    for (size_t I = 0; I < Labels.size(); ++I) {
        const uint8_t C = P.Pixels[I];
        if (!Drawn[C] || Labels[I] != Unset)
            continue;
        int64_t Area = 0, Edge = 0, OnLines = 0;
        Labels[I] = Seen;
        Stack.push_back(uint32_t(I));
        while (!Stack.empty()) {
            const uint32_t J = Stack.back();
            Stack.pop_back();
            Visited.push_back(J);
            ++Area;
            const auto Try = [&](uint32_t M) {
                if (P.Pixels[M] != C) {
                    ++Edge;
                    OnLines += Class[P.Pixels[M]] == pcBorder;
                } else if (Labels[M] == Unset) {
                    Labels[M] = Seen;
                    Stack.push_back(M);
                }
            };
            ForEachNeighbor(J, W, H, Try);
        }
        if (Area >= MaxPatch || OnLines * 2 >= Edge)
            Drawn[C] = 0;
    }
    for (uint32_t J : Visited)
        Labels[J] = Unset;
    return Drawn;
}

// Regions parted only by thin lines that are not border lines (a river crossing a
// territory, or crossing its border line and so breaking it) are one region: pairs whose
// pixels meet more across such lines than across border lines join.
std::vector<int32_t> JoinAcrossOtherLines(int32_t W, const TTracePicture& P, const TClasses& Class,
                                          std::vector<int32_t>& Labels,
                                          std::vector<TComponentInfo>& Info) {
    std::unordered_map<uint64_t, std::pair<int64_t, int64_t>> Pairs; // border, other line
    const size_t N = Labels.size();
    const auto Meet = [&](size_t I, size_t J) {
        int32_t A = Labels[I], B = Labels[J];
        if (A == B || A <= Void || B <= Void)
            return;
        const uint8_t CI = Class[P.Pixels[I]], CJ = Class[P.Pixels[J]];
        if (A > B)
            std::swap(A, B);
        auto& Counts = Pairs[(uint64_t(uint32_t(A)) << 32) | uint32_t(B)];
        if (CI == pcBorder || CJ == pcBorder)
            ++Counts.first;
        else if (CI == pcWeak || CJ == pcWeak)
            ++Counts.second;
    };
    for (size_t I = 0; I < N; ++I) {
        if ((I + 1) % size_t(W) != 0)
            Meet(I, I + 1);
        if (I + size_t(W) < N)
            Meet(I, I + size_t(W));
    }
    std::vector<int32_t> Root(Info.size());
    for (size_t I = 0; I < Root.size(); ++I)
        Root[I] = int32_t(I);
    const auto Find = [&Root](int32_t X) {
        while (Root[size_t(X)] != X)
            X = Root[size_t(X)] = Root[size_t(Root[size_t(X)])];
        return X;
    };
    std::vector<std::pair<uint64_t, std::pair<int64_t, int64_t>>> Sorted(Pairs.begin(),
                                                                         Pairs.end());
    std::sort(Sorted.begin(), Sorted.end());
    for (const auto& [Key, Counts] : Sorted) {
        const int32_t A = int32_t(Key >> 32), B = int32_t(Key & 0xFFFFFFFFu);
        const bool SeaA = Info[size_t(A)].Sea > Info[size_t(A)].Land;
        const bool SeaB = Info[size_t(B)].Sea > Info[size_t(B)].Land;
        // Where a river crosses a border line, or two regions meet at a corner, the other
        // line spans a few pixels; regions one river parts share its length.
        if (Counts.second > Counts.first && Counts.second >= MinRiverContact && SeaA == SeaB) {
            const int32_t RA = Find(A), RB = Find(B);
            if (RA != RB)
                Root[size_t(std::max(RA, RB))] = std::min(RA, RB);
        }
    }
    for (size_t I = 1; I < Root.size(); ++I) {
        const int32_t R = Find(int32_t(I));
        Root[I] = R;
        if (R != int32_t(I)) {
            Info[size_t(R)].Area += Info[I].Area;
            Info[size_t(R)].Land += Info[I].Land;
            Info[size_t(R)].Sea += Info[I].Sea;
            // Nothing is left under the old id; it is no speck to merge.
            Info[I] = {};
            Info[I].Area = INT64_MAX / 4;
        }
    }
    for (int32_t& L : Labels)
        if (L > Void)
            L = Root[size_t(L)];
    return Root;
}

} // namespace

std::vector<uint8_t> TTracer::FindBorderColors(const TTracePicture& Picture,
                                               const std::vector<uint8_t>& SeaColors,
                                               int32_t MinArea, int32_t MarginColor) {
    const TColorStats Stats = ColorStats(Picture, SeaColors);
    // The margin parts territories that reach it with no line of their own.
    std::vector<uint8_t> Separators;
    if (MarginColor >= 0)
        Separators.push_back(uint8_t(MarginColor));
    const TClasses None = Classes(Separators, SeaColors);
    const int32_t Baseline = CountLargeComponents(Picture, None, MinArea);
    std::vector<uint8_t> Found;
    for (int C = 0; C < 256; ++C) {
        const bool Sea =
            std::find(SeaColors.begin(), SeaColors.end(), uint8_t(C)) != SeaColors.end();
        if (Sea || C == MarginColor || !Stats.Thin(C))
            continue;
        // A coast line: drawn along the sea, it parts land from sea anyway, but as land it
        // would join every region along the coast.
        if (Stats.OnCoast[size_t(C)] * 2 >= Stats.Count[size_t(C)]) {
            Found.push_back(uint8_t(C));
            continue;
        }
        std::vector<uint8_t> Trial = Separators;
        Trial.push_back(uint8_t(C));
        const TClasses With = Classes(Trial, SeaColors);
        if (CountLargeComponents(Picture, With, MinArea) >= Baseline + 2)
            Found.push_back(uint8_t(C));
    }
    return Found;
}

bool PartitionPicture(const TTracePicture& P, const TTraceSettings& Settings,
                      const TTraceControl& Control, TCellPartition& Result) {
    const int32_t W = P.Width, H = P.Height;
    const size_t N = size_t(W) * size_t(H);
    std::vector<int32_t> Labels(N, Unset);
    // The margin first, so that it is never taken for a border colour or a region.
    {
        const TClasses NoLines = Classes({}, Settings.SeaColors);
        for (size_t I = 0; I < N; ++I)
            if (!IsCovered(P, I))
                Labels[I] = Uncovered;
        Result.MarginColor = MarkMargin(P, NoLines, Labels);
    }
    if (!Control.GoOn(5))
        return false;
    Result.BorderColors = Settings.BorderColors;
    if (Result.BorderColors.empty())
        Result.BorderColors =
            TTracer::FindBorderColors(P, Settings.SeaColors, Settings.MinArea, Result.MarginColor);
    if (!Control.GoOn(20))
        return false;
    TClasses Class = Classes(Result.BorderColors, Settings.SeaColors);
    // Other thin lines on land (rivers, roads) and small drawings (mountains, icons) are
    // split between the regions around them like border lines, and then bridged.
    bool OtherLines = false;
    {
        const TColorStats Stats = ColorStats(P, Settings.SeaColors);
        std::array<uint8_t, 256> Rare{};
        for (int C = 0; C < 256; ++C) {
            if (Class[size_t(C)] != pcLand || C == Result.MarginColor ||
                Stats.Count[size_t(C)] == 0)
                continue;
            if (Stats.LineLike(C)) {
                Class[size_t(C)] = pcWeak;
                OtherLines = true;
            } else if (Stats.Count[size_t(C)] * 50 <= Stats.Total) {
                Rare[size_t(C)] = 1;
            }
        }
        const std::array<uint8_t, 256> Drawn = Drawings(P, Class, Rare, Labels);
        for (int C = 0; C < 256; ++C)
            if (Drawn[size_t(C)]) {
                Class[size_t(C)] = pcWeak;
                OtherLines = true;
            }
    }
    for (size_t I = 0; I < N; ++I)
        if (Labels[I] == Unset && (Class[P.Pixels[I]] == pcBorder || Class[P.Pixels[I]] == pcWeak))
            Labels[I] = Line;

    // Regions: 4-connected pixels of one class, lines between them.
    std::vector<TComponentInfo> Info(1); // 0: void
    Info[0].Area = INT64_MAX / 4;
    std::vector<uint32_t> Stack;
    for (size_t I = 0; I < N; ++I) {
        if (Labels[I] != Unset)
            continue;
        const int32_t Id = int32_t(Info.size());
        const uint8_t K = Class[P.Pixels[I]];
        Info.emplace_back();
        Labels[I] = Id;
        Stack.push_back(uint32_t(I));
        int64_t Area = 0;
        while (!Stack.empty()) {
            const uint32_t J = Stack.back();
            Stack.pop_back();
            ++Area;
            const auto Try = [&](uint32_t M) {
                if (Labels[M] == Unset && Class[P.Pixels[M]] == K) {
                    Labels[M] = Id;
                    Stack.push_back(M);
                }
            };
            ForEachNeighbor(J, W, H, Try);
        }
        (K == pcSea ? Info.back().Sea : Info.back().Land) = Area;
    }
    if (!Control.GoOn(35))
        return false;
    SplitLines(W, H, Labels, Info);
    for (int32_t L : Labels)
        if (L > Void)
            ++Info[size_t(L)].Area;
    if (!Control.GoOn(45))
        return false;

    std::vector<int32_t> Joined;
    if (OtherLines)
        Joined = JoinAcrossOtherLines(W, P, Class, Labels, Info);
    std::vector<int32_t> Root = MergeSpecks(W, Labels, Info, Settings.MinArea,
                                            Result.MarginColor >= 0, Result.MergedSpecks);
    if (OtherLines)
        for (size_t I = 0; I < Root.size(); ++I)
            Root[I] = Root[size_t(Joined[I])];
    // Ids in order of the regions' first pixels.
    std::vector<int32_t> Dense(Info.size(), -1);
    Dense[0] = 0;
    int32_t Next = 0;
    for (size_t I = 1; I < Info.size(); ++I) {
        const int32_t R = Root[I];
        if (R != 0 && Dense[size_t(R)] < 0) {
            Dense[size_t(R)] = ++Next;
            Result.IsSea.push_back(Info[size_t(R)].Sea > Info[size_t(R)].Land);
            Result.Area.push_back(Info[size_t(R)].Area);
        }
    }
    Result.RegionCount = Next;
    for (int32_t& L : Labels)
        if (L >= Void)
            L = Dense[size_t(Root[size_t(L)])];
    if (!Control.GoOn(55))
        return false;

    constexpr int32_t G = TTracer::Grid;
    const int64_t C0 = FloorDiv(int64_t(P.Left) + G - 1, G), C1 = FloorDiv(int64_t(P.Left) + W, G);
    const int64_t R0 = FloorDiv(int64_t(P.Top) + G - 1, G), R1 = FloorDiv(int64_t(P.Top) + H, G);
    Result.CellLeft = int32_t(C0 * G);
    Result.CellTop = int32_t(R0 * G);
    Result.Columns = int32_t(std::max<int64_t>(0, C1 - C0));
    Result.Rows = int32_t(std::max<int64_t>(0, R1 - R0));
    Result.Cells.assign(size_t(Result.Columns) * size_t(Result.Rows), 0);
    Result.Own.assign(Result.Cells.size(), 0);
    const size_t OffsetX = size_t(Result.CellLeft - P.Left),
                 OffsetY = size_t(Result.CellTop - P.Top);
    for (int32_t R = 0; R < Result.Rows; ++R)
        for (int32_t C = 0; C < Result.Columns; ++C)
            Result.Cells[size_t(R) * size_t(Result.Columns) + size_t(C)] =
                CellLabel(Labels, size_t(W), OffsetX + size_t(C) * G, OffsetY + size_t(R) * G,
                          Result.Own[size_t(R) * size_t(Result.Columns) + size_t(C)]);
    for (int32_t& L : Labels)
        L = std::max(L, Void);
    Result.Labels = std::move(Labels);
    Result.LabelWidth = W;
    Result.LabelLeft = int32_t(OffsetX);
    Result.LabelTop = int32_t(OffsetY);
    if (!Control.GoOn(65))
        return false;

    std::vector<int64_t> CellCount(size_t(Next) + 1, 0);
    for (int32_t L : Result.Cells)
        ++CellCount[size_t(L)];
    // Each repair may undo the other in rare corners; a few rounds settle it.
    for (int Round = 0; Round < 32; ++Round) {
        const bool Pinched = FillPinches(Result, CellCount);
        const bool Strays = JoinStrayParts(Result, CellCount);
        if (!Pinched && !Strays)
            break;
    }
    return Control.GoOn(70);
}
