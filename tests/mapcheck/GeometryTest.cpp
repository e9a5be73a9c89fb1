#include "mapcheck/Geometry.h"
#include "mapcheck/MapChecks.h"
#include "zonemap/Zone.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

// A row's name as a test name: anything but letters and digits becomes "_".
std::string TestName(std::string Name) {
    for (char& C : Name)
        if (!std::isalnum(static_cast<unsigned char>(C)))
            C = '_';
    return Name;
}

struct TOutlineCase {
    const char* Name;
    std::vector<TPoint> Points;
    bool Intersects;
    int32_t Edge1, Edge2;
};

class SelfIntersection : public ::testing::TestWithParam<TOutlineCase> {};

TEST_P(SelfIntersection, FindsTheFirstPairOfEdgesThatMeet) {
    const TOutlineCase& C = GetParam();
    TEdgePair Pair;
    ASSERT_EQ(FindSelfIntersection(C.Points, Pair), C.Intersects) << C.Name;
    if (C.Intersects) {
        EXPECT_EQ(Pair.Edge1, C.Edge1) << C.Name;
        EXPECT_EQ(Pair.Edge2, C.Edge2) << C.Name;
    }
}

constexpr int32_t Max = std::numeric_limits<int32_t>::max();
constexpr int32_t Min = std::numeric_limits<int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Outlines, SelfIntersection,
    ::testing::Values(
        TOutlineCase{"square", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, false, 0, 0},
        TOutlineCase{"bow tie", {{0, 0}, {10, 10}, {10, 0}, {0, 10}}, true, 0, 2},
        TOutlineCase{
            "concave but simple", {{0, 0}, {10, 0}, {5, 5}, {10, 10}, {0, 10}}, false, 0, 0},
        // Two lobes meeting in one vertex: the outline touches itself.
        TOutlineCase{"figure of eight at a vertex",
                     {{0, 0}, {10, 10}, {20, 0}, {20, 20}, {10, 10}, {0, 20}},
                     true,
                     0,
                     3},
        // A vertex placed on a non-adjacent edge.
        TOutlineCase{
            "vertex on an edge", {{0, 0}, {20, 0}, {20, 10}, {10, 0}, {0, 10}}, true, 0, 2},
        // Consecutive edges running back over each other.
        TOutlineCase{"spike folding back", {{0, 0}, {10, 0}, {10, 10}, {10, 5}}, true, 1, 2},
        TOutlineCase{"spike back over an earlier edge",
                     {{0, 0}, {10, 0}, {10, 10}, {10, 20}, {10, 5}, {0, 10}},
                     true,
                     1,
                     3},
        TOutlineCase{"all points on one line", {{0, 0}, {10, 0}, {5, 0}}, true, 0, 1},
        // Repeated points (the editor's snapping can make them) are not crossings.
        TOutlineCase{
            "repeated points", {{0, 0}, {0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}, false, 0, 0},
        // Near the ends of the 32-bit range products need more than 64 bits.
        TOutlineCase{"huge bow tie", {{Min, Min}, {Max, Max}, {Max, Min}, {Min, Max}}, true, 0, 2},
        TOutlineCase{"huge square", {{Min, Min}, {Max, Min}, {Max, Max}, {Min, Max}}, false, 0, 0}),
    [](const auto& Info) { return TestName(Info.param.Name); });

TEST(DistinctCorners, DropsRepeatsIncludingTheClosingOne) {
    EXPECT_EQ(DistinctCornerCount({{0, 0}, {0, 0}, {5, 5}, {0, 0}}), 2);
    EXPECT_EQ(DistinctCornerCount({{0, 0}, {5, 0}, {0, 5}}), 3);
    EXPECT_EQ(DistinctCornerCount({}), 0);
}

// Zones made from their text, as the loader makes them, without a surface.
class Zones {
public:
    TZone* Add(const std::string& Text) {
        FOwned.push_back(std::make_unique<TZone>(nullptr, Text));
        FList.push_back(FOwned.back().get());
        return FList.back();
    }
    const std::vector<TZone*>& List() const { return FList; }

private:
    std::vector<std::unique_ptr<TZone>> FOwned;
    std::vector<TZone*> FList;
};

struct TOverlapCase {
    const char* Name;
    std::vector<std::string> Zones;
    std::vector<std::pair<int32_t, int32_t>> Pairs;
};

class CollinearOverlaps : public ::testing::TestWithParam<TOverlapCase> {};

TEST_P(CollinearOverlaps, PairsZonesWhoseEdgesOverlapWithoutBeingTheSame) {
    Zones Z;
    for (const std::string& T : GetParam().Zones)
        Z.Add(T);
    EXPECT_EQ(FindCollinearOverlaps(Z.List()), GetParam().Pairs) << GetParam().Name;
}

INSTANTIATE_TEST_SUITE_P(
    Borders, CollinearOverlaps,
    ::testing::Values(
        TOverlapCase{"shared identical edge", {"0,0,10,0,10,10,0,10", "10,0,20,0,20,10,10,10"}, {}},
        TOverlapCase{"border split by an extra vertex",
                     {"0,0,10,0,10,10,0,10", "10,0,20,0,20,10,10,10,10,5"},
                     {{0, 1}}},
        TOverlapCase{"shorter side along a longer one",
                     {"0,0,10,0,10,20,0,20", "10,5,20,5,20,15,10,15"},
                     {{0, 1}}},
        TOverlapCase{
            "touching at a corner only", {"0,0,10,0,10,10,0,10", "10,10,20,10,20,20,10,20"}, {}},
        TOverlapCase{"in line end to end", {"0,0,10,0,10,10,0,10", "0,10,0,20,10,20,10,10"}, {}},
        TOverlapCase{"parallel apart", {"0,0,10,0,10,10,0,10", "11,0,20,0,20,10,11,10"}, {}},
        TOverlapCase{"diagonal shared edge and a line beyond",
                     {"0,0,10,10,0,10", "0,0,20,0,20,20,10,10"},
                     {}},
        TOverlapCase{
            "diagonal partly overlapping", {"0,0,10,10,0,10", "5,5,20,0,20,20,15,15"}, {{0, 1}}},
        TOverlapCase{"three zones on one line",
                     {"0,0,30,0,30,10,0,10", "0,-10,10,-10,10,0,0,0", "10,-10,30,-10,30,0,10,0"},
                     {{0, 1}, {0, 2}}},
        // Copies of one edge make no pair among themselves, but each copy pairs with a zone
        // whose edge overlaps it.
        TOverlapCase{"three copies of a triangle and a longer side",
                     {"0,0,10,0,0,10", "0,0,10,0,0,10", "0,0,10,0,0,10", "0,0,20,0,0,-10"},
                     {{0, 3}, {1, 3}, {2, 3}}},
        TOverlapCase{"one zone folding along a line", {"0,0,50,0,1,0,51,0,2,0,52,0"}, {}}),
    [](const auto& Info) { return TestName(Info.param.Name); });

// Many short and long edges on few lines, checked against every pair of edges: the search
// narrows edges down by line and by place along it before it compares them.
TEST(CollinearOverlaps, AgreeWithEveryPairOfEdgesOnCrowdedLines) {
    uint32_t State = 12345;
    const auto Next = [&State](int32_t Range) {
        State = State * 1103515245u + 12345u;
        return int32_t((State >> 8) % uint32_t(Range));
    };
    Zones Z;
    for (int I = 0; I < 300; ++I) {
        // Corners on a coarse lattice, some far apart, so edges share lines and cells often.
        std::string Text;
        const int32_t Step = Next(3) == 0 ? 200 : 8;
        const int32_t X = Next(40) * 8, Y = Next(40) * 8;
        const int32_t Corners[3][2] = {
            {X, Y}, {X + Step * (1 + Next(3)), Y}, {X + Step * Next(3), Y + Step * (1 + Next(2))}};
        for (const auto& C : Corners)
            Text += std::to_string(C[0]) + "," + std::to_string(C[1]) + ",";
        Z.Add(Text + ";Z" + std::to_string(I) + ";0;");
    }
    __extension__ typedef __int128 TWide;
    const auto Overlap = [](const TEdge& E, const TEdge& F) {
        const int64_t DX = E.X2 - E.X1, DY = E.Y2 - E.Y1;
        const auto Cross = [&](int32_t X, int32_t Y) {
            return DX * (int64_t(Y) - E.Y1) - DY * (int64_t(X) - E.X1);
        };
        if ((DX == 0 && DY == 0) || Cross(F.X1, F.Y1) != 0 || Cross(F.X2, F.Y2) != 0 ||
            SameEdge(E, F))
            return false;
        const auto Along = [&](int32_t X, int32_t Y) {
            return TWide(DX) * (X - E.X1) + TWide(DY) * (Y - E.Y1);
        };
        const TWide Length = TWide(DX) * DX + TWide(DY) * DY;
        const TWide A = Along(F.X1, F.Y1), B = Along(F.X2, F.Y2);
        return std::min(Length, std::max(A, B)) > std::max(TWide(0), std::min(A, B));
    };
    std::vector<std::pair<int32_t, int32_t>> Expected;
    const std::vector<TZone*>& L = Z.List();
    for (int32_t A = 0; A < int32_t(L.size()); ++A)
        for (int32_t B = A + 1; B < int32_t(L.size()); ++B) {
            bool Found = false;
            for (int32_t E = 0; E < L[size_t(A)]->PointCount() && !Found; ++E)
                for (int32_t F = 0; F < L[size_t(B)]->PointCount() && !Found; ++F)
                    Found = Overlap(L[size_t(A)]->Edge(E), L[size_t(B)]->Edge(F));
            if (Found)
                Expected.emplace_back(A, B);
        }
    ASSERT_GT(Expected.size(), 20u);
    EXPECT_EQ(FindCollinearOverlaps(L), Expected);
}

TEST(SplitBorders, SkipsPairsThatShareAnIdenticalEdgeElsewhere) {
    Zones Z;
    // Left sides identical; the right part of the bottom border is split on one side only.
    Z.Add("0,0,10,0,10,10,20,10,20,20,0,20;A;0;");
    Z.Add("0,20,20,20,20,30,0,30;B;0;");
    Z.Add("0,20,10,20,20,20,20,30;C;0;");
    std::vector<TFinding> Findings;
    CheckSplitBorders(Z.List(), Findings);
    ASSERT_EQ(Findings.size(), 1u);
    EXPECT_EQ(Findings[0].Kind, "split-border");
    EXPECT_EQ(Findings[0].Zones, (std::vector<TZoneRef>{{0, "A"}, {2, "C"}}));
}

TEST(NameChecks, ReportEveryUnnamedZoneAndEachRepeatedNameOnce) {
    Zones Z;
    Z.Add("0,0,1,0,1,1;Land1;0;");
    Z.Add("0,0,1,0,1,1");
    Z.Add("0,0,1,0,1,1;land1;0;");
    Z.Add("0,0,1,0,1,1;Land1;0;");
    Z.Add("0,0,1,0,1,1;Sea1;1;");
    Z.Add("0,0,1,0,1,1");
    Z.Add("0,0,1,0,1,1;Sea1;1;")->SetName("Sea1");
    Z.List()[4]->SetName("Se;a");
    std::vector<TFinding> Findings;
    CheckNames(Z.List(), Findings);
    ASSERT_EQ(Findings.size(), 4u);
    EXPECT_EQ(Findings[0].Kind, "unnamed-zone");
    EXPECT_EQ(Findings[0].Zones, (std::vector<TZoneRef>{{1, ""}}));
    EXPECT_EQ(Findings[1].Zones, (std::vector<TZoneRef>{{5, ""}}));
    // Names compare case-sensitively: land1 is not Land1.
    EXPECT_EQ(Findings[2].Kind, "duplicate-name");
    EXPECT_EQ(Findings[2].Zones, (std::vector<TZoneRef>{{0, "Land1"}, {3, "Land1"}}));
    EXPECT_EQ(Findings[3].Kind, "forbidden-character");
    EXPECT_EQ(Findings[3].Zones, (std::vector<TZoneRef>{{4, "Se;a"}}));
}

TEST(OutlineChecks, ReportFewPointsBeforeCrossings) {
    Zones Z;
    Z.Add("0,0,10,0;Two;0;");
    Z.Add("0,0,10,10,10,0,0,10;Bow;0;");
    Z.Add("0,0,10,0,10,0,0,0;Flat;0;");
    Z.Add("0,0,10,0,10,10;Fine;0;");
    std::vector<TFinding> Findings;
    CheckOutlines(Z.List(), Findings);
    ASSERT_EQ(Findings.size(), 3u);
    EXPECT_EQ(Findings[0].Kind, "too-few-points");
    EXPECT_EQ(Findings[0].Zones[0].Number, 0);
    EXPECT_EQ(Findings[1].Kind, "too-few-points");
    EXPECT_EQ(Findings[1].Message, "has 4 points but only 2 distinct; a zone needs at least 3");
    EXPECT_EQ(Findings[2].Kind, "self-intersection");
    EXPECT_EQ(Findings[2].Zones[0].Number, 1);
}

} // namespace

namespace {

// The sweep must agree with the exhaustive search on outlines full of the degenerate cases
// (shared corners, collinear edges, vertical edges, spikes): small random ones on a 5 x 5
// grid.
TEST(SelfIntersectionSweep, AgreesWithTheExhaustiveSearch) {
    uint32_t State = 2024;
    const auto Next = [&State](int Range) {
        State = State * 1103515245u + 12345u;
        return int32_t((State >> 16) % uint32_t(Range));
    };
    int Meeting = 0;
    for (int Round = 0; Round < 20000; ++Round) {
        std::vector<TPoint> Points(size_t(3 + Next(6)));
        for (TPoint& P : Points)
            P = {Next(5), Next(5)};
        TEdgePair Exhaustive, Swept;
        const bool Expected = FindSelfIntersection(Points, Exhaustive);
        ASSERT_EQ(SweepSelfIntersection(Points, Swept), Expected) << "round " << Round;
        if (!Expected)
            continue;
        ++Meeting;
    }
    EXPECT_GT(Meeting, 1000);
    EXPECT_LT(Meeting, 20000);
}

} // namespace

namespace {

// The cells the search files edges in must not change the pair found: the lowest, as
// comparing every pair of edges gives it. Random outlines small and dense (every
// degenerate case), large and sparse, and with long edges across many cells.
TEST(SelfIntersectionSearch, FindsTheLowestPairAsComparingEveryPairDoes) {
    struct TShape {
        int MinPoints, MorePoints, Range, LongEvery;
    };
    const TShape Shapes[] = {
        {3, 6, 5, 0}, {20, 80, 40, 0}, {100, 200, 100000, 0}, {50, 50, 300, 3}};
    uint32_t State = 77;
    const auto Next = [&State](int Range) {
        State = State * 1103515245u + 12345u;
        return int32_t((State >> 8) % uint32_t(Range));
    };
    for (const TShape& Shape : Shapes) {
        int Meeting = 0;
        for (int Round = 0; Round < 1000; ++Round) {
            std::vector<TPoint> Points(size_t(Shape.MinPoints + Next(Shape.MorePoints)));
            for (size_t I = 0; I < Points.size(); ++I)
                Points[I] = Shape.LongEvery > 0 && I % size_t(Shape.LongEvery) == 0
                                ? TPoint{Next(2) * 100000, Next(100000)}
                                : TPoint{Next(Shape.Range), Next(Shape.Range)};
            TEdgePair Found, Lowest;
            const bool Expected = FindLowestSelfIntersectionPairwise(Points, Lowest);
            ASSERT_EQ(FindSelfIntersection(Points, Found), Expected) << Shape.Range << " " << Round;
            if (!Expected)
                continue;
            ++Meeting;
            ASSERT_EQ(Found.Edge1, Lowest.Edge1) << Shape.Range << " " << Round;
            ASSERT_EQ(Found.Edge2, Lowest.Edge2) << Shape.Range << " " << Round;
        }
        EXPECT_GT(Meeting, 200) << Shape.Range;
    }
}

// Past the exhaustive search's budget the sweep decides: a simple zigzag of 40,000 long
// edges, all overlapping in x, and the same with one corner pulled across its neighbours.
TEST(SelfIntersectionSweep, DecidesLargeOutlines) {
    std::vector<TPoint> Points;
    for (int I = 0; I < 39998; ++I)
        Points.push_back({I % 2 == 0 ? 0 : 100000, I});
    Points.push_back({-10, 39997});
    Points.push_back({-10, 0});
    TEdgePair Pair;
    EXPECT_FALSE(FindSelfIntersection(Points, Pair));
    Points[20001].Y = 19990;
    ASSERT_TRUE(FindSelfIntersection(Points, Pair));
    EXPECT_LT(Pair.Edge1, Pair.Edge2);
    EXPECT_GE(Pair.Edge2, 19990);
    EXPECT_LE(Pair.Edge1, 20001);
}

} // namespace
