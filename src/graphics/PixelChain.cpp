#include "graphics/PixelChain.h"

#include "graphics/DIBCanvas.h"

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
    std::vector<uint8_t>().swap(FSegmentSteps);
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
    FSegmentSteps.reserve(segments);
    size_t written = 0;
    const auto Push = [&](uint8_t Code) {
        if (written % 2 == 0)
            FSteps.push_back(uint8_t(Code | (StayCode << 4)));
        else
            FSteps.back() = uint8_t((FSteps.back() & 0x0F) | (Code << 4));
        ++written;
    };
    // The steps of the canvas's line routine: the major axis moves every step, the minor
    // one when the error term has reached 0, tested before it grows.
    for (size_t i = 0; i < segments; ++i) {
        const TPoint64 A = Points[i];
        const TPoint64 B = End(i);
        const int64_t sx = B.X - A.X >= 0 ? 1 : -1;
        const int64_t sy = B.Y - A.Y >= 0 ? 1 : -1;
        const int64_t dx = B.X >= A.X ? B.X - A.X : A.X - B.X;
        const int64_t dy = B.Y >= A.Y ? B.Y - A.Y : A.Y - B.Y;
        const int64_t major = std::max(dx, dy);
        if (dy < dx) {
            int64_t e = 2 * dy - dx;
            for (int64_t k = 0; k < dx; ++k) {
                int64_t my = 0;
                if (e >= 0) {
                    e -= 2 * dx;
                    my = sy;
                }
                e += 2 * dy;
                Push(StepCode(sx, my));
            }
        } else {
            int64_t e = 2 * dx - dy;
            for (int64_t k = 0; k < dy; ++k) {
                int64_t mx = 0;
                if (e >= 0) {
                    e -= 2 * dy;
                    mx = sx;
                }
                e += 2 * dx;
                Push(StepCode(mx, sy));
            }
        }
        int64_t left = major;
        for (; left >= 255; left -= 255)
            FSegmentSteps.push_back(255);
        FSegmentSteps.push_back(uint8_t(left));
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
    std::array<int8_t, 16> stepX{}, stepY{};
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
            const uint8_t code = StepCode(dx, dy);
            delta[code] = (dx + dy * row) * BytesPerPixel;
            stepX[code] = int8_t(dx);
            stepY[code] = int8_t(dy);
        }
    const auto At = [&](int64_t X, int64_t Y) {
        return bits + (ptrdiff_t(Y) * row + ptrdiff_t(X)) * BytesPerPixel;
    };

    if (FLeft + DX >= Clip.Left && FRight + DX <= Clip.Right && FTop + DY >= Clip.Top &&
        FBottom + DY <= Clip.Bottom) {
        uint8_t* p = At(FStart.X + DX, FStart.Y + DY);
        Store(p);
        for (const uint8_t pair : FSteps) {
            p += delta[pair & 0x0F];
            Store(p);
            p += delta[pair >> 4];
            Store(p);
        }
        Canvas.SetLineSegment(int32_t(FLastFrom.X + DX), int32_t(FLastFrom.Y + DY),
                              int32_t(FLastTo.X + DX), int32_t(FLastTo.Y + DY));
        Canvas.MoveTo(int32_t(FLastTo.X + DX), int32_t(FLastTo.Y + DY));
        return;
    }

    const auto Step = [this](size_t Index) {
        return uint8_t((FSteps[Index / 2] >> (Index % 2 * 4)) & 0x0F);
    };
    int64_t x = FStart.X + DX, y = FStart.Y + DY;
    size_t next = 0;
    size_t count = 0;
    for (size_t s = 0; s < FSegments; ++s) {
        size_t steps = 0;
        uint8_t part;
        do {
            part = FSegmentSteps[count++];
            steps += part;
        } while (part == 255);
        int64_t ex = x, ey = y;
        for (size_t t = next; t < next + steps; ++t) {
            ex += stepX[Step(t)];
            ey += stepY[Step(t)];
        }
        const bool last = s + 1 == FSegments;
        if (Inside(x, y, Clip) && Inside(ex, ey, Clip)) {
            uint8_t* p = At(x, y);
            Store(p);
            for (size_t t = next; t < next + steps; ++t) {
                p += delta[Step(t)];
                Store(p);
            }
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
