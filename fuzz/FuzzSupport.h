#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Starts an offscreen QApplication once (fonts and widgets need one) and silences the
// message boxes, counting them instead.
void FuzzInitApplication();

// The input split into lines at CR, LF or CR LF.
std::vector<std::string> FuzzLines(const uint8_t* Data, size_t Size);

// Aborts with a message: a property the fuzzer must never see broken.
[[noreturn]] void FuzzFail(const std::string& What);
