#include "editor/MyUtils.h"

bool PointsEqual(const TPoint& A, const TPoint& B) {
    return A.X == B.X && A.Y == B.Y;
}
