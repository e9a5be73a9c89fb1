#include "zonemap/PointList.h"

#include "platform/Exception.h"

const TPoint& TPointList::Item(int32_t Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(Index);
    return FItems[size_t(Index)];
}

int32_t TPointList::Add(const TPoint& Point) {
    FItems.push_back(Point);
    return Count() - 1;
}

void TPointList::Delete(int32_t Index) {
    if (Index < 0 || Index >= Count())
        throw EListError(Index);
    FItems.erase(FItems.begin() + Index);
}
