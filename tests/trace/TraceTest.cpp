#include "DrawnMaps.h"

#include "mapcheck/MapChecks.h"
#include "platform/Exception.h"
#include "trace/TracedZones.h"
#include "trace/Tracer.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

namespace {

// The region each pixel shows: the first outline in order that holds the pixel's centre,
// as the editor picks the first zone whose region holds a click.
std::vector<int32_t> RegionPixels(const TTracePicture& Picture,
                                  const std::vector<TTracedRegion>& Regions) {
    std::vector<int32_t> Shown(Picture.Pixels.size(), -1);
    for (size_t K = 0; K < Regions.size(); ++K) {
        const auto& O = Regions[K].Outline;
        for (int32_t Y = 0; Y < Picture.Height; ++Y) {
            const double YC = Picture.Top + Y + 0.5;
            std::vector<double> Xs;
            for (size_t I = 0; I < O.size(); ++I) {
                const TPoint A = O[I], B = O[(I + 1) % O.size()];
                if ((A.Y <= YC) != (B.Y <= YC))
                    Xs.push_back(A.X + (YC - A.Y) * (B.X - A.X) / double(B.Y - A.Y));
            }
            std::sort(Xs.begin(), Xs.end());
            for (size_t I = 0; I + 1 < Xs.size(); I += 2)
                for (int32_t X = std::max(0, int32_t(std::ceil(Xs[I] - 0.5)) - Picture.Left);
                     X <
                     std::min(Picture.Width, int32_t(std::ceil(Xs[I + 1] - 0.5)) - Picture.Left);
                     ++X) {
                    int32_t& S = Shown[size_t(Y) * size_t(Picture.Width) + size_t(X)];
                    if (S < 0)
                        S = int32_t(K);
                }
        }
    }
    return Shown;
}

// Each drawn owner's best-matching region and that match's intersection over union.
struct TMatch {
    int32_t Region = -1;
    double IoU = 0;
};
std::vector<TMatch> MatchOwners(const TDrawnMap& M, const std::vector<int32_t>& Shown,
                                size_t Regions) {
    const size_t Owners = M.OwnerIsSea.size();
    std::vector<std::map<int32_t, int64_t>> Overlap(Owners);
    std::vector<int64_t> OwnerArea(Owners, 0), RegionArea(Regions, 0);
    for (size_t I = 0; I < Shown.size(); ++I) {
        ++OwnerArea[size_t(M.Owner[I])];
        if (Shown[I] >= 0) {
            ++RegionArea[size_t(Shown[I])];
            ++Overlap[size_t(M.Owner[I])][Shown[I]];
        }
    }
    std::vector<TMatch> Result(Owners);
    for (size_t O = 0; O < Owners; ++O)
        for (const auto& [R, Both] : Overlap[O]) {
            const double IoU = double(Both) / double(OwnerArea[O] + RegionArea[size_t(R)] - Both);
            if (IoU > Result[O].IoU)
                Result[O] = {R, IoU};
        }
    return Result;
}

std::vector<std::string> FindingLines(TZoneSpriteSurface& Surface) {
    std::vector<std::string> Lines;
    for (const TFinding& F : CheckMapSet(Surface))
        Lines.push_back(FormatFinding(F));
    return Lines;
}

TEST(TraceDrawnMap, RegionsMatchTheDrawingShareBordersExactlyAndPassTheChecks) {
    // Seas in the right-hand column (two shades, lines between the sea zones), an island in
    // the first, a lake in territory 6, a river across, labels and icons everywhere.
    const TDrawnMap M = drawn::DrawMap(1200, 900, 5, 4, 7, {4, 9, 14, 19}, 6);
    TTraceSettings Settings;
    Settings.BorderColors = M.BorderColors;
    Settings.SeaColors = M.SeaColors;
    TTracer Tracer(M.Picture, Settings);
    const std::vector<TTracedRegion>& Regions = Tracer.Regions();
    ASSERT_EQ(Regions.size(), M.OwnerIsSea.size());
    EXPECT_EQ(Tracer.Summary().Sea, 5);          // four seas and the lake
    EXPECT_GT(Tracer.Summary().MergedSpecks, 0); // the insides of the letters

    const std::vector<int32_t> Shown = RegionPixels(M.Picture, Regions);
    const std::vector<TMatch> Match = MatchOwners(M, Shown, Regions.size());
    std::set<int32_t> Matched;
    for (size_t O = 0; O < Match.size(); ++O) {
        EXPECT_GE(Match[O].IoU, 0.95) << "owner " << O;
        ASSERT_GE(Match[O].Region, 0);
        EXPECT_EQ(Regions[size_t(Match[O].Region)].IsSea, M.OwnerIsSea[O] != 0) << "owner " << O;
        Matched.insert(Match[O].Region);
        for (const TPoint& P : Regions[size_t(Match[O].Region)].Outline)
            ASSERT_TRUE(P.X % 5 == 0 && P.Y % 5 == 0);
    }
    EXPECT_EQ(Matched.size(), Regions.size());

    TZoneSpriteSurface Surface;
    EXPECT_EQ(AddTracedZones(Surface, Regions), int32_t(Regions.size()));
    Surface.BuildNeighbors();
    EXPECT_EQ(FindingLines(Surface), std::vector<std::string>{});
    // Neighbours (by identical edges, or by the link of an enclosed region) are exactly the
    // drawn owners that meet; borders of a few pixels may fold into a grid corner.
    std::vector<int32_t> OwnerOf(Regions.size());
    for (size_t O = 0; O < Match.size(); ++O)
        OwnerOf[size_t(Match[O].Region)] = int32_t(O);
    std::set<std::pair<int32_t, int32_t>> Traced;
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I)
        for (int32_t K = 0; K < Surface.Zone(I)->NeighborCount(); ++K)
            drawn::Pair(Traced, OwnerOf[size_t(I)],
                        OwnerOf[size_t(Surface.Zone(I)->Neighbor(K)->Index())]);
    for (const auto& Pair : M.Touching)
        EXPECT_TRUE(Traced.count(Pair))
            << Pair.first << " and " << Pair.second << " lost their border";
    for (const auto& Pair : Traced)
        EXPECT_TRUE(M.Meeting.count(Pair))
            << Pair.first << " and " << Pair.second << " do not meet";
    // A click on the island or the lake (drawn as discs) selects it, not the zone around it.
    for (int32_t O : {20, 21}) {
        int64_t X = 0, Y = 0, N = 0;
        for (size_t I = 0; I < M.Owner.size(); ++I)
            if (M.Owner[I] == O) {
                X += int64_t(I % 1200);
                Y += int64_t(I / 1200);
                ++N;
            }
        const TPoint Centre{int32_t(X / N), int32_t(Y / N)};
        EXPECT_EQ(Tracer.RegionAt(Centre), Match[size_t(O)].Region);
        EXPECT_EQ(Shown[size_t(Centre.Y) * 1200 + size_t(Centre.X)], Match[size_t(O)].Region);
    }

    // Asked one region at a time, in another order, a second trace gives the same outlines.
    TTracer Again(M.Picture, Settings);
    for (int32_t O = int32_t(Match.size()) - 1; O >= 0; --O) {
        const size_t I = size_t(std::find(M.Owner.begin(), M.Owner.end(), O) - M.Owner.begin());
        const int32_t R = Again.RegionAt({int32_t(I % 1200), int32_t(I / 1200)});
        ASSERT_GE(R, 0);
        EXPECT_EQ(Again.Regions()[size_t(R)].Outline, Regions[size_t(R)].Outline);
    }
}

TEST(TraceDrawnMap, FindsTheBorderColoursAndLeavesAPlainMarginOut) {
    // The map drawn inside a margin of one plain colour, off the 5-pixel grid.
    const TDrawnMap Inner = drawn::DrawMap(600, 450, 4, 3, 11, {3, 7}, -1, false);
    TTracePicture Picture;
    Picture.Left = 3;
    Picture.Top = 7;
    Picture.Width = 680;
    Picture.Height = 530;
    Picture.Pixels.assign(size_t(680 * 530), 90);
    for (int32_t Y = 0; Y < 450; ++Y)
        std::copy_n(Inner.Picture.Pixels.begin() + Y * 600, 600,
                    Picture.Pixels.begin() + (Y + 40) * 680 + 40);
    // A title on the margin, framed: no part of the map.
    for (int32_t Y = 8; Y < 32; ++Y)
        for (int32_t X = 200; X < 400; ++X)
            Picture.Pixels[size_t(Y * 680 + X)] =
                Y == 8 || Y == 31 || X == 200 || X == 399 ? drawn::Line : drawn::Lands[0];
    TTraceSettings Settings;
    Settings.SeaColors = Inner.SeaColors;
    TTracer Tracer(Picture, Settings);
    std::atomic<bool> Cancel = false;
    int32_t Last = -1;
    EXPECT_TRUE(Tracer.Run(
        [&Last](int32_t P) {
            EXPECT_GE(P, Last);
            Last = P;
        },
        &Cancel));
    EXPECT_EQ(Last, 100);
    const TTraceSummary& S = Tracer.Summary();
    EXPECT_EQ(S.BorderColors, Inner.BorderColors);
    EXPECT_EQ(S.MarginColor, 90);
    EXPECT_EQ(S.Regions, int32_t(std::set<int32_t>(Inner.Owner.begin(), Inner.Owner.end()).size()));
    for (const TTracedRegion& R : Tracer.Regions())
        for (const TPoint& P : R.Outline) {
            // The map lies at [43, 643) x [47, 497); a vertex is a grid step from it at most.
            ASSERT_GE(P.X, 43 - 5);
            ASSERT_LE(P.X, 643 + 5);
            ASSERT_GE(P.Y, 47 - 5);
            ASSERT_LE(P.Y, 497 + 5);
        }
    EXPECT_EQ(Tracer.RegionAt({10, 10}), -1);

    TTracer Cancelled(Picture, Settings);
    Cancel = true;
    EXPECT_FALSE(Cancelled.Run({}, &Cancel));
    EXPECT_FALSE(Cancelled.Traced());
    Settings.Tolerance = -1;
    EXPECT_THROW(TTracer(Picture, Settings), Exception);
}

TEST(TraceDrawnMap, ThinShapesKeepSimpleOutlinesOnTheGrid) {
    // Land over sea: a diagonal territory 7 pixels wide between two others, a spit of land
    // 3 pixels wide into the sea, a channel of sea 4 pixels wide into the land, and a wedge
    // narrowing to a point: shapes the 5-pixel grid folds.
    constexpr int32_t W = 400, H = 300;
    TTracePicture Picture;
    Picture.Width = W;
    Picture.Height = H;
    Picture.Pixels.assign(size_t(W * H), drawn::Lands[0]);
    const auto Put = [&](int32_t X, int32_t Y, uint8_t C) {
        if (X >= 0 && Y >= 0 && X < W && Y < H)
            Picture.Pixels[size_t(Y * W + X)] = C;
    };
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            if (X >= 250)
                Put(X, Y, drawn::SeaA);
            const int32_t D = X - Y; // the diagonal strip between the lines D = 40 and D = 48
            if (X < 250 && D >= 40 && D < 47)
                Put(X, Y, drawn::Lands[1]);
            if (X < 250 && (D == 39 || D == 47))
                Put(X, Y, drawn::Line);
            if (X < 250 && Y == 200 + X / 20) // a line closing the wedge below
                Put(X, Y, drawn::Line);
        }
    for (int32_t X = 250; X < 330; ++X)
        for (int32_t Y = 100; Y < 103; ++Y)
            Put(X, Y, drawn::Lands[0]);
    for (int32_t X = 170; X < 250; ++X)
        for (int32_t Y = 250; Y < 254; ++Y)
            Put(X, Y, drawn::SeaA);
    TTraceSettings Settings;
    Settings.BorderColors = {drawn::Line};
    Settings.SeaColors = {drawn::SeaA};
    TTracer Tracer(Picture, Settings);
    EXPECT_EQ(Tracer.Summary().Regions, 5); // two territories, the strip, the wedge, the sea
    TZoneSpriteSurface Surface;
    AddTracedZones(Surface, Tracer.Regions());
    Surface.BuildNeighbors();
    EXPECT_EQ(FindingLines(Surface), std::vector<std::string>{});
}

TEST(TraceDrawnMap, ARegionsShortBorderMakesNeighboursAMereCornerDoesNot) {
    // Four territories: A | B above, C | D below, the lines between the halves Shift pixels
    // apart, so that B and C share a border that long (none when 0). Placed at every offset
    // from the grid.
    enum { A, B, C, D };
    for (const int32_t Shift : {0, 8, 12})
        for (int32_t Offset = 0; Offset < TTracer::Grid; ++Offset) {
            constexpr int32_t Size = 200;
            const int32_t Middle = 97 + Offset;
            TTracePicture Picture;
            Picture.Width = Picture.Height = Size;
            Picture.Pixels.resize(size_t(Size * Size));
            for (int32_t Y = 0; Y < Size; ++Y)
                for (int32_t X = 0; X < Size; ++X) {
                    const bool Top = Y < Middle;
                    const int32_t Split = Top ? Middle : Middle + Shift;
                    const bool OnLine =
                        Y == Middle || Y == Middle + 1 || X == Split || X == Split + 1;
                    Picture.Pixels[size_t(Y * Size + X)] =
                        OnLine ? drawn::Line : drawn::Lands[(Top ? 0 : 2) + (X > Split ? 1 : 0)];
                }
            TTraceSettings Settings;
            Settings.BorderColors = {drawn::Line};
            TTracer Tracer(Picture, Settings);
            ASSERT_EQ(Tracer.Regions().size(), 4u);
            int32_t Zone[4];
            const TPoint Inside[4] = {{20, 20}, {180, 20}, {20, 180}, {180, 180}};
            for (int K = 0; K < 4; ++K)
                Zone[K] = Tracer.RegionAt(Inside[K]);
            TZoneSpriteSurface Surface;
            AddTracedZones(Surface, Tracer.Regions());
            Surface.BuildNeighbors();
            EXPECT_EQ(FindingLines(Surface), std::vector<std::string>{});
            const auto Neighbours = [&](int P, int Q) {
                return Surface.Zone(Zone[P])->IsAdjacentTo(*Surface.Zone(Zone[Q]));
            };
            EXPECT_TRUE(Neighbours(A, B) && Neighbours(C, D) && Neighbours(A, C) &&
                        Neighbours(B, D));
            EXPECT_EQ(Neighbours(B, C), Shift > 0) << "shift " << Shift << ", offset " << Offset;
            EXPECT_FALSE(Neighbours(A, D)) << "shift " << Shift << ", offset " << Offset;
        }
}

} // namespace
