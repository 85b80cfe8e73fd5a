// A 64-bit hash of the files that decide a race: the three track pictures and the 16 car
// bitmaps, so that two machines with other art refuse to race rather than go out of step.
#pragma once

#include <cstdint>
#include <string>

// The hash of the files under folder ("" for the working directory), each file's name and bytes
// in a fixed order. False with the file's name in error when one cannot be read.
bool assets_hash(const std::string &folder, std::uint64_t &hash, std::string &error);
