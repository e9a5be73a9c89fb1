#pragma once

#include "cli/Arguments.h"

#include <ostream>

// zonewright-cli mend IN.mapset OUT.mapset: split borders mended, each pair printed.
extern const char* const MendHelp;
int RunMend(const TCommandLine& Line, std::ostream& Out, std::ostream& Err);
