#pragma once

#include "cli/Arguments.h"

#include <ostream>

// zonewright-cli picture IN OUT.bmp [--palette-of MAP.mapset] [--dither]: any picture made
// an 8-bit bitmap for a map set, with the colour error.
extern const char* const PictureHelp;
int RunPicture(const TCommandLine& Line, std::ostream& Out, std::ostream& Err);
