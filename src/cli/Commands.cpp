#include "cli/Commands.h"

#include "cli/Arguments.h"
#include "cli/FindingJson.h"
#include "cli/MapRender.h"
#include "cli/MapSession.h"
#include "cli/MendCommand.h"
#include "cli/PictureCommand.h"
#include "cli/StandardOutput.h"
#include "cli/TraceCommand.h"
#include "mapcheck/MapChecks.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "platform/FileOpen.h"
#include "platform/FileWrite.h"
#include "platform/Text.h"
#include "zonemap/StringUtils.h"
#include "zonemap/ZoneEdgeTable.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QImageWriter>

#include <map>

namespace {

const std::vector<TCommandSyntax>& Syntaxes() {
    static const std::vector<TCommandSyntax> Commands = {
        {"check", {"FILE"}, {{"json", 0}}},
        {"neighbors", {"FILE"}, {}},
        {"path", {"FILE", "FROM", "TO"}, {}},
        {"resave", {"FILE", "OUT"}, {}},
        {"render",
         {"FILE", "OUT.png"},
         {{"no-background", 0}, {"no-zones", 0}, {"grid", 1}, {"path", 2}}},
        {"trace",
         {"IN.mapset", "OUT.mapset"},
         {{"border", 1}, {"sea", 1}, {"tolerance", 1}, {"min-area", 1}, {"keep-zones", 0}}},
        {"mend", {"IN.mapset", "OUT.mapset"}, {}},
        {"picture", {"IN", "OUT.bmp"}, {{"palette-of", 1}, {"dither", 0}}},
    };
    return Commands;
}

const std::map<std::string, std::string>& Helps() {
    static const std::map<std::string, std::string> Texts = {
        {"check",
         "usage: zonewright-cli check FILE [--json]\n"
         "\n"
         "Loads the map set (bitmaps from the map set's own directory), rebuilds the\n"
         "neighbours and reports, with the zone numbers and names involved:\n"
         "  load-error            the load stopped (with the line of the file)\n"
         "  ignored-line          a line the reader skips: an unknown key, a byte-order mark\n"
         "                        before the first key, bytes that are not text, a NUL byte\n"
         "  unknown-bitmap        an Element line naming no bitmap loaded above it (the\n"
         "                        name quoted, so that stray spaces show)\n"
         "  bitmap-directory-part a bitmap name with a directory part, read from outside\n"
         "                        the map set's own directory\n"
         "  element-position      an element coordinate beyond 16,777,216, where positions\n"
         "                        are held in single precision\n"
         "  empty-map-set         no Bitmap, Element, Zone or Link line at all\n"
         "  unnamed-zone          a zone without a name\n"
         "  duplicate-name        zones with the same name (case-sensitive)\n"
         "  forbidden-character   a zone name with \";\" or a line break, a bitmap name with "
         "\":\"\n"
         "  long-name             a zone name longer than 255 bytes: the map shows only its\n"
         "                        start\n"
         "  too-few-points        fewer than three (distinct) points\n"
         "  self-intersection     an outline that touches or crosses itself\n"
         "  no-neighbor           a zone without any neighbour\n"
         "  split-border          borders overlapping along a line without an identical\n"
         "                        edge (an extra point on one side): not neighbours\n"
         "  near-border           borders within 2 pixels of each other along 20 pixels or\n"
         "                        more without a shared edge: likely drawn apart\n"
         "  no-grid-points        a zone past the grid-point budget of a load: no place for\n"
         "                        units\n"
         "  self-link             a link from a zone to itself\n"
         "  redundant-link        a link between zones that share an edge already\n"
         "  zone-outside-bitmaps  a zone with a point outside every element, over no\n"
         "                        background (once the map set has an element)\n"
         "  element-off-canvas    an element placed partly left of or above (0,0), a part\n"
         "                        that is never shown\n"
         "  system-colors         a bitmap's pixels on entries 0..9 or 246..255 whose colours\n"
         "                        the map shows differently (the system colours)\n"
         "  palette-differs       a bitmap whose entries 10..245 differ from the palette in\n"
         "                        force (the last bitmap's): its pixels show in other colours\n"
         "\n"
         "--json writes the findings as one JSON document.\n"
         "Findings of the file's lines come first, with their line numbers; they are\n"
         "reported even when the load stops.\n"
         "Exit status: 0 nothing found, 1 something found, 2 the file could not be loaded.\n"},
        {"neighbors",
         "usage: zonewright-cli neighbors FILE\n"
         "\n"
         "Rebuilds the neighbours and prints one line per zone, fields separated by tabs:\n"
         "number, name, land or sea, the neighbour numbers in list order (space-separated).\n"},
        {"path",
         "usage: zonewright-cli path FILE FROM TO\n"
         "\n"
         "Rebuilds the neighbours and prints the cheapest path from FROM to TO under the\n"
         "default costs (land-land 10, sea-sea 1, land-sea 1000): one line per zone (number,\n"
         "tab, name), then \"cost\", a tab and the total. FROM and TO are zone names (exact,\n"
         "case-sensitive) or, when no zone has that name, zone numbers.\n"
         "Exit status 1 when there is no path.\n"},
        {"resave",
         "usage: zonewright-cli resave FILE OUT\n"
         "\n"
         "Loads the map set, rebuilds the neighbours and saves it to OUT as the editor saves:\n"
         "the canonical form of the map set. A save that the name checks refuse prints the\n"
         "reason, writes nothing and exits with status 1. OUT \"-\" is standard output.\n"},
        {"render",
         "usage: zonewright-cli render FILE OUT.png [--no-background] [--no-zones]\n"
         "                            [--grid SIZE] [--path FROM TO]\n"
         "\n"
         "Draws the whole virtual canvas as the editor draws its view, background elements,\n"
         "zone outlines and land-zone labels, and writes it as PNG. The picture covers the\n"
         "elements and every zone; where no element lies it is palette entry 0 (black).\n"
         "  --no-background  leave the elements out\n"
         "  --no-zones       leave the outlines and labels out\n"
         "  --grid SIZE      draw the editor's grid template with cells of SIZE pixels\n"
         "                   (50 to 1000): rows SIZE high, odd rows shifted by SIZE/2\n"
         "  --path FROM TO   highlight the zones of the cheapest path in white, as the\n"
         "                   editor does; without a path the picture is written unmarked\n"
         "                   and the exit status is 1\n"
         "OUT.png \"-\" is standard output.\n"},
        {"mend", MendHelp},
        {"picture", PictureHelp},
    };
    return Texts;
}

// Messages the library shows in a box: printed at once, remembered for the exit status.
class TMessageSink {
public:
    explicit TMessageSink(std::ostream& Err)
        : FPrevious(Application().SetMessageHook(
              [this, &Err](const std::string&, const std::string& Text) {
                  Err << Text << '\n';
                  Err.flush();
                  FShown = true;
              })) {}
    ~TMessageSink() { Application().SetMessageHook(FPrevious); }
    TMessageSink(const TMessageSink&) = delete;
    TMessageSink& operator=(const TMessageSink&) = delete;
    bool Shown() const { return FShown; }

private:
    bool FShown = false;
    TApplication::TMessageHook FPrevious;
};

std::string Quoted(const TZone& Zone) {
    return std::to_string(Zone.Index()) + " \"" + Zone.Name() + "\"";
}

// A zone by its exact name, or else by its number.
TZone* FindZone(TZoneSpriteSurface& Surface, const std::string& Text) {
    if (TZone* Named = Surface.ZoneByName(Text))
        return Named;
    int32_t Number = 0;
    if (!Text.empty() && Text.find_first_not_of("0123456789") == std::string::npos &&
        TryStrToInt(Text, Number) && Number < Surface.ZoneCount())
        return Surface.Zone(Number);
    throw EUsageError("no zone is named or numbered '" + Text + "'");
}

// Loads the map set or reports on Err why not.
bool LoadOrReport(TMapSession& Session, const std::string& FileName, std::ostream& Err,
                  TFinding* Failure = nullptr) {
    TFinding Error;
    if (Session.Load(FileName, Error))
        return true;
    Err << FileName << (Error.Line > 0 ? ":" + std::to_string(Error.Line) : std::string()) << ": "
        << Error.Message << '\n';
    if (Failure != nullptr)
        *Failure = Error;
    return false;
}

int Check(const TCommandLine& Line, std::ostream& Out, std::ostream& Err,
          const TMessageSink& Messages) {
    const std::string& FileName = Line.Positionals[0];
    const bool Json = Line.Has("json");
    TMapSession Session;
    TFinding LoadError;
    std::vector<TFinding> Findings;
    int Status = esOk;
    const bool Loaded = LoadOrReport(Session, FileName, Err, &LoadError);
    if (!Loaded) {
        Findings.push_back(LoadError);
        Status = esFailed;
    }
    // What the text shows comes first; it explains a load that stopped as well.
    const std::vector<TFinding>& Text = Session.TextFindings();
    Findings.insert(Findings.end(), Text.begin(), Text.end());
    TFindingCounts Omitted;
    if (Loaded) {
        // Past the neighbour budget the checks go on with the lists as loaded; shared-edge
        // findings say where.
        std::string NeighborError;
        const std::vector<TFinding> Map =
            BuildNeighborsAndCheck(Session.Surface(), &Omitted, &NeighborError);
        if (!NeighborError.empty())
            Err << NeighborError << '\n';
        Findings.insert(Findings.end(), Map.begin(), Map.end());
        if (!Findings.empty() || Messages.Shown())
            Status = esFound;
    }
    // The text's findings are bounded here as the map's are in the check.
    CapFindings(Findings, Omitted);
    int64_t Total = int64_t(Findings.size());
    for (const auto& [Kind, Count] : Omitted)
        Total += Count;
    const int32_t ZoneCount = Session.Surface().ZoneCount();
    if (Json) {
        WriteFindingsJson(Out, FileName, ZoneCount, Status, Findings, Omitted);
        return Status;
    }
    // The load error itself is on Err already; a stopped load gets no summary.
    for (size_t I = Loaded ? 0 : 1; I < Findings.size(); ++I)
        Out << FormatFinding(Findings[I]) << '\n';
    for (const auto& [Kind, Count] : Omitted)
        Out << MoreFindingsLine(Kind, Count) << '\n';
    if (!Loaded)
        return Status;
    Out << FileName << ": " << FindingsSummary(ZoneCount, size_t(Total)) << '\n';
    return Status;
}

int Neighbors(const TCommandLine& Line, std::ostream& Out, std::ostream& Err) {
    TMapSession Session;
    if (!LoadOrReport(Session, Line.Positionals[0], Err))
        return esFailed;
    TZoneSpriteSurface& S = Session.Surface();
    S.BuildNeighbors();
    for (int32_t I = 0; I < S.ZoneCount(); ++I) {
        const TZone& Z = *S.Zone(I);
        Out << I << '\t' << Z.Name() << '\t' << (Z.IsSea() != 0 ? "sea" : "land") << '\t';
        for (int32_t K = 0; K < Z.NeighborCount(); ++K)
            Out << (K == 0 ? "" : " ") << Z.Neighbor(K)->Index();
        Out << '\n';
    }
    return esOk;
}

// Neighbours rebuilt, then the search; false (with the reason on Out) without a path.
bool SearchPath(TZoneSpriteSurface& S, const std::string& From, const std::string& To,
                std::ostream& Out) {
    TZone* Start = FindZone(S, From);
    TZone* Destination = FindZone(S, To);
    S.BuildNeighbors();
    S.FindPath(Start, Destination);
    if (S.PathCount() > 0)
        return true;
    Out << "no path from zone " << Quoted(*Start) << " to zone " << Quoted(*Destination) << '\n';
    return false;
}

int Path(const TCommandLine& Line, std::ostream& Out, std::ostream& Err) {
    TMapSession Session;
    if (!LoadOrReport(Session, Line.Positionals[0], Err))
        return esFailed;
    TZoneSpriteSurface& S = Session.Surface();
    if (!SearchPath(S, Line.Positionals[1], Line.Positionals[2], Out))
        return esFound;
    for (int32_t I = 0; I < S.PathCount(); ++I)
        Out << S.PathZone(I)->Index() << '\t' << S.PathZone(I)->Name() << '\n';
    // A path of one zone is found without a search, and costs nothing.
    const int32_t Cost = S.PathCount() == 1 ? 0 : S.PathZone(S.PathCount() - 1)->PathCost();
    Out << "cost\t" << Cost << '\n';
    return esOk;
}

// "-" names standard output, for the outputs of resave and render.
bool IsStandardOutput(const std::string& Name) {
    return Name == "-";
}

int Resave(const TCommandLine& Line, std::ostream& Out, std::ostream& Err) {
    TMapSession Session;
    if (!LoadOrReport(Session, Line.Positionals[0], Err))
        return esFailed;
    Session.Surface().BuildNeighbors();
    const std::string& OutName = Line.Positionals[1];
    if (!IsStandardOutput(OutName))
        return Session.Surface().SaveMapSet(OutName) ? esOk : esFound;
    std::string Text;
    if (!Session.Surface().CheckedMapSetText(Text))
        return esFound;
    Out << Text;
    return esOk;
}

int Render(const TCommandLine& Line, std::ostream& Out, std::ostream& Err) {
    TRenderOptions Options;
    Options.Background = !Line.Has("no-background");
    Options.Zones = !Line.Has("no-zones");
    if (Line.Has("grid"))
        Options.GridSize = ParseBoundedInt(Line.Values("grid")[0], 50, 1000, "--grid SIZE");

    const std::string& OutName = Line.Positionals[1];
    TMapSession Session;
    if (!LoadOrReport(Session, Line.Positionals[0], Err))
        return esFailed;
    TZoneSpriteSurface& S = Session.Surface();
    int Status = esOk;
    if (Line.Has("path")) {
        const auto& Ends = Line.Values("path");
        // The picture may be going to standard output; the reason for no path goes aside.
        if (SearchPath(S, Ends[0], Ends[1], IsStandardOutput(OutName) ? Err : Out)) {
            for (int32_t I = 0; I < S.PathCount(); ++I)
                if (TZoneSprite* Sprite = S.PathZone(I)->Sprite())
                    Sprite->SetHighlighted(true);
        } else {
            Status = esFound;
        }
    }
    const QImage Picture = RenderMap(S, Options);
    // Encoded straight into the output, never held whole a second time. A file is replaced
    // only once the picture is complete; a failed write is reported with the system's
    // reason (by WriteWholeFile, or for standard output at the end of RunCli).
    const auto Encode = [&](TCheckedOutput& Device) {
        QImageWriter Writer(&Device, "png");
        if (!Writer.write(Picture) && !Device.Failed())
            throw Exception("Cannot create file " + OutName + ": " +
                            TypedText(Writer.errorString()));
    };
    if (IsStandardOutput(OutName)) {
        TCheckedOutput Output([&Out](const char* Data, qint64 Size) {
            Out.write(Data, std::streamsize(Size));
            return bool(Out);
        });
        Encode(Output);
    } else {
        WriteWholeFile(OutName, Encode);
    }
    return Status;
}

// Status, unless what went to Out could not all be written: then status 2 with the
// system's reason, as a cut-off output must not pass for a success.
int Flushed(std::ostream& Out, std::ostream& Err, int Status) {
    Out.flush();
    if (Out)
        return Status;
    Err << "Cannot write standard output: " << OutputFailureReason(Out) << '\n';
    return esFailed;
}

} // namespace

std::string ToolHelp() {
    return "usage: zonewright-cli COMMAND [ARGUMENTS]\n"
           "\n"
           "Checks, lists, searches, rewrites and draws Zonewright map sets without a window.\n"
           "\n"
           "commands:\n"
           "  check FILE [--json]           report problems of the map set\n"
           "  neighbors FILE                list each zone's neighbours\n"
           "  path FILE FROM TO             the cheapest path between two zones\n"
           "  resave FILE OUT               load and save again, in canonical form\n"
           "  render FILE OUT.png [...]     draw the whole map as PNG\n"
           "  trace IN OUT [...]            zones traced from the background\n"
           "  mend IN OUT                   mend split borders by adding points\n"
           "  picture IN OUT.bmp [...]      make a picture an 8-bit bitmap for a map set\n"
           "\n"
           "\"zonewright-cli COMMAND --help\" describes a command. Bad arguments and files\n"
           "that cannot be read end with exit status 2.\n";
}

std::string CommandHelp(const std::string& Command) {
    if (Command == "trace")
        return TraceHelp();
    const auto Found = Helps().find(Command);
    return Found == Helps().end() ? ToolHelp() : Found->second;
}

int RunCli(const std::vector<std::string>& Arguments, std::ostream& Out, std::ostream& Err) {
    TCommandLine Line;
    try {
        Line = ParseCommandLine(Arguments, Syntaxes());
    } catch (const EUsageError& E) {
        Err << "zonewright-cli: " << E.what() << "\n\n" << ToolHelp();
        return esFailed;
    }
    if (Line.Help) {
        Out << (Line.Command.empty() ? ToolHelp() : CommandHelp(Line.Command));
        return Flushed(Out, Err, esOk);
    }

    TMessageSink Messages(Err);
    int Status = esOk;
    try {
        if (Line.Command == "check")
            Status = Check(Line, Out, Err, Messages);
        else if (Line.Command == "neighbors")
            Status = Neighbors(Line, Out, Err);
        else if (Line.Command == "path")
            Status = Path(Line, Out, Err);
        else if (Line.Command == "resave")
            Status = Resave(Line, Out, Err);
        else if (Line.Command == "render")
            Status = Render(Line, Out, Err);
        else if (Line.Command == "trace")
            Status = TraceCommand(Line, Out, Err);
        else if (Line.Command == "mend")
            Status = RunMend(Line, Out, Err);
        else if (Line.Command == "picture")
            Status = RunPicture(Line, Out, Err);
    } catch (const EUsageError& E) {
        Err << "zonewright-cli " << Line.Command << ": " << E.what() << '\n';
        return esFailed;
    } catch (const std::exception& E) {
        // The library's own failures (a file that cannot be created, ...), with their text.
        Err << E.what() << '\n';
        return esFailed;
    }
    if (Status == esOk && Messages.Shown())
        Status = esFound;
    return Flushed(Out, Err, Status);
}
