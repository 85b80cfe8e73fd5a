// Whole-file reading: the loaders bring a file's bytes into memory in one go and parse them there.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.h"

// Reads the whole of a regular file of at most max_bytes bytes. False, with out empty, when the
// file cannot be opened, is not a regular file (a directory, device or pipe is refused at once,
// without waiting for a writer), is larger than max_bytes, or cannot be read or held in memory.
bool read_whole_file(const char *path, std::vector<BYTE> &out, std::uint64_t max_bytes);
