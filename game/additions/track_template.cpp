// The track template and its GIMP palette.
#include "game/additions/track_template.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "game/race.h"
#include "game/setup.h"
#include "platform/additions/screenshot.h"
#include "platform/file.h"

namespace {

constexpr int width = 640, height = 480;

// The index whose colour is nearest the one wanted, among those that mean nothing to the race
// and whose colour is not one of those that do.
BYTE nearest(const PALETTEENTRY palette[256], int red, int green, int blue) {
    const int meaningful[] = {wall_color, finish_color, turn_color, mud_color};
    int best = -1;
    long best_distance = 0;
    for (int i = 0; i < 256; ++i) {
        bool usable = true;
        for (int m : meaningful)
            usable = usable && i != m &&
                     std::memcmp(&palette[i], &palette[m], 3) != 0; // red, green, blue
        const long dr = palette[i].peRed - red, dg = palette[i].peGreen - green,
                   db = palette[i].peBlue - blue;
        const long distance = dr * dr + dg * dg + db * db;
        if (usable && (best < 0 || distance < best_distance)) {
            best = i;
            best_distance = distance;
        }
    }
    return static_cast<BYTE>(best);
}

struct Picture {
    std::vector<BYTE> pixels = std::vector<BYTE>(width * height, wall_color);

    void fill(int x1, int y1, int x2, int y2, BYTE color) {
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x)
                pixels[y * width + x] = color;
    }
    // A rectangle's outline where it lies on the road, leaving the line and the walls whole.
    void frame(int x1, int y1, int x2, int y2, BYTE road, BYTE color) {
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x)
                if ((x == x1 || x == x2 || y == y1 || y == y2) && pixels[y * width + x] == road)
                    pixels[y * width + x] = color;
    }
};

bool write_file(const std::string &path, const void *data, std::size_t size, std::string &error) {
    std::string why;
    std::FILE *file = open_for_writing(path.c_str(), false, why);
    bool written = file != nullptr && std::fwrite(data, 1, size, file) == size;
    if (file != nullptr && (std::fclose(file) != 0 || !written))
        why = std::strerror(errno);
    if (!written || !why.empty())
        error = path + ": cannot be written: " + why;
    return written && why.empty();
}

} // namespace

std::string track_template_palette_file(const std::string &file) {
    const bool bmp = file.size() >= 4 && file.compare(file.size() - 4, 4, ".bmp") == 0;
    return (bmp ? file.substr(0, file.size() - 4) : file) + ".gpl";
}

bool track_template_write(const std::string &file, const PALETTEENTRY palette[256],
                          std::string &error) {
    const BYTE road = nearest(palette, 112, 112, 112);
    const BYTE start_mark = nearest(palette, 255, 255, 0);
    const BYTE probe_mark = nearest(palette, 255, 0, 255);
    // A road round a wall block, long enough that player 2's laps count; the line across the top
    // straight from the outer wall to the block, just left of the start places.
    Picture picture;
    picture.fill(10, 10, 629, 469, road);
    picture.fill(120, 130, 519, 349, wall_color);
    picture.fill(240, 10, 249, 129, finish_color);
    for (const auto &[x, y] :
         {std::pair{kart1_start_x, kart1_start_y}, std::pair{kart2_start_x, kart2_start_y}}) {
        picture.frame(x, y, x + kart_width - 1, y + kart_height - 1, road, start_mark);
        picture.frame(x + probe_inset, y + probe_inset, x + kart_width - probe_inset,
                      y + kart_height - probe_inset, road, probe_mark);
    }
    const std::vector<BYTE> bmp = bmp_8bit(picture.pixels.data(), width, height, width, palette);
    if (!write_file(file, bmp.data(), bmp.size(), error))
        return false;
    std::string gpl = "GIMP Palette\nName: Dirtwhirl\nColumns: 16\n#\n";
    for (int i = 0; i < 256; ++i) {
        const char *meaning = i == wall_color                     ? " wall"
                              : i == finish_color                 ? " finish line"
                              : i == turn_color || i == mud_color ? " terrain"
                                                                  : "";
        char line[64];
        std::snprintf(line, sizeof line, "%3d %3d %3d\tindex %d%s\n", palette[i].peRed,
                      palette[i].peGreen, palette[i].peBlue, i, meaning);
        gpl += line;
    }
    return write_file(track_template_palette_file(file), gpl.data(), gpl.size(), error);
}
