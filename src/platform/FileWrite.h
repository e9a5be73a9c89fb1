#pragma once

#include <cstddef>
#include <string>

// Writes Size bytes as the whole content of FileName.
//
// A regular file (or none) is replaced in one step once every byte is written, so a
// failure leaves the previous file as it was. An existing target that is neither a regular
// file nor a directory (a device, a FIFO) is written directly and never replaced by a
// file. Failures name their cause as the system gives it: EFCreateError "Cannot create
// file %s: <reason>" when the target cannot be opened, EStreamError "Cannot write file
// %s: <reason>" when the bytes cannot be written.
void WriteWholeFile(const std::string& FileName, const char* Data, size_t Size);
