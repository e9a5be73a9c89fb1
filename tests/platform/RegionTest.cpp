#include "platform/Region.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

// The region's pixels in a window, row by row, '#' inside.
std::vector<std::string> Raster(const TRegion& R, int Left, int Top, int Width, int Height) {
    std::vector<std::string> rows;
    for (int y = Top; y < Top + Height; ++y) {
        std::string row;
        for (int x = Left; x < Left + Width; ++x)
            row += R.Contains(x, y) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(Region, RectangleHoldsPixelsUpToButNotIncludingItsFarCorner) {
    const TRegion r({{0, 0}, {100, 0}, {100, 80}, {0, 80}});
    EXPECT_FALSE(r.Empty());
    EXPECT_EQ(r.Bounds(), (TRect{0, 0, 100, 80}));
    struct TCase {
        int X, Y;
        bool Inside;
    };
    const TCase cases[] = {{0, 0, true},    {99, 79, true},  {100, 0, false}, {0, 80, false},
                           {-1, 40, false}, {50, -1, false}, {99, 0, true},   {50, 40, true}};
    for (const TCase& c : cases)
        EXPECT_EQ(r.Contains(c.X, c.Y), c.Inside) << c.X << "," << c.Y;
}

TEST(Region, ConcavePolygonLeavesItsNotchOut) {
    // A U shape: the notch x 2..3, y 0..2 is outside.
    const TRegion r({{0, 0}, {2, 0}, {2, 3}, {4, 3}, {4, 0}, {6, 0}, {6, 5}, {0, 5}});
    const std::vector<std::string> expected = {
        "##..##", "##..##", "##..##", "######", "######",
    };
    EXPECT_EQ(Raster(r, 0, 0, 6, 5), expected);
}

TEST(Region, SelfIntersectingStarHasAnEvenOddHoleInTheMiddle) {
    // A pentagram: the inner pentagon is crossed twice and so lies outside.
    const TRegion star({{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}});
    EXPECT_FALSE(star.Contains(50, 50)); // centre
    EXPECT_TRUE(star.Contains(50, 15));  // top point
    EXPECT_TRUE(star.Contains(10, 37));  // left point
    EXPECT_TRUE(star.Contains(75, 80));  // lower right point
    EXPECT_FALSE(star.Contains(50, 85)); // between the lower points
}

TEST(Region, TriangleEdgesFollowThePixelCentres) {
    // Centres exactly on the diagonal belong to the triangle whose left edge it is, not to
    // the one whose right edge it is, so two triangles sharing it never share a pixel.
    const TRegion below({{0, 0}, {4, 4}, {0, 4}});
    const TRegion above({{0, 0}, {4, 0}, {4, 4}});
    const std::vector<std::string> belowRows = {"....", "#...", "##..", "###."};
    const std::vector<std::string> aboveRows = {"####", ".###", "..##", "...#"};
    EXPECT_EQ(Raster(below, 0, 0, 4, 4), belowRows);
    EXPECT_EQ(Raster(above, 0, 0, 4, 4), aboveRows);
    EXPECT_EQ(below.Bounds(), (TRect{0, 0, 4, 4}));
    // A shallow edge from (0, 0) to (8, 2): x < 4y at the centres.
    const TRegion shallow({{0, 0}, {8, 2}, {0, 2}});
    const std::vector<std::string> shallowRows = {"##......", "######.."};
    EXPECT_EQ(Raster(shallow, 0, 0, 8, 2), shallowRows);
}

TEST(Region, DegeneratePolygonsContainNothing) {
    const std::vector<std::vector<TPoint>> cases = {
        {},
        {{5, 5}},
        {{0, 0}, {10, 10}},
        {{0, 0}, {5, 5}, {10, 10}},         // collinear
        {{0, 0}, {10, 0}, {10, 0}, {0, 0}}, // zero area
    };
    for (const auto& points : cases) {
        const TRegion r(points);
        EXPECT_TRUE(r.Empty()) << points.size();
        EXPECT_EQ(r.Bounds(), TRect{});
        EXPECT_FALSE(r.Contains(0, 0));
        EXPECT_FALSE(r.Contains(5, 5));
    }
    const TRegion none;
    EXPECT_FALSE(none.Contains(0, 0));
}

TEST(Region, CoordinatesNearTheInt32LimitsDoNotOverflow) {
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    const TRegion huge({{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}});
    EXPECT_TRUE(huge.Contains(0, 0));
    EXPECT_TRUE(huge.Contains(lo, lo));
    EXPECT_TRUE(huge.Contains(hi - 1, hi - 1));
    EXPECT_FALSE(huge.Contains(hi, 0));

    const TRegion sliver({{lo, lo}, {hi, hi}, {lo, hi}});
    EXPECT_TRUE(sliver.Contains(-10, 10));
    EXPECT_FALSE(sliver.Contains(10, -10));
}

TEST(Region, CopiesAnswerAsTheOriginalAfterItGoes) {
    const std::vector<TPoint> star = {{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
    std::optional<TRegion> owned(star);
    const std::vector<std::string> expected = Raster(*owned, 0, 0, 100, 91);
    TRegion copied(*owned);
    TRegion assigned;
    assigned = *owned;
    TRegion moved{TRegion(*owned)};
    TRegion::TShape shape{{2, 0, 98, 90}, true};
    const TRegion over = TRegion::Over(star.data(), int(star.size()), shape);
    TRegion overCopy;
    overCopy = over;
    owned.reset(); // and its points with it
    for (const TRegion* r :
         std::initializer_list<const TRegion*>{&copied, &assigned, &moved, &over, &overCopy})
        EXPECT_EQ(Raster(*r, 0, 0, 100, 91), expected);

    shape.HasArea = false;
    EXPECT_TRUE(TRegion::Over(star.data(), int(star.size()), shape).Empty());
}
