// Track pictures drawn by tests: an oval road walled in, with the finish line across its top
// straight just left of the start places, in the game's palette.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game/additions/track_check.h"
#include "platform/additions/screenshot.h"

constexpr BYTE track_road = 100; // an index that means nothing to the race

// The palette of the built-in tracks, read once from the data.
inline const TrackPicture &game_palette() {
    static TrackPicture picture = [] {
        TrackPicture read;
        std::string why;
        if (!track_picture_read("images/track0.bmp", read, why))
            ADD_FAILURE() << "images/track0.bmp: " << why;
        return read;
    }();
    return picture;
}

struct TrackDrawing {
    std::vector<BYTE> pixels = std::vector<BYTE>(640 * 480, 29);

    void paint(int x1, int y1, int x2, int y2, BYTE color) {
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x)
                pixels[y * 640 + x] = color;
    }
    std::vector<BYTE> bmp() const {
        return bmp_8bit(pixels.data(), 640, 480, 640, game_palette().palette);
    }
};

struct Box {
    int x1, y1, x2, y2;
};

// Road inside a wall 10 pixels thick round the screen, a wall block in the middle, the line
// (columns 240 to 249) from the outer wall to the block.
inline TrackDrawing oval_track(Box inner = {120, 130, 519, 349}) {
    TrackDrawing drawing;
    drawing.paint(10, 10, 629, 469, track_road);
    drawing.paint(inner.x1, inner.y1, inner.x2, inner.y2, 29);
    drawing.paint(240, 10, 249, inner.y1 - 1, 0);
    return drawing;
}

inline void write_bytes(const std::string &path, const std::vector<BYTE> &bytes) {
    std::FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}
