// make_wiggly_grid DIR [SEGMENTS [COLUMNS ROWS]]: writes the wiggly-grid map set into DIR,
// for timing the command-line tool on it.
#include "WigglyGrid.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
    if (argc < 2 || argc == 4 || argc > 5) {
        std::fprintf(stderr, "usage: make_wiggly_grid DIR [SEGMENTS [COLUMNS ROWS]]\n");
        return 2;
    }
    TWigglyGridOptions Options;
    if (argc >= 3)
        Options.Segments = std::atoi(argv[2]);
    if (argc == 5) {
        Options.Columns = std::atoi(argv[3]);
        Options.Rows = std::atoi(argv[4]);
    }
    try {
        const TWigglyGridFiles F = WriteWigglyGrid(argv[1], Options);
        std::printf("%s: %d zones, %lld points, %lld bytes\n", F.MapSet.c_str(), F.ZoneCount,
                    static_cast<long long>(F.PointCount), static_cast<long long>(F.MapSetBytes));
    } catch (const std::exception& E) {
        std::fprintf(stderr, "%s\n", E.what());
        return 2;
    }
    return 0;
}
