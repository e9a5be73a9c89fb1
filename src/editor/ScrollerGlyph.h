#pragma once

#include "platform/Bitmap.h"

#include <memory>

// The picture of the main window's surface scroller: an 80 x 80, 8-bit compass face (dark
// ground, a ring, four arrows pointing out from the centre, a centre dot). Drawn by code so
// that the program carries no picture file. A TBitmap cannot be copied or moved, hence
// the pointer; the scroller copies it in SetGlyph.
std::unique_ptr<TBitmap> MakeScrollerGlyph();
