#pragma once

#include "picture/PictureConversion.h"

#include <string>
#include <vector>

class QWidget;

// Reads and converts a picture in a worker thread while the window waits: after a moment a
// progress window offers Cancel, and input to the window waits until the end. False when
// cancelled (the worker's result is then dropped); an error of the reading or converting
// is raised here, on the window's thread.
bool ConvertPictureInWorker(QWidget* Parent, const std::string& File,
                            const std::vector<TRGBQuad>& MapPalette, bool Dither,
                            TConvertedPicture& Result);
