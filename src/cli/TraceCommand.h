#pragma once

#include <ostream>
#include <string>

struct TCommandLine;

// zonewright-cli trace IN OUT: the map set's background traced into zones, written to OUT.
int TraceCommand(const TCommandLine& Line, std::ostream& Out, std::ostream& Err);
std::string TraceHelp();
