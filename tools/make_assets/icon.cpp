// Painted at four times the size and averaged down, so its edges are smooth.
#include "tools/make_assets/icon.h"

#include "tools/make_assets/drawing.h"
#include "tools/make_assets/files.h"
#include "tools/make_assets/karts.h"
#include "tools/make_assets/pictures.h"

namespace assets {
namespace {

constexpr int icon_size = 128;
constexpr int icon_supersample = 4;

// Inside the rounded square (corner radius a fifth of the side), in supersampled pixels.
bool in_icon_shape(int x, int y, int side) {
    const double r = side / 5.0;
    const double px = x + 0.5, py = y + 0.5;
    const double cx = px < r ? r : (px > side - r ? side - r : px);
    const double cy = py < r ? r : (py > side - r ? side - r : py);
    return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
}

} // namespace

bool write_icon(const std::filesystem::path &path) {
    const int side = icon_size * icon_supersample;
    Canvas canvas(side, side, black);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            canvas.put(x, y, mix3({8, 10, 34}, {30, 26, 70}, {70, 34, 40}, y / double(side)));
    Rng rng{4242};
    for (int layer = 0; layer < 3; ++layer) // thicker than the intro's, to show at a small size
        paint_whirl(canvas, side / 2.0, side * 0.40, {214, 168, 104}, rng);
    for (int y = side * 13 / 16; y < side * 14 / 16; ++y)
        for (int x = 0; x < side; ++x) {
            const int square = side / 16;
            const bool dark = (x / square + (y - side * 13 / 16) / square) % 2 == 0;
            canvas.put(x, y, dark ? Color{22, 22, 26} : Color{236, 236, 236});
        }
    const double zoom = 4.4;
    draw_kart(canvas, side * 0.36, side * 0.40, 1, 1, 1, zoom, {0, 0, side - 1, side - 1}, -1);
    draw_kart(canvas, side * 0.62, side * 0.64, 1, 2, 2, zoom, {0, 0, side - 1, side - 1}, -1);

    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(icon_size) * icon_size * 4);
    constexpr int samples = icon_supersample * icon_supersample;
    for (int y = 0; y < icon_size; ++y)
        for (int x = 0; x < icon_size; ++x) {
            int r = 0, g = 0, b = 0, covered = 0;
            for (int sy = 0; sy < icon_supersample; ++sy)
                for (int sx = 0; sx < icon_supersample; ++sx) {
                    const int px = x * icon_supersample + sx, py = y * icon_supersample + sy;
                    if (!in_icon_shape(px, py, side))
                        continue;
                    const Color &c = canvas.at(px, py);
                    r += c.r, g += c.g, b += c.b, ++covered;
                }
            std::uint8_t *out = &rgba[(static_cast<std::size_t>(y) * icon_size + x) * 4];
            if (covered > 0) {
                out[0] = static_cast<std::uint8_t>((r + covered / 2) / covered);
                out[1] = static_cast<std::uint8_t>((g + covered / 2) / covered);
                out[2] = static_cast<std::uint8_t>((b + covered / 2) / covered);
            }
            out[3] = static_cast<std::uint8_t>((covered * 255 + samples / 2) / samples);
        }
    return write_png(path, icon_size, icon_size, rgba);
}

} // namespace assets
