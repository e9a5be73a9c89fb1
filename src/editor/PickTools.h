#pragma once

#include "editor/SelectZoneTool.h"

// The Zone menu's picks: the next zone selected (on the map, in the list or elsewhere)
// finishes the command begun on the pick source, and the pick ends.

// Add a non-Adjacent Neighbor: the source and the picked zone are linked.
class TAddNeighborTool : public TSelectZoneTool {
public:
    using TSelectZoneTool::TSelectZoneTool;
    void ZoneSelected(TZone* Zone) override;
    std::string Prompt() const override;
};

// Find Path to Destination: the cheapest path from the source to the picked zone is
// highlighted.
class TFindPathTool : public TSelectZoneTool {
public:
    using TSelectZoneTool::TSelectZoneTool;
    void ZoneSelected(TZone* Zone) override;
    std::string Prompt() const override;
};
