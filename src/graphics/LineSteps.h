#pragma once

// The steps of the canvas's line routine over a move of Dx by Dy pixels (both magnitudes):
// the major axis moves every step, the minor one when the error term has reached 0, tested
// before it grows. Calls Step(MovesX, MovesY) max(Dx, Dy) times, in order; the pixel before
// each step is one of the line's, and so is the end, after the last.
template <typename TInt, typename TStep> void ForEachLineStep(TInt Dx, TInt Dy, TStep&& Step) {
    if (Dy < Dx) {
        TInt E = 2 * Dy - Dx;
        for (TInt I = 0; I < Dx; ++I) {
            const bool Minor = E >= 0;
            if (Minor)
                E -= 2 * Dx;
            E += 2 * Dy;
            Step(true, Minor);
        }
    } else {
        TInt E = 2 * Dx - Dy;
        for (TInt I = 0; I < Dy; ++I) {
            const bool Minor = E >= 0;
            if (Minor)
                E -= 2 * Dy;
            E += 2 * Dx;
            Step(Minor, true);
        }
    }
}
