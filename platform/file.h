// Whole-file reading: every file the program reads, whoever named it, is brought into memory in one
// go through here and parsed there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/types.h"

// Reads the whole of a regular file of at most max_bytes bytes. On success returns an empty
// string; otherwise out is empty and the result is the reason, fit to follow the file's name in a
// one-line message: "not found", "not a regular file" (a directory, device or pipe is refused at
// once, without waiting for a writer), "larger than N bytes", or the system's reason.
std::string read_file_checked(const char *path, std::vector<BYTE> &out, std::uint64_t max_bytes);
// The same, for callers that only need to know whether it worked.
bool read_whole_file(const char *path, std::vector<BYTE> &out, std::uint64_t max_bytes);

// Opens a file for writing ("wb"): a regular file made or emptied, or with exclusive true only
// made anew (an existing name is refused with "File exists"). A pipe, device or folder under the
// name is refused at once, without waiting for a reader. Null with the reason in why otherwise.
std::FILE *open_for_writing(const char *path, bool exclusive, std::string &why);
