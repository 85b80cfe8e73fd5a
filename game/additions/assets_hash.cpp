// The assets hash: FNV-1a 64 over each file's name, length and bytes.
#include "game/additions/assets_hash.h"

#include <cstdio>
#include <vector>

#include "platform/file.h"

namespace {

// Far above a 640 x 480 picture or a kart's sprites; a file beyond is not one of the game's.
constexpr std::uint64_t largest_asset = 16u << 20;

void feed(std::uint64_t &hash, const std::uint8_t *bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001B3ull;
    }
}

} // namespace

bool assets_hash(const std::string &folder, std::uint64_t &hash, std::string &error) {
    std::vector<std::string> names;
    char name[32];
    for (int i = 0; i < 3; ++i) {
        std::snprintf(name, sizeof name, "images/track%d.bmp", i);
        names.push_back(name);
    }
    for (int kart = 1; kart <= 2; ++kart)
        for (int i = 0; i < 8; ++i) {
            std::snprintf(name, sizeof name, "cars/car%d%d.BMP", kart, i);
            names.push_back(name);
        }
    hash = 0xCBF29CE484222325ull;
    for (const std::string &file : names) {
        const std::string path = folder.empty() ? file : folder + "/" + file;
        std::vector<BYTE> bytes;
        const std::string why = read_file_checked(path.c_str(), bytes, largest_asset);
        if (!why.empty()) {
            error = path + ": " + why;
            return false;
        }
        std::uint8_t length[8];
        for (int i = 0; i < 8; ++i)
            length[i] = static_cast<std::uint8_t>(std::uint64_t{bytes.size()} >> (8 * i));
        feed(hash, reinterpret_cast<const std::uint8_t *>(file.data()), file.size() + 1);
        feed(hash, length, sizeof length);
        feed(hash, bytes.data(), bytes.size());
    }
    return true;
}
