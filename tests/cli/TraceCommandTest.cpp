// zonewright-cli trace on the sample map set and on bad settings.
#include "CliFixtures.h"
#include "cli/MapSession.h"
#include "support/Scripted.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

namespace {

// The first zone (in the given list order) whose outline holds each pixel's centre.
std::vector<int32_t> ZonePixels(const std::vector<const TZone*>& Zones, int32_t W, int32_t H) {
    std::vector<int32_t> Shown(size_t(W) * size_t(H), -1);
    for (size_t K = 0; K < Zones.size(); ++K) {
        const TZone& Z = *Zones[K];
        for (int32_t Y = 0; Y < H; ++Y) {
            const double YC = Y + 0.5;
            std::vector<double> Xs;
            for (int32_t I = 0; I < Z.PointCount(); ++I) {
                const TPoint A = Z.Point(I), B = Z.Point((I + 1) % Z.PointCount());
                if ((A.Y <= YC) != (B.Y <= YC))
                    Xs.push_back(A.X + (YC - A.Y) * (B.X - A.X) / double(B.Y - A.Y));
            }
            std::sort(Xs.begin(), Xs.end());
            for (size_t I = 0; I + 1 < Xs.size(); I += 2)
                for (int32_t X = std::max(0, int32_t(std::ceil(Xs[I] - 0.5)));
                     X < std::min(W, int32_t(std::ceil(Xs[I + 1] - 0.5))); ++X) {
                    int32_t& S = Shown[size_t(Y) * size_t(W) + size_t(X)];
                    if (S < 0)
                        S = int32_t(K);
                }
        }
    }
    return Shown;
}

std::vector<const TZone*> ZonesOf(TZoneSpriteSurface& S, bool Sea) {
    std::vector<const TZone*> Zones;
    for (int32_t I = 0; I < S.ZoneCount(); ++I)
        if ((S.Zone(I)->IsSea() != 0) == Sea)
            Zones.push_back(S.Zone(I));
    return Zones;
}

TEST(TraceCommand, TheSampleArtGivesBackTheSampleLandZonesAndItsSeas) {
    TempDir Dir;
    for (const char* Name : {"sample.mapset", "sample-west.bmp", "sample-east.bmp"})
        std::filesystem::copy_file(std::string(ZW_SAMPLE_DIR) + "/" + Name, Dir.File(Name));
    // The settings the README names for the sample: its four sea colours.
    const TToolRun Run = RunTool(
        {"trace", Dir.File("sample.mapset"), Dir.File("traced.mapset"), "--sea", "10,11,12,13"});
    ASSERT_EQ(Run.Status, 0) << Run.Out << Run.Err;
    EXPECT_NE(Run.Out.find("land: 27\n"), std::string::npos) << Run.Out;
    const TToolRun Check = RunTool({"check", Dir.File("traced.mapset")});
    EXPECT_EQ(Check.Status, 0) << Check.Out;

    TMapSession Sample, Traced;
    TFinding Error;
    ASSERT_TRUE(Sample.Load(Dir.File("sample.mapset"), Error)) << Error.Message;
    ASSERT_TRUE(Traced.Load(Dir.File("traced.mapset"), Error)) << Error.Message;
    const int32_t W = Sample.Surface().VirtualWidth(), H = Sample.Surface().VirtualHeight();
    const std::vector<const TZone*> Land = ZonesOf(Sample.Surface(), false);
    const std::vector<const TZone*> TracedLand = ZonesOf(Traced.Surface(), false);
    ASSERT_EQ(TracedLand.size(), Land.size());
    std::vector<const TZone*> TracedAll;
    for (int32_t I = 0; I < Traced.Surface().ZoneCount(); ++I)
        TracedAll.push_back(Traced.Surface().Zone(I));
    const std::vector<int32_t> Truth = ZonePixels(Land, W, H);
    const std::vector<int32_t> Shown = ZonePixels(TracedAll, W, H);

    // Each sample land zone against the traced zone that shows most of it.
    std::vector<std::map<int32_t, int64_t>> Overlap(Land.size());
    std::vector<int64_t> TruthArea(Land.size()), ShownArea(TracedAll.size());
    int64_t SeaPixels = 0, SeaShownAsSea = 0;
    for (size_t I = 0; I < Truth.size(); ++I) {
        if (Shown[I] >= 0)
            ++ShownArea[size_t(Shown[I])];
        if (Truth[I] >= 0) {
            ++TruthArea[size_t(Truth[I])];
            if (Shown[I] >= 0)
                ++Overlap[size_t(Truth[I])][Shown[I]];
        } else {
            ++SeaPixels;
            SeaShownAsSea += Shown[I] >= 0 && TracedAll[size_t(Shown[I])]->IsSea() != 0;
        }
    }
    std::vector<const TZone*> MatchOf(Land.size());
    std::set<const TZone*> Used;
    for (size_t K = 0; K < Land.size(); ++K) {
        int32_t Best = -1;
        for (const auto& [Z, Both] : Overlap[K])
            if (Best < 0 || Both > Overlap[K][Best])
                Best = Z;
        ASSERT_GE(Best, 0);
        const int64_t Both = Overlap[K][Best];
        const double IoU = double(Both) / double(TruthArea[K] + ShownArea[size_t(Best)] - Both);
        EXPECT_GE(IoU, 0.95) << Land[K]->Name();
        MatchOf[K] = TracedAll[size_t(Best)];
        EXPECT_EQ(MatchOf[K]->IsSea(), 0) << Land[K]->Name();
        Used.insert(MatchOf[K]);
    }
    EXPECT_EQ(Used.size(), Land.size());
    for (size_t A = 0; A < Land.size(); ++A)
        for (size_t B = A + 1; B < Land.size(); ++B)
            EXPECT_EQ(MatchOf[A]->IsAdjacentTo(*MatchOf[B]), Land[A]->IsAdjacentTo(*Land[B]))
                << Land[A]->Name() << " and " << Land[B]->Name();
    EXPECT_GE(double(SeaShownAsSea), 0.97 * double(SeaPixels));
}

TEST(TraceCommand, BadSettingsEndWithStatusTwoAndAMessage) {
    TempDir Dir;
    WriteBitmap(Dir.File("hills.bmp"), 200, 150, 100, 40, 128, 32);
    WriteMapSet(Dir.File("m.mapset"), {"Bitmap=hills.bmp", "Element=hills.bmp:0,0"});
    for (const std::vector<std::string>& Option : std::vector<std::vector<std::string>>{
             {"--border", "3,256"}, {"--sea", "x"}, {"--tolerance", "-1"}, {"--min-area", "-5"}}) {
        std::vector<std::string> Arguments{"trace", Dir.File("m.mapset"), Dir.File("out.mapset")};
        Arguments.insert(Arguments.end(), Option.begin(), Option.end());
        const TToolRun Run = RunTool(Arguments);
        EXPECT_EQ(Run.Status, 2) << Option[0];
        EXPECT_NE(Run.Err.find(Option[0]), std::string::npos) << Run.Err;
        EXPECT_FALSE(std::filesystem::exists(Dir.File("out.mapset")));
    }
    // A plain picture is one region, land, as one zone over the whole bitmap.
    const TToolRun Run = RunTool({"trace", Dir.File("m.mapset"), Dir.File("out.mapset")});
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_NE(Run.Out.find("regions: 1\nland: 1\nsea: 0\n"), std::string::npos) << Run.Out;
    EXPECT_NE(ReadFile(Dir.File("out.mapset")).find("Zone=0,0,200,0,200,150,0,150,;Land1;0;"),
              std::string::npos);
}

} // namespace
