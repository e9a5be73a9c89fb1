#pragma once

class TZone;

// A non-adjacent neighbour link between two zones of one surface; the zones are not owned.
struct TLink {
    TZone* Zone1 = nullptr;
    TZone* Zone2 = nullptr;
};
