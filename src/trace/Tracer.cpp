#include "trace/Tracer.h"

#include "platform/Exception.h"
#include "trace/TraceSteps.h"

#include <algorithm>
#include <cmath>

TTracer::TTracer(TTracePicture Picture, TTraceSettings Settings)
    : FPicture(std::move(Picture)), FSettings(std::move(Settings)) {
    if (!(FSettings.Tolerance >= 0) || !std::isfinite(FSettings.Tolerance))
        throw Exception("the tolerance must be a number of pixels, 0 or more");
    if (FSettings.MinArea < 0)
        throw Exception("the minimum area must be 0 or more");
    if (FPicture.Width < 0 || FPicture.Height < 0 ||
        FPicture.Pixels.size() != size_t(FPicture.Width) * size_t(FPicture.Height) ||
        (!FPicture.Covered.empty() && FPicture.Covered.size() != FPicture.Pixels.size()))
        throw Exception("the picture's pixels do not match its size");
    // Each colour once, in order, so that equal settings trace alike however they are given.
    for (auto* Colors : {&FSettings.BorderColors, &FSettings.SeaColors}) {
        std::sort(Colors->begin(), Colors->end());
        Colors->erase(std::unique(Colors->begin(), Colors->end()), Colors->end());
    }
}

TTracer::~TTracer() = default;

bool TTracer::Run(const TProgress& Progress, const std::atomic<bool>* Cancel) {
    if (FTraced)
        return true;
    const TTraceControl Control{&Progress, Cancel};
    TCellPartition Partition;
    std::vector<TTracedRegion> Regions;
    std::vector<int32_t> RegionOfId;
    if (!PartitionPicture(FPicture, FSettings, Control, Partition) ||
        !TraceOutlines(Partition, FSettings.Tolerance, Control, Regions, RegionOfId))
        return false;

    FRegions = std::move(Regions);
    FCellLeft = Partition.CellLeft;
    FCellTop = Partition.CellTop;
    FColumns = Partition.Columns;
    FRows = Partition.Rows;
    FCellRegion.resize(Partition.Cells.size());
    for (size_t I = 0; I < Partition.Cells.size(); ++I)
        FCellRegion[I] = RegionOfId[size_t(Partition.Cells[I])];
    FSummary = {};
    FSummary.Regions = int32_t(FRegions.size());
    for (const TTracedRegion& R : FRegions)
        ++(R.IsSea ? FSummary.Sea : FSummary.Land);
    FSummary.MergedSpecks = Partition.MergedSpecks + (Partition.RegionCount - FSummary.Regions);
    FSummary.BorderColors = Partition.BorderColors;
    FSummary.SeaColors = FSettings.SeaColors;
    FSummary.MarginColor = Partition.MarginColor;
    FTraced = true;
    if (Progress)
        Progress(100);
    return true;
}

const std::vector<TTracedRegion>& TTracer::Regions() {
    Run();
    return FRegions;
}

const TTraceSummary& TTracer::Summary() {
    Run();
    return FSummary;
}

int32_t TTracer::RegionAt(TPoint MapPoint) {
    Run();
    const int64_t DX = int64_t(MapPoint.X) - FCellLeft, DY = int64_t(MapPoint.Y) - FCellTop;
    if (DX < 0 || DY < 0)
        return -1;
    const int64_t C = DX / Grid, R = DY / Grid;
    if (C >= FColumns || R >= FRows)
        return -1;
    return FCellRegion[size_t(R) * size_t(FColumns) + size_t(C)];
}
