#pragma once

// The two steps of tracing, behind TTracer: the picture cut into regions on the grid of
// cells, and the outlines of those regions.

#include "trace/Tracer.h"

#include <cstdint>
#include <vector>

// Says whether to go on, with the progress of the whole trace.
struct TTraceControl {
    const TTracer::TProgress* Progress = nullptr;
    const std::atomic<bool>* Cancel = nullptr;
    bool GoOn(int32_t Percent) const {
        if (Progress != nullptr && *Progress)
            (*Progress)(Percent);
        return Cancel == nullptr || !Cancel->load();
    }
};

// The regions of a picture on the grid of cells (TTracer::Grid pixels square, aligned to
// the map's grid, wholly inside the picture). Each region is one 4-connected set of cells
// that never meets itself at a mere corner.
struct TCellPartition {
    int32_t CellLeft = 0; // map coordinates of the top-left cell's top-left corner
    int32_t CellTop = 0;
    int32_t Columns = 0;
    int32_t Rows = 0;
    std::vector<int32_t> Cells; // 0: no region; else region id, 1-based
    // Pixels of the cell that its region holds (of Grid * Grid): where in the cell the
    // border runs.
    std::vector<uint8_t> Own;
    std::vector<uint8_t> IsSea; // by id - 1
    std::vector<int64_t> Area;  // pixels, by id - 1
    int32_t RegionCount = 0;
    int32_t MergedSpecks = 0;
    int32_t MarginColor = -1;
    std::vector<uint8_t> BorderColors;
    // The region of every pixel, its lines split (ids as in Cells, 0 for none), row by row
    // over LabelWidth pixels; the cell grid's top-left corner is pixel (LabelLeft, LabelTop).
    // Outlines are placed against it.
    std::vector<int32_t> Labels;
    int32_t LabelWidth = 0;
    int32_t LabelLeft = 0;
    int32_t LabelTop = 0;

    int32_t OwnAt(int32_t Column, int32_t Row) const {
        return Column < 0 || Row < 0 || Column >= Columns || Row >= Rows
                   ? TTracer::Grid * TTracer::Grid
                   : Own[size_t(Row) * size_t(Columns) + size_t(Column)];
    }
    int32_t At(int32_t Column, int32_t Row) const {
        return Column < 0 || Row < 0 || Column >= Columns || Row >= Rows
                   ? 0
                   : Cells[size_t(Row) * size_t(Columns) + size_t(Column)];
    }
};

// False when cancelled.
bool PartitionPicture(const TTracePicture& Picture, const TTraceSettings& Settings,
                      const TTraceControl& Control, TCellPartition& Result);

// The outlines of every region of the partition, in TTracer::Regions() order; RegionOfId
// gives each id's index there (-1 for a region that kept no outline).
bool TraceOutlines(const TCellPartition& Partition, double Tolerance, const TTraceControl& Control,
                   std::vector<TTracedRegion>& Regions, std::vector<int32_t>& RegionOfId);
