#pragma once

#include "mapcheck/Finding.h"

#include <memory>
#include <string>
#include <vector>

class TColorPalette;
class TZoneSpriteSurface;

// One map set loaded the way the editor loads it: a zone surface (never shown) with the
// editor's palette, colours and grid settings, bitmaps opened from the map set's own
// directory. The surface needs a QApplication.
class TMapSession {
public:
    TMapSession();
    ~TMapSession();
    TMapSession(const TMapSession&) = delete;
    TMapSession& operator=(const TMapSession&) = delete;

    // Loads FileName. False when the file is missing or unreadable or the load stops;
    // Error then says why ("load-error", the library's message, and the line of the file
    // where it stopped: the failing line, or the Zone line whose neighbour field failed).
    bool Load(const std::string& FileName, TFinding& Error);

    TZoneSpriteSurface& Surface() { return *FSurface; }
    TColorPalette& Palette() { return *FPalette; }
    // What the file's text shows, whether the load succeeded or stopped (CheckMapSetText).
    const std::vector<TFinding>& TextFindings() const { return FTextFindings; }

private:
    std::unique_ptr<TColorPalette> FPalette;
    std::unique_ptr<TZoneSpriteSurface> FSurface;
    std::vector<TFinding> FTextFindings;
};

class TZone;
// The zone's number and name, as findings and listings show it.
TZoneRef RefOf(const TZone& Zone);
