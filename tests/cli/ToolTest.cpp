// The built tool run as a process on map sets made here.
#include "CliFixtures.h"
#include "cli/MapSession.h"
#include "mapcheck/Finding.h"
#include "support/Scripted.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>

namespace {

// The land example of the map-set file: one bitmap, two elements, two adjacent zones.
const std::vector<std::string> TwoLands = {
    "Bitmap=hills.bmp",
    "Element=hills.bmp:0,0",
    "Element=hills.bmp:200,0",
    "Zone=0,0,200,0,200,150,0,150,;Land1;0;1#",
    "Zone=200,0,400,0,400,150,200,150,;Land2;0;0#",
};

// Land A beside land B and sea S; S and B beside land D; A and D meet at a corner only.
// E lies apart and is linked to A.
const std::vector<std::string> LandAndSea = {
    "Bitmap=hills.bmp",
    "Element=hills.bmp:0,0",
    "Element=hills.bmp:0,150",
    "Zone=0,0,100,0,100,100,0,100,;A;0;",
    "Zone=100,0,200,0,200,100,100,100,;B;0;",
    "Zone=0,100,100,100,100,200,0,200,;S;1;",
    "Zone=100,100,200,100,200,200,100,200,;D;0;",
    "Zone=300,0,390,0,390,90,300,90,;E;0;",
    "Link=0,4",
};

class Tool : public ::testing::Test {
protected:
    void SetUp() override { WriteBitmap(Dir.File("hills.bmp"), 200, 150, 100, 40, 128, 32); }

    std::string Map(const std::vector<std::string>& Lines, const std::string& Name = "m.mapset") {
        WriteMapSet(Dir.File(Name), Lines);
        return Dir.File(Name);
    }

    // check --json, parsed.
    QJsonObject CheckJson(const std::string& File, int& Status) {
        const TToolRun Run = RunTool({"check", File, "--json"});
        Status = Run.Status;
        QJsonParseError Error;
        const QJsonDocument Doc =
            QJsonDocument::fromJson(QByteArray::fromStdString(Run.Out), &Error);
        EXPECT_EQ(Error.error, QJsonParseError::NoError) << Run.Out;
        return Doc.object();
    }

    TempDir Dir;
};

TEST_F(Tool, CleanMapPassesWithStatusZero) {
    const std::string File = Map(TwoLands);
    const TToolRun Run = RunTool({"check", File});
    EXPECT_EQ(Run.Status, 0) << Run.Out << Run.Err;
    EXPECT_EQ(Run.Out, File + ": 2 zones, no findings\n");
    EXPECT_EQ(Run.Err, "");
    int Status = -1;
    const QJsonObject Json = CheckJson(File, Status);
    EXPECT_EQ(Status, 0);
    EXPECT_EQ(Json["status"].toInt(), 0);
    EXPECT_EQ(Json["zoneCount"].toInt(), 2);
    EXPECT_TRUE(Json["findings"].toArray().isEmpty());
}

struct TFindingCase {
    const char* Kind;
    std::vector<std::string> ExtraLines; // after the two land zones of TwoLands
    std::vector<int> Zones;              // the zones the finding must name
    int Element = -1;
};

class EachFinding : public Tool, public ::testing::WithParamInterface<TFindingCase> {};

TEST_P(EachFinding, IsFoundOnAMapMadeToHaveIt) {
    const TFindingCase& C = GetParam();
    std::vector<std::string> Lines = TwoLands;
    Lines.insert(Lines.end(), C.ExtraLines.begin(), C.ExtraLines.end());
    WriteBitmap(Dir.File("c:d.bmp"), 8, 8, 100, 1, 2, 3);
    const std::string File = Map(Lines);

    int Status = -1;
    const QJsonObject Json = CheckJson(File, Status);
    EXPECT_EQ(Status, 1);
    bool Found = false;
    for (const QJsonValue& V : Json["findings"].toArray()) {
        const QJsonObject F = V.toObject();
        if (F["kind"].toString() != QLatin1String(C.Kind))
            continue;
        std::vector<int> Zones;
        for (const QJsonValue& Z : F["zones"].toArray())
            Zones.push_back(Z.toObject()["number"].toInt());
        const int Element = F.contains("element") ? F["element"].toObject()["index"].toInt() : -1;
        Found = Found || (Zones == C.Zones && Element == C.Element);
    }
    EXPECT_TRUE(Found) << C.Kind << "\n" << QJsonDocument(Json).toJson().toStdString();

    // The text form names the same kind.
    const TToolRun Text = RunTool({"check", File});
    EXPECT_EQ(Text.Status, 1);
    EXPECT_NE(Text.Out.find(std::string(C.Kind) + ": "), std::string::npos) << Text.Out;
}

INSTANTIATE_TEST_SUITE_P(
    Check, EachFinding,
    ::testing::Values(
        TFindingCase{"unnamed-zone", {"Zone=400,0,400,150,600,150"}, {2}},
        TFindingCase{"duplicate-name", {"Zone=0,150,200,150,200,300,0,300,;Land1;0;"}, {0, 2}},
        TFindingCase{"forbidden-character", {"Bitmap=c:d.bmp"}, {}},
        TFindingCase{"long-name",
                     {"Zone=400,0,600,0,600,150,400,150,;" + std::string(256, 'x') + ";0;"},
                     {2}},
        TFindingCase{"too-few-points", {"Zone=10,10,50,10;Two;0;"}, {2}},
        TFindingCase{"self-intersection", {"Zone=0,150,200,300,200,150,0,300,;Bow;0;"}, {2}},
        TFindingCase{"no-neighbor", {"Zone=300,200,350,200,350,250,300,250,;Far;0;"}, {2}},
        // The border x = 200 split by an extra point on the new zone's side.
        TFindingCase{"split-border", {"Zone=200,0,200,75,200,150,100,150,100,0,;Half;0;"}, {1, 2}},
        TFindingCase{"no-grid-points", {"Zone=0,0,80000,0,80000,104000,0,104000,;Huge;0;"}, {2}},
        TFindingCase{"self-link", {"Link=1,1"}, {1}},
        TFindingCase{"redundant-link", {"Link=0,1"}, {0, 1}},
        TFindingCase{"zone-outside-bitmaps", {"Zone=400,0,500,0,500,150,400,150,;Out;0;"}, {2}},
        TFindingCase{"element-off-canvas", {"Element=hills.bmp:-50,10"}, {}, 2}),
    [](const auto& Info) {
        std::string N = Info.param.Kind;
        std::replace(N.begin(), N.end(), '-', '_');
        return N;
    });

struct TLoadCase {
    const char* Name;
    std::vector<std::string> Lines;
    int Line;
    std::string Message;
};

class LoadError : public Tool, public ::testing::WithParamInterface<TLoadCase> {};

TEST_P(LoadError, IsReportedWithItsLineAndStatusTwo) {
    const TLoadCase& C = GetParam();
    const std::string File = Map(C.Lines);
    const TToolRun Run = RunTool({"check", File});
    EXPECT_EQ(Run.Status, 2);
    EXPECT_EQ(Run.Err, File + ":" + std::to_string(C.Line) + ": " + C.Message + "\n");
    int Status = -1;
    const QJsonObject Json = CheckJson(File, Status);
    EXPECT_EQ(Status, 2);
    const QJsonObject F = Json["findings"].toArray().at(0).toObject();
    EXPECT_EQ(F["kind"].toString(), "load-error");
    EXPECT_EQ(F["line"].toInt(), C.Line);
    EXPECT_EQ(F["message"].toString().toStdString(), C.Message);
}

INSTANTIATE_TEST_SUITE_P(
    Check, LoadError,
    ::testing::Values(
        TLoadCase{"LinkBeforeItsZones",
                  {"Bitmap=hills.bmp", "Link=0,1", "Zone=0,0,10,0,10,10;A;0;"},
                  2,
                  "List index out of bounds (0)"},
        TLoadCase{"UnknownBitmapName",
                  {"Bitmap=hills.bmp", "", "Element=dales.bmp:0,0"},
                  3,
                  "List index out of bounds (-1)"},
        // Neighbour fields are resolved after the last line; the Zone line is reported.
        TLoadCase{"BadNeighborNumber",
                  {"Bitmap=hills.bmp", "Zone=0,0,10,0,10,10;A;0;", "Zone=0,0,10,0,10,10;B;0;x#",
                   "Element=hills.bmp:0,0"},
                  3,
                  "'x' is not a valid integer value"},
        TLoadCase{"NeighborOutsideTheList",
                  {"Zone=0,0,10,0,10,10;A;0;7#", "Zone=0,0,10,0,10,10;B;0;"},
                  1,
                  "List index out of bounds (7)"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(Tool, UnreadableFilesEndWithStatusTwo) {
    const TToolRun Missing = RunTool({"check", Dir.File("none.mapset")});
    EXPECT_EQ(Missing.Status, 2);
    EXPECT_EQ(Missing.Err,
              Dir.File("none.mapset") + ": Cannot open file " + Dir.File("none.mapset") + "\n");

    const std::string File = Map({"Bitmap=gone.bmp", "Element=gone.bmp:0,0"});
    const TToolRun NoBitmap = RunTool({"neighbors", File});
    EXPECT_EQ(NoBitmap.Status, 2);
    EXPECT_NE(NoBitmap.Err.find(":1: Cannot open file"), std::string::npos) << NoBitmap.Err;
    EXPECT_EQ(NoBitmap.Out, "");
}

TEST_F(Tool, NeighborsListEachZoneAfterTheRebuild) {
    EXPECT_EQ(RunTool({"neighbors", Map(TwoLands)}).Out, "0\tLand1\tland\t1\n1\tLand2\tland\t0\n");
    // The link partner comes after the adjacent zones; a corner is no border.
    const TToolRun Run = RunTool({"neighbors", Map(LandAndSea)});
    EXPECT_EQ(Run.Status, 0);
    EXPECT_EQ(Run.Out, "0\tA\tland\t1 2 4\n"
                       "1\tB\tland\t0 3\n"
                       "2\tS\tsea\t0 3\n"
                       "3\tD\tland\t1 2\n"
                       "4\tE\tland\t0\n");
}

TEST_F(Tool, PathPrefersLandAndReportsItsCost) {
    const std::string File = Map(LandAndSea);
    const TToolRun Run = RunTool({"path", File, "A", "D"});
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_EQ(Run.Out, "0\tA\n1\tB\n3\tD\ncost\t20\n");
    // By number, through the link.
    EXPECT_EQ(RunTool({"path", File, "3", "4"}).Out, "3\tD\n1\tB\n0\tA\n4\tE\ncost\t30\n");
    EXPECT_EQ(RunTool({"path", File, "S", "S"}).Out, "2\tS\ncost\t0\n");
    // Sea to sea is cheap, a change between land and sea dear.
    EXPECT_EQ(RunTool({"path", File, "S", "E"}).Out, "2\tS\n0\tA\n4\tE\ncost\t1010\n");
}

TEST_F(Tool, PathSaysWhenThereIsNone) {
    std::vector<std::string> Lines = LandAndSea;
    Lines.pop_back(); // no link: E stands alone
    const TToolRun Run = RunTool({"path", Map(Lines), "A", "E"});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(Run.Out, "no path from zone 0 \"A\" to zone 4 \"E\"\n");

    const TToolRun Unknown = RunTool({"path", Map(Lines), "A", "Q"});
    EXPECT_EQ(Unknown.Status, 2);
    EXPECT_NE(Unknown.Err.find("no zone is named or numbered 'Q'"), std::string::npos);
}

TEST_F(Tool, ResaveWritesWhatTheEditorsSaveWrites) {
    // Stale neighbour fields: the rebuild replaces them.
    std::vector<std::string> Lines = LandAndSea;
    Lines[3] = "Zone=0,0,100,0,100,100,0,100,;A;0;3#3#";
    const std::string File = Map(Lines);
    const TToolRun Run = RunTool({"resave", File, Dir.File("out.mapset")});
    ASSERT_EQ(Run.Status, 0) << Run.Err;

    TMapSession Session;
    TFinding Error;
    ASSERT_TRUE(Session.Load(File, Error)) << Error.Message;
    Session.Surface().BuildNeighbors();
    ASSERT_TRUE(Session.Surface().SaveMapSet(Dir.File("editor.mapset")));

    const std::string Saved = ReadFile(Dir.File("out.mapset"));
    EXPECT_EQ(Saved, ReadFile(Dir.File("editor.mapset")));
    EXPECT_NE(Saved.find("Zone=0,0,100,0,100,100,0,100,;A;0;1#2#4#\r\n"), std::string::npos);
    EXPECT_NE(Saved.find("Link=0,4\r\n"), std::string::npos);
    EXPECT_NE(Saved.find("Element=hills.bmp:0,0\r\nElement=hills.bmp:0,150\r\n"),
              std::string::npos);

    // Saving the canonical form again gives the same bytes, overlapping elements in order.
    ASSERT_EQ(RunTool({"resave", Dir.File("out.mapset"), Dir.File("again.mapset")}).Status, 0);
    EXPECT_EQ(ReadFile(Dir.File("again.mapset")), Saved);
}

// A session loaded again from the same name reads the file as it is now.
TEST_F(Tool, ASessionLoadsTheSameFileAgainFromDisk) {
    TMapSession Session;
    TFinding Error;
    ASSERT_TRUE(Session.Load(Map(LandAndSea), Error)) << Error.Message;
    EXPECT_EQ(Session.Surface().ZoneCount(), 5);
    // Without the link and the last zone.
    const std::vector<std::string> Lines(LandAndSea.begin(), LandAndSea.end() - 2);
    ASSERT_TRUE(Session.Load(Map(Lines), Error)) << Error.Message;
    EXPECT_EQ(Session.Surface().ZoneCount(), 4);
}

TEST_F(Tool, RefusedSaveShowsTheMessageAndWritesNothing) {
    std::vector<std::string> Lines = TwoLands;
    Lines[4] = "Zone=200,0,400,0,400,150,200,150";
    const TToolRun Run = RunTool({"resave", Map(Lines), Dir.File("out.mapset")});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(Run.Err, "Zone 1 does not have a name\n");
    EXPECT_FALSE(std::filesystem::exists(Dir.File("out.mapset")));

    const TToolRun NoDir = RunTool({"resave", Map(TwoLands), Dir.File("no/such/dir.mapset")});
    EXPECT_EQ(NoDir.Status, 2);
    EXPECT_EQ(NoDir.Err, "Cannot create file " + Dir.File("no/such/dir.mapset") +
                             ": No such file or directory\n");
}

// Pixels of a rendered picture as RGB.
QRgb At(const QImage& Image, int X, int Y) {
    return Image.pixel(X, Y) & 0xFFFFFF;
}

TEST_F(Tool, RenderDrawsTheWholeCanvasWithOutlines) {
    const std::string File = Map(TwoLands);
    const std::string Png = Dir.File("map.png");
    ASSERT_EQ(RunTool({"render", File, Png}).Status, 0);
    const QImage Image(QString::fromStdString(Png));
    ASSERT_EQ(Image.size(), QSize(400, 150));
    const QRgb Background = qRgb(40, 128, 32) & 0xFFFFFF;
    // Entry 118 is the land outline colour; the bitmap's palette gave it 118,118,118.
    const QRgb Land = qRgb(118, 118, 118) & 0xFFFFFF;
    EXPECT_EQ(At(Image, 100, 75), Background);
    // Outlines 2 pixels inside the vertices: Land1's left side at x = 2, the shared
    // border x = 200 drawn at 198 for Land1 and 202 for Land2.
    for (int X : {2, 198, 202, 398})
        EXPECT_EQ(At(Image, X, 75), Land) << X;
    EXPECT_EQ(At(Image, 200, 75), Background);
    EXPECT_EQ(At(Image, 100, 148), Land);

    ASSERT_EQ(RunTool({"render", File, Png, "--no-zones"}).Status, 0);
    EXPECT_EQ(At(QImage(QString::fromStdString(Png)), 2, 75), Background);
    ASSERT_EQ(RunTool({"render", File, Png, "--no-background"}).Status, 0);
    const QImage Bare(QString::fromStdString(Png));
    EXPECT_EQ(At(Bare, 100, 75), 0u);
    EXPECT_EQ(At(Bare, 2, 75), Land);
}

TEST_F(Tool, RenderHighlightsThePathAndDrawsTheGridTemplate) {
    const std::string File = Map(LandAndSea);
    const std::string Png = Dir.File("map.png");
    ASSERT_EQ(RunTool({"render", File, Png, "--path", "A", "D", "--grid", "50"}).Status, 0);
    const QImage Image(QString::fromStdString(Png));
    ASSERT_EQ(Image.size(), QSize(389, 300)); // widened from 200 to E's outline at x = 388
    const QRgb White = 0xFFFFFF;
    // A, B and D are white; the sea zone S is not on the path.
    EXPECT_EQ(At(Image, 50, 97), White);
    EXPECT_EQ(At(Image, 150, 197), White);
    EXPECT_NE(At(Image, 2, 150), White);
    // Grid rows 50 high; row 0 has verticals at 0, 50, ...; row 1 at 25, 75, ...
    EXPECT_EQ(At(Image, 150, 30), 0u);
    EXPECT_EQ(At(Image, 125, 70), 0u);
    EXPECT_NE(At(Image, 150, 70), 0u);
    EXPECT_EQ(At(Image, 160, 50), 0u);

    std::vector<std::string> Lines = LandAndSea;
    Lines.pop_back();
    const TToolRun NoPath = RunTool({"render", Map(Lines), Png, "--path", "A", "E"});
    EXPECT_EQ(NoPath.Status, 1);
    EXPECT_EQ(NoPath.Out, "no path from zone 0 \"A\" to zone 4 \"E\"\n");
}

TEST_F(Tool, RenderLabelsLandZonesOnly) {
    const std::string Png = Dir.File("map.png");
    ASSERT_EQ(RunTool({"render", Map(LandAndSea), Png, "--no-background"}).Status, 0);
    const QImage Image(QString::fromStdString(Png));
    const auto WhiteIn = [&](int X0, int Y0) {
        int Count = 0;
        for (int Y = Y0; Y < Y0 + 12; ++Y)
            for (int X = X0 + 3; X < X0 + 20; ++X)
                Count += At(Image, X, Y) == 0xFFFFFFu;
        return Count;
    };
    EXPECT_GT(WhiteIn(0, 0), 3);   // " A " at zone A's first point
    EXPECT_EQ(WhiteIn(0, 100), 0); // the sea zone S has no label
}

TEST_F(Tool, HelpAndBadArguments) {
    const TToolRun Help = RunTool({"--help"});
    EXPECT_EQ(Help.Status, 0);
    EXPECT_EQ(Help.Out.rfind("usage: zonewright-cli COMMAND", 0), 0u);
    for (const char* Command : {"check", "neighbors", "path", "resave", "render"}) {
        const TToolRun Run = RunTool({Command, "--help"});
        EXPECT_EQ(Run.Status, 0);
        EXPECT_EQ(Run.Out.rfind(std::string("usage: zonewright-cli ") + Command, 0), 0u);
    }
    const std::vector<std::vector<std::string>> Bad = {
        {},
        {"draw"},
        {"check"},
        {"path", "a.mapset", "A"},
        {"render", Map(TwoLands), Dir.File("x.png"), "--grid", "10"},
        {"check", "a.mapset", "--fast"},
    };
    for (const auto& Arguments : Bad) {
        const TToolRun Run = RunTool(Arguments);
        EXPECT_EQ(Run.Status, 2) << ::testing::PrintToString(Arguments);
        EXPECT_NE(Run.Err.find("zonewright-cli"), std::string::npos) << Run.Err;
    }
    EXPECT_FALSE(std::filesystem::exists(Dir.File("x.png")));
}

// 20,000 standard zones: check must take seconds, not minutes.
TEST_F(Tool, CheckOfTwentyThousandZonesTakesSeconds) {
    WriteBitmap(Dir.File("tile.bmp"), 1000, 1000, 50, 0, 0, 128);
    const std::string File = Map(BrickMap(100, 200, 20, 1000));
    using Clock = std::chrono::steady_clock;
    const auto T0 = Clock::now();
    const TToolRun Check = RunTool({"check", File});
    const auto T1 = Clock::now();
    const TToolRun Resave = RunTool({"resave", File, Dir.File("out.mapset")});
    const auto T2 = Clock::now();
    EXPECT_EQ(Check.Status, 0) << Check.Out.substr(0, 2000);
    EXPECT_EQ(Check.Out, File + ": 20000 zones, no findings\n");
    EXPECT_EQ(Resave.Status, 0) << Resave.Err;
    const double CheckSeconds = std::chrono::duration<double>(T1 - T0).count();
    const double ResaveSeconds = std::chrono::duration<double>(T2 - T1).count();
    std::cout << "check " << CheckSeconds << " s, resave " << ResaveSeconds << " s, ratio "
              << CheckSeconds / ResaveSeconds << "\n";
    RecordProperty("check_seconds", std::to_string(CheckSeconds));
    RecordProperty("resave_seconds", std::to_string(ResaveSeconds));
    EXPECT_LT(CheckSeconds, 60.0);
}

} // namespace

namespace {

// Names are the system's bytes: a map set, its bitmap, its directory and the outputs all
// named with non-ASCII characters.
TEST_F(Tool, NonAsciiFileNamesReachTheFileSystemAsTheyAre) {
    const std::string Sub = Dir.File("地図");
    std::filesystem::create_directory(Sub);
    WriteBitmap(Sub + "/hügel.bmp", 200, 150, 100, 40, 128, 32);
    std::vector<std::string> Lines = TwoLands;
    Lines[0] = "Bitmap=hügel.bmp";
    Lines[1] = "Element=hügel.bmp:0,0";
    Lines[2] = "Element=hügel.bmp:200,0";
    WriteMapSet(Sub + "/kärte.mapset", Lines);
    const std::string File = Sub + "/kärte.mapset";

    const TToolRun Check = RunTool({"check", File});
    EXPECT_EQ(Check.Status, 0) << Check.Out << Check.Err;
    EXPECT_EQ(Check.Out, File + ": 2 zones, no findings\n");
    ASSERT_EQ(RunTool({"resave", File, Sub + "/ausgabe-ü.mapset"}).Status, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(Sub + "/ausgabe-ü.mapset"));
    ASSERT_EQ(RunTool({"render", File, Sub + "/bild-ü.png"}).Status, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(Sub + "/bild-ü.png"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Sub),
                            std::filesystem::directory_iterator()),
              4);
}

// JSON is always valid UTF-8: a UTF-8 name stays itself, a Latin-1 byte is shown as the
// Latin-1 letter; the plain output passes the bytes through.
TEST_F(Tool, JsonShowsNamesByTheOneRuleAndPlainTextKeepsTheBytes) {
    const std::string File =
        Map({"Zone=0,0,10,0,10,10,0,10,;\xC3\x9Cnterland;0;", "Zone=50,0,60,0,60,10,;\xDC"
                                                              "berland;0;"});
    int Status = -1;
    const QJsonObject Json = CheckJson(File, Status);
    EXPECT_EQ(Status, 1);
    std::vector<QString> Names;
    for (const QJsonValue& V : Json["findings"].toArray())
        if (V.toObject()["kind"].toString() == QLatin1String("no-neighbor"))
            for (const QJsonValue& Z : V.toObject()["zones"].toArray())
                Names.push_back(Z.toObject()["name"].toString());
    EXPECT_EQ(Names, (std::vector<QString>{QString::fromUtf8("Ünterland"),
                                           QString::fromUtf8("Überland")}));
    const TToolRun Plain = RunTool({"check", File});
    EXPECT_NE(Plain.Out.find("zone 1 \"\xDC"
                             "berland\""),
              std::string::npos)
        << Plain.Out;
}

// Files written by this process and its children stay under Bytes until destruction.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t Bytes) : FHandler(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &FOld);
        rlimit Small = FOld;
        Small.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &Small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit FOld{};
    void (*FHandler)(int);
};

TEST_F(Tool, RenderThatCannotBeWrittenLeavesTheOldPictureAndSaysWhy) {
    const std::string File = Map(TwoLands);
    const std::string Png = Dir.File("map.png");
    std::ofstream(Png, std::ios::binary) << "the old picture";
    TToolRun Run;
    {
        FileSizeLimit Limit(256);
        Run = RunTool({"render", File, Png});
    }
    EXPECT_EQ(Run.Status, 2);
    EXPECT_EQ(Run.Err, "Cannot write file " + Png + ": File too large\n");
    EXPECT_EQ(ReadFile(Png), "the old picture");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path()),
                            std::filesystem::directory_iterator()),
              3)
        << "something was left beside the picture";
}

// A device as the target is written to, never replaced by a regular file.
TEST_F(Tool, ADeviceAsTheTargetStaysADevice) {
    const std::string Node = Dir.File("full");
    if (mknod(Node.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "no device node can be made here";
    const std::string File = Map(TwoLands);
    for (const std::vector<std::string>& Args :
         {std::vector<std::string>{"resave", File, Node}, {"render", File, Node}}) {
        const TToolRun Run = RunTool(Args);
        EXPECT_EQ(Run.Status, 2) << Args[0];
        // "No space left on device" from the device, or a refusal to open it on a file
        // system mounted without devices; never a success.
        EXPECT_EQ(Run.Err.rfind("Cannot ", 0), 0u) << Run.Err;
        EXPECT_EQ(Run.Err.find("Unknown error"), std::string::npos) << Run.Err;
        struct stat Info {};
        ASSERT_EQ(stat(Node.c_str(), &Info), 0);
        EXPECT_TRUE(S_ISCHR(Info.st_mode)) << Args[0];
    }
}

TEST_F(Tool, DashWritesToStandardOutput) {
    const std::string File = Map(TwoLands);
    ASSERT_EQ(RunTool({"resave", File, Dir.File("out.mapset")}).Status, 0);
    const TToolRun Text = RunTool({"resave", File, "-"});
    EXPECT_EQ(Text.Status, 0) << Text.Err;
    EXPECT_EQ(Text.Out, ReadFile(Dir.File("out.mapset")));
    const TToolRun Png = RunTool({"render", File, "-"});
    EXPECT_EQ(Png.Status, 0) << Png.Err;
    QImage Image;
    ASSERT_TRUE(Image.loadFromData(QByteArray::fromStdString(Png.Out), "png"));
    EXPECT_EQ(Image.size(), QSize(400, 150));
    EXPECT_FALSE(std::filesystem::exists("-"));
}

} // namespace

namespace {

// A map whose background is not placed yet is not at fault for its zones.
// A full disk or a closed pipe on standard output is a failure with the system's reason,
// never a success with the output cut off.
TEST_F(Tool, StandardOutputThatFailsIsReportedWithStatusTwo) {
    const std::string File = Map(TwoLands);
    int Pipe[2];
    ASSERT_EQ(pipe(Pipe), 0);
    close(Pipe[0]);
    const int Full = open("/dev/full", O_WRONLY);
    ASSERT_GE(Full, 0);
    for (const auto& [Fd, Reason] :
         {std::pair{Full, "No space left on device"}, std::pair{Pipe[1], "Broken pipe"}})
        for (const char* Command : {"resave", "render"}) {
            const TToolRun Run = RunToolOnto(Fd, {Command, File, "-"}, Dir.File("err.txt"));
            EXPECT_EQ(Run.Status, 2) << Command << " " << Reason;
            EXPECT_EQ(Run.Err, "Cannot write standard output: " + std::string(Reason) + "\n");
        }
    close(Full);
    close(Pipe[1]);
}

// Files named in Latin-1 bytes, under a UTF-8 locale: the map set, its bitmap and the outputs.
TEST_F(Tool, LatinOneFileNamesLoadAndSave) {
    WriteBitmap(Dir.File("h\xFCgel.bmp"), 200, 150, 100, 40, 128, 32);
    std::vector<std::string> Lines = TwoLands;
    Lines[0] = "Bitmap=h\xFCgel.bmp";
    Lines[1] = "Element=h\xFCgel.bmp:0,0";
    Lines[2] = "Element=h\xFCgel.bmp:200,0";
    const std::string File = Map(Lines, "k\xE4rte.mapset");
    const int Out = open(Dir.File("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const TToolRun Check = RunToolOnto(Out, {"check", File}, Dir.File("err.txt"));
    close(Out);
    EXPECT_EQ(Check.Status, 0) << Check.Err;
    EXPECT_EQ(ReadFile(Dir.File("out.txt")), File + ": 2 zones, no findings\n");
    const std::string Saved = Dir.File("aus\xFC.mapset");
    EXPECT_EQ(RunToolOnto(1, {"resave", File, Saved}, Dir.File("err.txt")).Status, 0);
    EXPECT_EQ(ReadFile(Saved).substr(0, 18), "Bitmap=h\xFCgel.bmp\r\n");
    EXPECT_EQ(
        RunToolOnto(1, {"render", Saved, Dir.File("bild\xFC.png")}, Dir.File("err.txt")).Status, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(Dir.File("bild\xFC.png")));
}

// The picture is 8-bit with a palette, as the map is; one past the cap of 2^27 pixels, a
// 44-byte map set, is refused before anything is allocated.
TEST_F(Tool, RenderWritesAPalettePictureAndRefusesHugeOnes) {
    const TToolRun Png = RunTool({"render", Map(TwoLands), "-"});
    ASSERT_EQ(Png.Status, 0) << Png.Err;
    ASSERT_GT(Png.Out.size(), 26u);
    EXPECT_EQ(Png.Out.substr(12, 4), "IHDR");
    EXPECT_EQ(int(Png.Out[24]), 8); // bits per sample
    EXPECT_EQ(int(Png.Out[25]), 3); // palette colour type

    const TToolRun Huge =
        RunTool({"render", Map({"Zone=0,0,32769,0,32769,32768,0,32768,;A;0;"}), "-"});
    EXPECT_EQ(Huge.Status, 2);
    EXPECT_NE(Huge.Err.find("too large to draw (32768 x 32767 pixels, more than 134217728)"),
              std::string::npos)
        << Huge.Err;
    EXPECT_TRUE(Huge.Out.empty());
}

TEST_F(Tool, ZonesOfAMapWithoutElementsAreNotOutsideTheBitmaps) {
    const std::string File = Map({"Bitmap=hills.bmp", TwoLands[3], TwoLands[4]});
    const TToolRun Run = RunTool({"check", File});
    EXPECT_EQ(Run.Status, 0) << Run.Out;
    EXPECT_EQ(Run.Out.find("zone-outside-bitmaps"), std::string::npos) << Run.Out;
}

} // namespace

namespace {

// What only the file's text shows: reported with its line, also when the load stops there
// (the load error keeps the library's own text on standard error), and an empty file is
// not clean.
TEST_F(Tool, CheckNamesTheLinesTheReaderSkipsOrCannotUse) {
    const std::string Spaced = Map({"Bitmap=hills.bmp", "Element=hills.bmp :0,0"}, "s.mapset");
    const TToolRun Stopped = RunTool({"check", Spaced});
    EXPECT_EQ(Stopped.Status, 2);
    EXPECT_EQ(Stopped.Err, Spaced + ":2: List index out of bounds (-1)\n");
    EXPECT_EQ(Stopped.Out, "unknown-bitmap: line 2: the element names bitmap \"hills.bmp \", which "
                           "no Bitmap line above it loads; \"hills.bmp\" differs from it only in "
                           "spaces\n");

    std::vector<std::string> Lines = TwoLands;
    Lines.push_back("Colour=5");
    const std::string Junk = Map(Lines, "j.mapset");
    const TToolRun Skipped = RunTool({"check", Junk});
    EXPECT_EQ(Skipped.Status, 1);
    EXPECT_EQ(Skipped.Out, "ignored-line: line 6: unknown key \"Colour\": the reader ignores the "
                           "line\n" +
                               Junk + ": 2 zones, 1 finding\n");
    int Status = -1;
    const QJsonObject Json = CheckJson(Junk, Status);
    EXPECT_EQ(Status, 1);
    EXPECT_EQ(Json["findings"].toArray().at(0).toObject()["line"].toInt(), 6);

    const std::string Empty = Map({}, "e.mapset");
    const TToolRun Nothing = RunTool({"check", Empty});
    EXPECT_EQ(Nothing.Status, 1);
    EXPECT_EQ(Nothing.Out, "empty-map-set: the file holds no Bitmap, Element, Zone or Link line: "
                           "nothing to load\n" +
                               Empty + ": 0 zones, 1 finding\n");
}

} // namespace

namespace {

std::vector<std::string> Triangles(int Count, bool Overlapping) {
    std::vector<std::string> Lines;
    for (int I = 0; I < Count; ++I)
        Lines.push_back(Overlapping ? "Zone=0,0," + std::to_string(1000 + I) + ",0,0," +
                                          std::to_string(1 + I) + ";Z" + std::to_string(I) + ";0;"
                                    : "Zone=0,0,1,0,0,1;T" + std::to_string(I) + ";0;");
    return Lines;
}

} // namespace

// Small files with millions of findings or of neighbour entries: the output is bounded,
// the counts are whole, and a save that would list every zone beside every other stops.
TEST_F(Tool, FloodsOfFindingsAreCappedAndCrowdedEdgesStopTheResave) {
    const std::string Overlapping = Map(Triangles(300, true), "over.mapset");
    const TToolRun Run = RunTool({"check", Overlapping});
    EXPECT_EQ(Run.Status, 1);
    size_t SplitLines = 0;
    for (size_t At = Run.Out.find("split-border: "); At != std::string::npos;
         At = Run.Out.find("\nsplit-border: ", At + 1))
        ++SplitLines;
    EXPECT_EQ(SplitLines, MaxFindingsPerKind);
    EXPECT_NE(Run.Out.find("\n... and 43850 more split-border findings\n"), std::string::npos);
    int Status = -1;
    const QJsonObject Json = CheckJson(Overlapping, Status);
    EXPECT_EQ(Json["totals"].toObject()["split-border"].toInteger(), 44850);
    const qint64 Total = Json["findingCount"].toInteger();
    EXPECT_NE(Run.Out.find("over.mapset: 300 zones, " + std::to_string(Total) + " findings\n"),
              std::string::npos);
    EXPECT_LT(Json["findings"].toArray().size(), 5 * qsizetype(MaxFindingsPerKind));

    const std::string Copies = Map(Triangles(4000, false), "copies.mapset");
    const std::string Refusal = "Too many zones share edges to build the neighbour lists: 4000 "
                                "zones share the edge from (0,0) to (0,1), among them Zone 0 "
                                "\"T0\", Zone 1 \"T1\" and Zone 2 \"T2\"\n";
    const TToolRun Resave = RunTool({"resave", Copies, Dir.File("out.mapset")});
    EXPECT_EQ(Resave.Status, 2);
    EXPECT_EQ(Resave.Err, Refusal);
    EXPECT_FALSE(std::filesystem::exists(Dir.File("out.mapset")));
    const TToolRun Check = RunTool({"check", Copies});
    EXPECT_EQ(Check.Status, 1);
    EXPECT_EQ(Check.Err, Refusal);
    EXPECT_NE(Check.Out.find("\nshared-edge: zones 0 \"T0\", 1 \"T1\", "), std::string::npos);
}
