#pragma once

#include "platform/FileOpen.h"

#include <cstddef>
#include <functional>
#include <string>

// Writes Size bytes as the whole content of FileName.
//
// A regular file (or none) is replaced in one step once every byte is written and synced,
// so a failure leaves the previous file as it was and nothing beside it. The new file
// keeps the old one's permissions, and its owner and group where the system allows (as
// root, or a group the user belongs to). Through a symbolic link the link's target is
// replaced and the link stays; a file with other hard links gets a new inode, so the other
// names keep the old content. An existing target that is neither a regular file nor a
// directory (a device, a FIFO) is written directly and never replaced by a file. Failures
// name their cause as the system gives it: EFCreateError "Cannot create file %s: <reason>"
// when the target cannot be opened, EStreamError "Cannot write file %s: <reason>" when the
// bytes cannot be written.
void WriteWholeFile(const std::string& FileName, const char* Data, size_t Size);

// The same, with the content written by Write to the device it is given, so that a large
// output is never held whole in memory; Write may stop once the device has Failed(). An error that
// Write raises is passed on, with the previous file left as it was.
void WriteWholeFile(const std::string& FileName, const std::function<void(TCheckedOutput&)>& Write);
