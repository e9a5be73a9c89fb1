#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A zone as findings name it: its number in the map set and its name.
struct TZoneRef {
    int32_t Number = -1;
    std::string Name;
    friend bool operator==(const TZoneRef&, const TZoneRef&) = default;
};

// One problem that the checks found in a map set.
struct TFinding {
    TFinding() = default;
    TFinding(std::string AKind, std::string AMessage, std::vector<TZoneRef> AZones = {})
        : Kind(std::move(AKind)), Message(std::move(AMessage)), Zones(std::move(AZones)) {}

    std::string Kind;    // short stable identifier, e.g. "split-border"
    std::string Message; // what is wrong, in words, without the zones' names
    std::vector<TZoneRef> Zones;
    int32_t Line = 0;     // 1-based line of the map-set file; 0 when not about a line
    int32_t Element = -1; // element index; -1 when not about an element
    std::string Bitmap;   // the element's bitmap name, with Element
};

// One line: kind, then the line, the element or the zones involved, then the message.
std::string FormatFinding(const TFinding& Finding);

// The count after the findings, "3 zones, 4 findings" or "1 zone, no findings".
std::string FindingsSummary(int32_t ZoneCount, size_t FindingCount);

// Findings of one kind past this many are counted, not kept: a hostile map set of a few
// kilobytes can have millions.
constexpr size_t MaxFindingsPerKind = 1000;

// A count for each kind of finding.
using TFindingCounts = std::map<std::string, int64_t>;

// Keeps the first MaxFindingsPerKind findings of each kind, in order; Omitted gains the
// count of those dropped.
void CapFindings(std::vector<TFinding>& Findings, TFindingCounts& Omitted);

// The line after the kept findings of a kind: "... and 12 more split-border findings".
std::string MoreFindingsLine(const std::string& Kind, int64_t More);
