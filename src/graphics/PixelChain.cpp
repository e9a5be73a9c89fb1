#include "graphics/PixelChain.h"

#include "graphics/DIBCanvas.h"
#include "graphics/LineSteps.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace {

constexpr uint8_t StayCode = 4;

uint8_t StepCode(int64_t DX, int64_t DY) {
    return uint8_t((DX + 1) * 3 + (DY + 1));
}

} // namespace

void TPixelChain::Clear() {
    std::vector<uint8_t>().swap(FSteps);
    std::vector<int8_t>().swap(FMoves);
    FSegments = 0;
    FStepCount = 0;
    FLeft = FTop = 0;
    FRight = FBottom = -1;
}

bool TPixelChain::Build(const TPoint64* Points, size_t Count, size_t MaxSteps) {
    Clear();
    if (Count == 0)
        return false;
    const size_t segments = Count;
    const auto End = [&](size_t Segment) { return Points[(Segment + 1) % Count]; };
    int64_t left = Points[0].X, right = left, top = Points[0].Y, bottom = top;
    for (size_t i = 0; i < Count; ++i) {
        left = std::min(left, Points[i].X);
        right = std::max(right, Points[i].X);
        top = std::min(top, Points[i].Y);
        bottom = std::max(bottom, Points[i].Y);
    }
    // Counted first, so that a chain over the limit costs no memory.
    size_t total = 0;
    for (size_t i = 0; i < segments; ++i) {
        const TPoint64 A = Points[i];
        const TPoint64 B = End(i);
        const int64_t dx = B.X >= A.X ? B.X - A.X : A.X - B.X;
        const int64_t dy = B.Y >= A.Y ? B.Y - A.Y : A.Y - B.Y;
        const uint64_t steps = uint64_t(std::max(dx, dy));
        if (steps > MaxSteps - total)
            return false;
        total += size_t(steps);
    }

    FSteps.reserve((total + 1) / 2);
    FMoves.reserve(2 * segments);
    size_t written = 0;
    const auto Push = [&](uint8_t Code) {
        if (written % 2 == 0)
            FSteps.push_back(uint8_t(Code | (StayCode << 4)));
        else
            FSteps.back() = uint8_t((FSteps.back() & 0x0F) | (Code << 4));
        ++written;
    };
    // The steps of the canvas's line routine.
    for (size_t i = 0; i < segments; ++i) {
        const TPoint64 A = Points[i];
        const TPoint64 B = End(i);
        const int64_t sx = B.X - A.X >= 0 ? 1 : -1;
        const int64_t sy = B.Y - A.Y >= 0 ? 1 : -1;
        const int64_t dx = B.X >= A.X ? B.X - A.X : A.X - B.X;
        const int64_t dy = B.Y >= A.Y ? B.Y - A.Y : A.Y - B.Y;
        ForEachLineStep(dx, dy, [&](bool MovesX, bool MovesY) {
            Push(StepCode(MovesX ? sx : 0, MovesY ? sy : 0));
        });
        const int64_t moveX = B.X - A.X, moveY = B.Y - A.Y;
        if (moveX >= -127 && moveX <= 127 && moveY >= -127 && moveY <= 127) {
            FMoves.push_back(int8_t(moveX));
            FMoves.push_back(int8_t(moveY));
        } else {
            FMoves.push_back(-128);
            const size_t At = FMoves.size();
            FMoves.resize(At + 16);
            std::memcpy(&FMoves[At], &moveX, 8);
            std::memcpy(&FMoves[At + 8], &moveY, 8);
        }
    }
    FSegments = segments;
    FStepCount = written;
    FStart = Points[0];
    FLastFrom = Points[segments - 1];
    FLastTo = Points[0];
    FLeft = left;
    FTop = top;
    FRight = right;
    FBottom = bottom;
    return true;
}

namespace {

int32_t Clamp32(int64_t Value) {
    return int32_t(std::clamp<int64_t>(Value, INT32_MIN, INT32_MAX));
}

bool Inside(int64_t X, int64_t Y, const TRect& R) {
    return X >= R.Left && X <= R.Right && Y >= R.Top && Y <= R.Bottom;
}

} // namespace

template <int BytesPerPixel, typename TStore>
void TPixelChain::Replay(TDIBCanvas& Canvas, int64_t DX, int64_t DY, TStore Store) const {
    const TRect& Clip = Canvas.ClipRect();
    const ptrdiff_t row = Canvas.Width();
    uint8_t* const bits = Canvas.Bits();
    std::array<ptrdiff_t, 16> delta{};
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            delta[StepCode(dx, dy)] = (dx + dy * row) * BytesPerPixel;
    const auto At = [&](int64_t X, int64_t Y) {
        return bits + (ptrdiff_t(Y) * row + ptrdiff_t(X)) * BytesPerPixel;
    };

    // Replays Steps steps from step First on, starting with the pixel at P.
    const auto Steps = [&](uint8_t* P, size_t First, size_t Count) {
        Store(P);
        size_t t = First;
        const size_t end = First + Count;
        if (t % 2 != 0 && t < end) {
            P += delta[FSteps[t / 2] >> 4];
            Store(P);
            ++t;
        }
        for (; t + 1 < end; t += 2) {
            const uint8_t pair = FSteps[t / 2];
            P += delta[pair & 0x0F];
            Store(P);
            P += delta[pair >> 4];
            Store(P);
        }
        if (t < end) {
            P += delta[FSteps[t / 2] & 0x0F];
            Store(P);
        }
    };
    if (FLeft + DX >= Clip.Left && FRight + DX <= Clip.Right && FTop + DY >= Clip.Top &&
        FBottom + DY <= Clip.Bottom) {
        Steps(At(FStart.X + DX, FStart.Y + DY), 0, FStepCount);
        Canvas.SetLineSegment(int32_t(FLastFrom.X + DX), int32_t(FLastFrom.Y + DY),
                              int32_t(FLastTo.X + DX), int32_t(FLastTo.Y + DY));
        Canvas.MoveTo(int32_t(FLastTo.X + DX), int32_t(FLastTo.Y + DY));
        return;
    }

    int64_t x = FStart.X + DX, y = FStart.Y + DY;
    bool inside = Inside(x, y, Clip);
    size_t next = 0;
    size_t at = 0;
    for (size_t s = 0; s < FSegments; ++s) {
        int64_t moveX = FMoves[at], moveY;
        if (moveX != -128) {
            moveY = FMoves[at + 1];
            at += 2;
        } else {
            std::memcpy(&moveX, &FMoves[at + 1], 8);
            std::memcpy(&moveY, &FMoves[at + 9], 8);
            at += 17;
        }
        const size_t steps =
            size_t(std::max(moveX < 0 ? -moveX : moveX, moveY < 0 ? -moveY : moveY));
        const int64_t ex = x + moveX, ey = y + moveY;
        const bool endInside = Inside(ex, ey, Clip);
        const bool last = s + 1 == FSegments;
        if (inside && endInside) {
            Steps(At(x, y), next, steps);
            if (last) {
                Canvas.SetLineSegment(int32_t(x), int32_t(y), int32_t(ex), int32_t(ey));
                Canvas.MoveTo(int32_t(ex), int32_t(ey));
            }
        } else if (last ||
                   !((x < Clip.Left && ex < Clip.Left) || (x > Clip.Right && ex > Clip.Right) ||
                     (y < Clip.Top && ey < Clip.Top) || (y > Clip.Bottom && ey > Clip.Bottom))) {
            // Clipping moves an end point onto the edge, which can change which pixels
            // the rest of the line takes: only the canvas's own routine is exact.
            Canvas.MoveTo(Clamp32(x), Clamp32(y));
            Canvas.LineTo(Clamp32(ex), Clamp32(ey));
        }
        next += steps;
        x = ex;
        y = ey;
        inside = endInside;
    }
}

bool TPixelChain::Draw(TDIBCanvas& Canvas, int64_t DX, int64_t DY) const {
    if (!Canvas.Bits() || Canvas.BottomUp() || FSegments == 0)
        return false;
    if (Canvas.BitDepth() == bd8) {
        const uint8_t color = uint8_t(Canvas.PenColor());
        Replay<1>(Canvas, DX, DY, [color](uint8_t* P) { *P = color; });
    } else {
        const uint16_t color = Canvas.PenColor();
        Replay<2>(Canvas, DX, DY, [color](uint8_t* P) { std::memcpy(P, &color, 2); });
    }
    return true;
}
