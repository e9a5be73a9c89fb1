#pragma once

#include "mapcheck/Finding.h"

#include <string>
#include <vector>

class TZoneSpriteSurface;
struct TRGBQuad;

// What the map's one palette does to its bitmaps. The map shows every bitmap through the
// palette in force: the system colours in entries 0..9 and 246..255, and in 10..245 the
// colours of the bitmap loaded last. Two findings per bitmap, each with the pixels it
// affects:
// - "system-colors": pixels on entries 0..9 or 246..255 whose colour in the bitmap is not
//   the colour the map shows there (a paint program's white at index 0 shows black);
// - "palette-differs": pixels on entries 10..245 whose colour differs from the palette in
//   force (a bitmap with a palette of its own), with the largest difference.
// Nothing without a palette on the surface. The cost is one pass over each bitmap's runs.
void CheckPalettes(const TZoneSpriteSurface& Surface, std::vector<TFinding>& Findings);

// A plain name for a colour ("white", "dark red"), the nearest of a short list.
std::string ColorName(const TRGBQuad& Color);
