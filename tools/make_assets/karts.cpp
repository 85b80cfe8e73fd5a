// The kart drawn pixel by pixel, and the sixteen car files of three frames each.
#include "tools/make_assets/karts.h"

#include "tools/make_assets/files.h"

namespace assets {
namespace {

struct KartColors {
    Color body;
    Color body_dark;
    Color body_light;
    Color helmet;
};

KartColors kart_colors(int player) {
    if (player == 1)
        return {{214, 26, 30}, {120, 8, 14}, {255, 120, 104}, {255, 214, 40}};
    return {{32, 84, 224}, {10, 34, 120}, {120, 170, 255}, {246, 246, 246}};
}

// One pixel of the kart at (u, v), or false where the kart is not. Frames 0 to 2 move the tread
// marks of the tyres along and puff exhaust smoke behind.
bool kart_pixel(int u, int v, int frame, const KartColors &colors, Color *out) {
    if (frame < 0)
        return false;
    const int av = v < 0 ? -v - 1 : v; // mirror so the kart is exactly symmetric
    auto in_circle = [](double du, double dv, double r) { return du * du + dv * dv <= r * r; };
    const Color tyre{34, 34, 38};
    const Color tread{82, 82, 90};
    const Color metal{150, 150, 158};
    const Color dark_metal{70, 70, 78};
    if (in_circle(u + 4.5, av + 0.5, 4.6)) { // helmet, visor toward the front
        *out = (u >= -2 && av <= 2) ? Color{30, 40, 60}
                                    : (u <= -7 ? scale(colors.helmet, 0.8) : colors.helmet);
        return true;
    }
    if (u == 2 && av <= 3) { // steering wheel
        *out = {40, 40, 46};
        return true;
    }
    if (u >= -10 && u <= 3 && av <= 5) { // cockpit
        *out = {46, 46, 54};
        return true;
    }
    const int half = u <= 10 ? 8 : 8 - (u - 10) / 2;
    if (u >= -15 && u <= 20 && av <= half) { // body with a centre stripe and darker edges
        if (av <= 1 && u >= 4)
            *out = {246, 246, 246};
        else if (av >= half - 1)
            *out = colors.body_dark;
        else if (av <= 3)
            *out = colors.body_light;
        else
            *out = colors.body;
        return true;
    }
    if (u >= 19 && u <= 22 && av <= 12) { // front wing
        *out = u == 22 ? colors.body_dark : colors.body;
        return true;
    }
    if (u >= -21 && u <= -18 && av <= 12) { // rear wing
        *out = (u == -21 || av >= 11) ? colors.body_dark : colors.body;
        return true;
    }
    if (u >= -17 && u <= -12 && av <= 6) { // engine
        *out = (u % 2 == 0) ? metal : dark_metal;
        return true;
    }
    if (u >= -9 && u <= 5 && av <= 10) { // side pods
        *out = colors.body_dark;
        return true;
    }
    const bool front_wheel = u >= 9 && u <= 16 && av >= 10 && av <= 15;
    const bool rear_wheel = u >= -17 && u <= -8 && av >= 10 && av <= 16;
    if (front_wheel || rear_wheel) {
        const bool mark = ((u + 30 - frame) % 3) == 0; // tread marks roll back as it drives
        *out = mark ? tread : tyre;
        if (av == 10 || av == (front_wheel ? 15 : 16))
            *out = scale(*out, 0.7);
        return true;
    }
    if (u >= -8 && u <= 9 && (av == 12 || av == 13) && u % 4 != 0) { // axle struts
        *out = dark_metal;
        return true;
    }
    if (u >= -24 && u <= -22 && av >= 3 && av <= 4) { // exhaust pipes
        *out = metal;
        return true;
    }
    if (frame == 1 && (in_circle(u + 26.5, av - 3.5, 2.4) || in_circle(u + 26, v + 4.5, 2.2))) {
        *out = {178, 178, 184};
        return true;
    }
    if (frame == 2 && (in_circle(u + 27, av - 3.5, 2.8) || in_circle(u + 28, v + 0.5, 1.6))) {
        *out = {206, 206, 210};
        return true;
    }
    return false;
}

// Cos and sin of heading h (45 degree steps, counter-clockwise from right).
void heading_vector(int heading, double *c, double *s) {
    constexpr double r = 0.70710678118654752;
    const double cs[8] = {1, r, 0, -r, -1, -r, 0, r};
    const double sn[8] = {0, r, 1, r, 0, -r, -1, -r};
    *c = cs[heading];
    *s = sn[heading];
}

} // namespace

void draw_kart(Canvas &canvas, double cx, double cy, int heading, int frame, int player,
               double zoom, const Rect &clip, int transparent_index) {
    const KartColors colors = kart_colors(player);
    double c = 0;
    double s = 0;
    heading_vector(heading, &c, &s);
    for (int y = clip.y0; y <= clip.y1; ++y)
        for (int x = clip.x0; x <= clip.x1; ++x) {
            const double ox = (x + 0.5 - cx) / zoom;
            const double oy = (y + 0.5 - cy) / zoom;
            // Screen y grows downward: forward is (c, -s) and the kart's right is (s, c).
            const double u = ox * c - oy * s;
            const double v = ox * s + oy * c;
            const int iu = static_cast<int>(u + 100) - 100;
            const int iv = static_cast<int>(v + 100) - 100;
            Color color{};
            // The kart sits 2 pixels ahead of the cell's centre, leaving room for the smoke.
            if (kart_pixel(iu - 2, iv, frame, colors, &color))
                canvas.put(x, y, color);
            else if (transparent_index >= 0)
                canvas.put_index(x, y, transparent_index);
        }
}

bool write_car_file(const std::filesystem::path &path, int player, int heading,
                    const Palette &palette) {
    // Three cells across and two down, each 56 × 72 with a one-pixel border on every side.
    const int width = 1 + 3 * (kart_width + 1);
    const int height = 1 + 2 * (kart_height + 1);
    Canvas canvas(width, height, {96, 96, 104});
    for (int cell = 0; cell < 6; ++cell) {
        const int left = 1 + (cell % 3) * (kart_width + 1);
        const int top = 1 + (cell / 3) * (kart_height + 1);
        const Rect clip{left, top, left + kart_width - 1, top + kart_height - 1};
        // Cells (0,0), (1,0), (2,0) are the three animation frames; (0,1) repeats the first.
        // The two cells left over stay transparent.
        const int frame = cell < 3 ? cell : (cell == 3 ? 0 : -1);
        draw_kart(canvas, left + kart_width / 2.0, top + kart_height / 2.0, heading, frame, player,
                  1.0, clip, finish_index);
    }
    return write_bmp(path, width, height, to_indices(canvas, palette, true), palette);
}

} // namespace assets
