#pragma once

#include "mapcheck/Finding.h"

#include <string_view>
#include <vector>

// The checks only a map-set file's text can give, its lines read as the map-set reader
// reads them, each finding with its 1-based line:
// - "ignored-line": a line the reader skips (an unknown key, a UTF-8 byte-order mark before
//   the first key, bytes that are not text), and a NUL byte, past which it reads nothing;
//   blank lines carry nothing and are not reported;
// - "unknown-bitmap": an Element line naming a bitmap that no Bitmap line above it loads,
//   the name quoted so that stray spaces show (the load stops there with "List index out
//   of bounds (-1)");
// - "bitmap-directory-part": a bitmap name with a directory part ("../x.bmp", "/x.bmp"),
//   read from outside the map set's own directory;
// - "element-position": a coordinate beyond 16,777,216, where the single-precision
//   position cannot hold every number;
// - "empty-map-set" (no line): no Bitmap, Element, Zone or Link line at all.
// They hold whether the load of the file succeeds or stops.
std::vector<TFinding> CheckMapSetText(std::string_view Text);
