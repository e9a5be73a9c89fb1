#pragma once

#include "platform/Types.h"

#include <vector>

// A list of points, held by value: the points a zone's grid is made of.
class TPointList {
public:
    int32_t Count() const { return int32_t(FItems.size()); }
    // Raises EListError "List index out of bounds (%d)" outside 0 .. Count() - 1.
    const TPoint& Item(int32_t Index) const;
    const TPoint& operator[](int32_t Index) const { return Item(Index); }

    // Appends a copy and returns its index.
    int32_t Add(const TPoint& Point);
    void Delete(int32_t Index);
    void Clear() { FItems.clear(); }

    const std::vector<TPoint>& Items() const { return FItems; }

private:
    std::vector<TPoint> FItems;
};
