#pragma once

#include "platform/Types.h"

// Equal coordinates: the duplicate-zone test compares points one by one with it.
bool PointsEqual(const TPoint& A, const TPoint& B);
