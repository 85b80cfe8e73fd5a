// Whole-file reading: the loaders bring a file's bytes into memory in one go and parse them there.
#pragma once

#include <vector>

#include "platform/types.h"

// Reads the whole file; false when it cannot be opened or read (out is then empty).
bool read_whole_file(const char *path, std::vector<BYTE> &out);
