#include "mapcheck/Finding.h"

namespace {

std::string ZoneText(const TZoneRef& Zone) {
    return std::to_string(Zone.Number) + " \"" + Zone.Name + "\"";
}

std::string ZoneList(const std::vector<TZoneRef>& Zones) {
    std::string Text = Zones.size() == 1 ? "zone " : "zones ";
    for (size_t I = 0; I < Zones.size(); ++I) {
        if (I > 0)
            Text += I + 1 == Zones.size() ? " and " : ", ";
        Text += ZoneText(Zones[I]);
    }
    return Text;
}

} // namespace

std::string FormatFinding(const TFinding& Finding) {
    std::string Text = Finding.Kind + ": ";
    if (Finding.Line > 0)
        Text += "line " + std::to_string(Finding.Line) + ": ";
    if (Finding.Element >= 0)
        Text += "element " + std::to_string(Finding.Element) + " \"" + Finding.Bitmap + "\": ";
    if (!Finding.Zones.empty())
        Text += ZoneList(Finding.Zones) + ": ";
    return Text + Finding.Message;
}

std::string FindingsSummary(int32_t ZoneCount, size_t FindingCount) {
    return std::to_string(ZoneCount) + (ZoneCount == 1 ? " zone, " : " zones, ") +
           (FindingCount == 0
                ? std::string("no findings")
                : std::to_string(FindingCount) + (FindingCount == 1 ? " finding" : " findings"));
}

void CapFindings(std::vector<TFinding>& Findings, TFindingCounts& Omitted) {
    TFindingCounts Kept;
    std::erase_if(Findings, [&](const TFinding& F) {
        if (++Kept[F.Kind] <= int64_t(MaxFindingsPerKind))
            return false;
        ++Omitted[F.Kind];
        return true;
    });
}

std::string MoreFindingsLine(const std::string& Kind, int64_t More) {
    return "... and " + std::to_string(More) + " more " + Kind + " finding" +
           (More == 1 ? "" : "s");
}
