#pragma once

#include "mapcheck/Finding.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// The findings of one check as one JSON document, always valid UTF-8: names and the file
// name are shown by the one rule for shown text (valid UTF-8 as it is, other bytes as
// Latin-1). Omitted: per kind, the findings counted but not listed; "totals" then gives
// each kind's full count and "findingCount" the sum.
void WriteFindingsJson(std::ostream& Out, const std::string& FileName, int32_t ZoneCount,
                       int Status, const std::vector<TFinding>& Findings,
                       const TFindingCounts& Omitted = {});

// Text as a JSON string literal, quotes included, shown by the same rule.
std::string JsonString(const std::string& Text);
