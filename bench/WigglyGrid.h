#pragma once

#include <cstdint>
#include <string>

// A large map set of the shape real territories have: a grid of square cells whose every
// side is a wiggly polyline of Segments pieces, shared point for point by the two zones
// that meet there, so each zone has 4 x Segments points. A sea strait runs down the middle,
// crossed by land fords, over one 8-bit bitmap tiled as the background.
struct TWigglyGridOptions {
    int32_t Columns = 200;
    int32_t Rows = 100;
    int32_t Cell = 120;        // pixels per cell side
    int32_t Segments = 1;      // pieces per side; at most Cell, as every point lies on a pixel
    int32_t Bitmap = 2048;     // width and height of the tiled bitmap
    bool WithNeighbors = true; // write the neighbour fields a save would write
};

struct TWigglyGridFiles {
    std::string MapSet; // full path of the .mapset
    std::string Bitmap; // full path of the bitmap
    int32_t ZoneCount = 0;
    int64_t PointCount = 0;
    int64_t MapSetBytes = 0;
};

// Zone (Row, Column) is number Row * Columns + Column; the strait's columns are sea except
// in every 25th row.
bool WigglyGridIsSea(const TWigglyGridOptions& Options, int32_t Row, int32_t Column);

// The zone text of one cell, as a "Zone=" line holds it (neighbours when asked for).
std::string WigglyGridZoneText(const TWigglyGridOptions& Options, int32_t Row, int32_t Column);

// Writes "wiggly.mapset" and "wiggly.bmp" into Directory (which must exist).
TWigglyGridFiles WriteWigglyGrid(const std::string& Directory, const TWigglyGridOptions& Options);
