#include "cli/TraceCommand.h"

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/MapSession.h"
#include "trace/TracedZones.h"
#include "trace/Tracer.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <charconv>
#include <cmath>

namespace {

std::vector<uint8_t> ParseColors(const std::string& Text, const std::string& Option) {
    std::vector<uint8_t> Colors;
    size_t From = 0;
    for (;;) {
        const size_t Comma = Text.find(',', From);
        const std::string Item =
            Text.substr(From, Comma == std::string::npos ? Comma : Comma - From);
        Colors.push_back(uint8_t(ParseBoundedInt(Item, 0, 255, Option + " (a palette index)")));
        if (Comma == std::string::npos)
            return Colors;
        From = Comma + 1;
    }
}

double ParseTolerance(const std::string& Text) {
    double Value = 0;
    const char* End = Text.data() + Text.size();
    const auto [Ptr, Error] = std::from_chars(Text.data(), End, Value);
    if (Text.empty() || Error != std::errc() || Ptr != End || !std::isfinite(Value) || Value < 0)
        throw EUsageError("--tolerance PX must be a number of pixels, 0 or more, not '" + Text +
                          "'");
    return Value;
}

std::string ColorList(const std::vector<uint8_t>& Colors) {
    std::string Text;
    for (uint8_t C : Colors)
        Text += (Text.empty() ? "" : ",") + std::to_string(C);
    return Text.empty() ? "none" : Text;
}

} // namespace

std::string TraceHelp() {
    return "usage: zonewright-cli trace IN.mapset OUT.mapset [--border I,J,...] [--sea I,J,...]\n"
           "                            [--tolerance PX] [--min-area PX2] [--keep-zones]\n"
           "\n"
           "Traces the background of IN (its elements as the map draws them) into zones and\n"
           "writes OUT: IN's bitmaps and elements with the traced zones (after IN's own zones\n"
           "with --keep-zones), named Land1, Land2, ... and Sea1, Sea2, ..., neighbours built.\n"
           "Regions are the areas between lines of the border colours; neighbouring zones share\n"
           "their borders edge for edge, on the editor's 5-pixel grid. A region enclosed by\n"
           "another (a lake, an island) comes before it and is linked to it.\n"
           "  --border I,J,...  palette indices of the border lines (default: found in the\n"
           "                    picture: thin colours whose lines cut it into regions)\n"
           "  --sea I,J,...     palette indices of the sea; regions mostly of them are sea zones\n"
           "                    (default: none)\n"
           "  --tolerance PX    how far a border may be straightened, in pixels (default 2)\n"
           "  --min-area PX2    smaller regions merge into their longest neighbour (default 100)\n"
           "  --keep-zones      keep IN's zones and links ahead of the traced ones\n"
           "A plain margin of one colour around the map is left without zones.\n"
           "Prints the regions, land and sea zones, merged specks and the colours used.\n"
           "OUT \"-\" is standard output (the summary then goes to standard error).\n";
}

int TraceCommand(const TCommandLine& Line, std::ostream& Out, std::ostream& Err) {
    TTraceSettings Settings;
    if (Line.Has("border"))
        Settings.BorderColors = ParseColors(Line.Values("border")[0], "--border");
    if (Line.Has("sea"))
        Settings.SeaColors = ParseColors(Line.Values("sea")[0], "--sea");
    if (Line.Has("tolerance"))
        Settings.Tolerance = ParseTolerance(Line.Values("tolerance")[0]);
    if (Line.Has("min-area"))
        Settings.MinArea =
            ParseBoundedInt(Line.Values("min-area")[0], 0, 1 << 30, "--min-area PX2");

    const std::string& InName = Line.Positionals[0];
    const std::string& OutName = Line.Positionals[1];
    TMapSession Session;
    TFinding Error;
    if (!Session.Load(InName, Error)) {
        Err << InName << (Error.Line > 0 ? ":" + std::to_string(Error.Line) : std::string()) << ": "
            << Error.Message << '\n';
        return esFailed;
    }
    TZoneSpriteSurface& S = Session.Surface();
    TTracer Tracer(ComposeBackground(S), Settings);
    const std::vector<TTracedRegion>& Regions = Tracer.Regions();
    if (!Line.Has("keep-zones"))
        while (S.ZoneCount() > 0)
            S.DeleteZone(S.Zone(S.ZoneCount() - 1));
    AddTracedZones(S, Regions);
    S.BuildNeighbors();

    const bool ToStandardOutput = OutName == "-";
    const TTraceSummary& Summary = Tracer.Summary();
    std::ostream& Report = ToStandardOutput ? Err : Out;
    Report << "regions: " << Summary.Regions << '\n'
           << "land: " << Summary.Land << '\n'
           << "sea: " << Summary.Sea << '\n'
           << "merged specks: " << Summary.MergedSpecks << '\n'
           << "border colors: " << ColorList(Summary.BorderColors) << '\n'
           << "sea colors: " << ColorList(Summary.SeaColors) << '\n'
           << "margin color: "
           << (Summary.MarginColor < 0 ? std::string("none") : std::to_string(Summary.MarginColor))
           << '\n';
    if (!ToStandardOutput)
        return S.SaveMapSet(OutName) ? esOk : esFound;
    std::string Text;
    if (!S.CheckedMapSetText(Text))
        return esFound;
    Out << Text;
    return esOk;
}
