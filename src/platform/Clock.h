#pragma once

#include <cstdint>

// Milliseconds since an arbitrary start, unsigned 32-bit, wrapping about every 49.7 days.
uint32_t timeGetTime();

void Sleep(uint32_t Milliseconds);
