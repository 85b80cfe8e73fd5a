// Screenshots of the surface on the screen, through the palette it is shown with.
#include "platform/additions/screenshot.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/display.h"
#include "platform/internal.h"

namespace {

std::string folder;

void put16(std::vector<BYTE> &out, unsigned value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}

void put32(std::vector<BYTE> &out, unsigned value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Opens a new file "dirtwhirl-DATE-TIME.bmp" (with "-2", "-3"... when taken) that did not exist.
std::FILE *open_new_file(std::string &name) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &local);
    for (int n = 1; n < 1000; ++n) {
        name = folder + "/dirtwhirl-" + stamp;
        if (n > 1) {
            name += '-';
            name += std::to_string(n);
        }
        name += ".bmp";
        // "x": fails when the file exists, so nothing is ever overwritten.
        if (std::FILE *file = std::fopen(name.c_str(), "wbx"))
            return file;
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

} // namespace

// File header, info header, 256 palette entries (blue, green, red, 0) and the rows bottom-up,
// each padded to a multiple of 4 bytes.
std::vector<BYTE> bmp_8bit(const BYTE *pixels, int width, int height, int pitch,
                           const PALETTEENTRY *palette) {
    const unsigned row_bytes = (static_cast<unsigned>(width) + 3) & ~3u;
    const unsigned pixel_offset = 14 + 40 + 256 * 4;
    const unsigned image_size = row_bytes * static_cast<unsigned>(height);
    std::vector<BYTE> out;
    out.reserve(pixel_offset + image_size);
    put16(out, 0x4D42); // "BM"
    put32(out, pixel_offset + image_size);
    put32(out, 0);
    put32(out, pixel_offset);
    put32(out, 40);
    put32(out, static_cast<unsigned>(width));
    put32(out, static_cast<unsigned>(height));
    put16(out, 1);
    put16(out, 8);
    put32(out, 0); // uncompressed
    put32(out, image_size);
    put32(out, 2835); // 72 dots per inch
    put32(out, 2835);
    put32(out, 256);
    put32(out, 0);
    for (int i = 0; i < 256; ++i) {
        out.push_back(palette[i].peBlue);
        out.push_back(palette[i].peGreen);
        out.push_back(palette[i].peRed);
        out.push_back(0);
    }
    for (int y = height - 1; y >= 0; --y) {
        const BYTE *row = pixels + static_cast<std::size_t>(y) * pitch;
        out.insert(out.end(), row, row + width);
        out.resize(out.size() + (row_bytes - width), 0);
    }
    return out;
}

void screenshot_folder(const char *new_folder) {
    folder = new_folder != nullptr ? new_folder : "";
}

namespace platform {

std::string save_screenshot() {
    const IDirectDrawSurface *surface = present_shown();
    if (folder.empty() || surface == nullptr)
        return "";
    // The first error that really happened is the one told: the folder's, then the file's.
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "dirtwhirl: cannot save a screenshot: cannot make %s: %s\n",
                     folder.c_str(), error.message().c_str());
        return "";
    }
    std::string name;
    std::FILE *file = open_new_file(name);
    if (file == nullptr) {
        std::fprintf(stderr, "dirtwhirl: cannot save a screenshot in %s: %s\n", folder.c_str(),
                     std::strerror(errno));
        return "";
    }
    const std::vector<BYTE> bytes =
        bmp_8bit(surface->pixels.data(), surface->width, surface->height, surface->pitch,
                 present_shown_palette());
    errno = 0;
    int why = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() ? 0 : errno;
    if (why == 0 && std::ferror(file) != 0)
        why = ENOSPC;
    // A full disk may show only at the flush or the close.
    if (why == 0 && std::fflush(file) != 0)
        why = errno;
    if (std::fclose(file) != 0 && why == 0)
        why = errno;
    if (why != 0) {
        std::fprintf(stderr, "dirtwhirl: cannot write the screenshot %s: %s\n", name.c_str(),
                     std::strerror(why));
        std::remove(name.c_str());
        return "";
    }
    std::fprintf(stderr, "dirtwhirl: screenshot saved as %s\n", name.c_str());
    return name;
}

} // namespace platform
