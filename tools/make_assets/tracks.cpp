// The track pictures: distances to the racing line decide road, wall and outside; scenery is
// placed by a seeded generator clear of the places where the game writes text.
#include "tools/make_assets/tracks.h"

#include <cmath>

#include "tools/track_paths.h"

namespace assets {
namespace {

constexpr double road_half_width = 50; // pixels from the racing line to the road's edge
constexpr double wall_width = 6;
constexpr int kerb_width = 5;
constexpr int finish_left = 240; // the chequered finish line covers columns 240 to 249
constexpr int finish_right = 249;
constexpr int finish_bottom = 160;

// The places where the game writes text: the title's white name, its black prompt and the
// race's black lap counts. The tracks put a dark banner, a light sign and a light panel there.
constexpr Rect title_banner{244, 2, 381, 28};
constexpr Rect prompt_sign{212, 192, 436, 224};
constexpr Rect lap_panel{514, 334, 636, 464};

enum class Ground { road, wall, outside };

struct TrackMap {
    std::vector<double> distance; // from the racing line
    std::vector<double> along;    // position along the racing line of the nearest point
    std::vector<double> points_x; // racing line through the probe centres
    std::vector<double> points_y;
    double length = 0;

    Ground ground(int x, int y) const {
        const double d = distance[y * screen_w + x];
        return d <= road_half_width
                   ? Ground::road
                   : (d <= road_half_width + wall_width ? Ground::wall : Ground::outside);
    }
    double dist(int x, int y) const { return distance[y * screen_w + x]; }
    // The point at a distance s along the line.
    void point_at(double s, double *x, double *y) const {
        const int n = static_cast<int>(points_x.size());
        for (int i = 0; i < n; ++i) {
            const double ax = points_x[i], ay = points_y[i];
            const double bx = points_x[(i + 1) % n], by = points_y[(i + 1) % n];
            const double len = std::sqrt((bx - ax) * (bx - ax) + (by - ay) * (by - ay));
            if (s <= len) {
                *x = ax + (bx - ax) * s / len;
                *y = ay + (by - ay) * s / len;
                return;
            }
            s -= len;
        }
        *x = points_x[0];
        *y = points_y[0];
    }
};

TrackMap map_track(const TrackPath &path) {
    TrackMap map;
    for (int i = 0; i < path.count; ++i) {
        map.points_x.push_back(path.points[i].x + track_probe_centre_x + 0.5);
        map.points_y.push_back(path.points[i].y + track_probe_centre_y + 0.5);
    }
    const int n = path.count;
    std::vector<double> start(n);
    for (int i = 0; i < n; ++i) {
        start[i] = map.length;
        const double dx = map.points_x[(i + 1) % n] - map.points_x[i];
        const double dy = map.points_y[(i + 1) % n] - map.points_y[i];
        map.length += std::sqrt(dx * dx + dy * dy);
    }
    map.distance.resize(screen_w * screen_h);
    map.along.resize(screen_w * screen_h);
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x) {
            double best = 1e9;
            double best_along = 0;
            for (int i = 0; i < n; ++i) {
                const double ax = map.points_x[i], ay = map.points_y[i];
                const double bx = map.points_x[(i + 1) % n], by = map.points_y[(i + 1) % n];
                const double px = x + 0.5 - ax, py = y + 0.5 - ay;
                const double ex = bx - ax, ey = by - ay;
                const double len2 = ex * ex + ey * ey;
                double t = (px * ex + py * ey) / len2;
                t = t < 0 ? 0 : (t > 1 ? 1 : t);
                const double qx = px - t * ex, qy = py - t * ey;
                const double d = std::sqrt(qx * qx + qy * qy);
                if (d < best) {
                    best = d;
                    best_along = start[i] + t * std::sqrt(len2);
                }
            }
            map.distance[y * screen_w + x] = best;
            map.along[y * screen_w + x] = best_along;
        }
    return map;
}

struct Setting {
    std::uint32_t seed;
    Color ground_dark;
    Color ground_light;
    Color verge; // the strip just outside the wall
    Color asphalt;
    Color kerb_a;
    Color kerb_b;
    // Terrain patches: kind (mud or the slippery kind) and where along the line, as a fraction.
    struct Patch {
        int index;
        double at;
        double radius;
    } patches[4];
};

// Places scenery: points outside the wall, clear of the text places and of each other.
struct Placer {
    const TrackMap &map;
    Rng rng;
    std::vector<double> xs, ys, rs;

    bool place(double r, double *x, double *y, int tries) {
        for (int t = 0; t < tries; ++t) {
            const double px = rng.range(4, screen_w - 5);
            const double py = rng.range(4, screen_h - 5);
            const int ix = static_cast<int>(px), iy = static_cast<int>(py);
            if (map.dist(ix, iy) < road_half_width + wall_width + r + 6)
                continue;
            if (title_banner.contains(ix, iy, static_cast<int>(r) + 4) ||
                prompt_sign.contains(ix, iy, static_cast<int>(r) + 4) ||
                lap_panel.contains(ix, iy, static_cast<int>(r) + 4))
                continue;
            bool clear = true;
            for (std::size_t i = 0; i < xs.size() && clear; ++i) {
                const double dx = xs[i] - px, dy = ys[i] - py, need = rs[i] + r + 2;
                clear = dx * dx + dy * dy > need * need;
            }
            if (!clear)
                continue;
            xs.push_back(px);
            ys.push_back(py);
            rs.push_back(r);
            *x = px;
            *y = py;
            return true;
        }
        return false;
    }
};

void paint_ground(Canvas &canvas, const TrackMap &map, const Setting &setting) {
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x) {
            const double n =
                0.65 * noise(x, y, 23, setting.seed) + 0.35 * noise(x, y, 5, setting.seed + 1);
            Color c = mix(setting.ground_dark, setting.ground_light, n);
            const double d = map.dist(x, y);
            const double edge = road_half_width + wall_width;
            if (d > edge && d < edge + 14) // a worn verge along the outside of the wall
                c = mix(setting.verge, c, (d - edge) / 14);
            canvas.put(x, y, c);
        }
}

void paint_road(Canvas &canvas, const TrackMap &map, const Setting &setting) {
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x) {
            const Ground g = map.ground(x, y);
            const double d = map.dist(x, y);
            if (g == Ground::wall) {
                canvas.put_index(x, y, wall_index);
            } else if (g == Ground::road) {
                const double n = noise(x, y, 3, setting.seed + 7);
                Color c = scale(setting.asphalt, 0.9 + 0.2 * n);
                // Darker rubber where the karts drive, lighter toward the edges.
                c = scale(c, 0.92 + 0.12 * (d / road_half_width));
                if (d > road_half_width - kerb_width) {
                    const int stripe = static_cast<int>(map.along[y * screen_w + x] / 10);
                    c = stripe % 2 == 0 ? setting.kerb_a : setting.kerb_b;
                }
                canvas.put(x, y, c);
            } else if (d <= road_half_width + wall_width + 2) {
                canvas.blend(x, y, black, 0.45); // the wall's shadow
            }
        }
}

void paint_patches(Canvas &canvas, const TrackMap &map, const Setting &setting) {
    Rng rng{setting.seed * 7919u + 17u};
    for (const Setting::Patch &patch : setting.patches) {
        double cx = 0, cy = 0;
        map.point_at(patch.at * map.length, &cx, &cy);
        // A blob of overlapping circles, kept inside the kerbs.
        double bx[4], by[4], br[4];
        for (int i = 0; i < 4; ++i) {
            bx[i] = cx + (i == 0 ? 0 : rng.range(-12, 12));
            by[i] = cy + (i == 0 ? 0 : rng.range(-12, 12));
            br[i] = patch.radius * (i == 0 ? 1.0 : 0.5 + 0.3 * rng.unit());
        }
        const int reach = static_cast<int>(patch.radius) + 16;
        for (int y = static_cast<int>(cy) - reach; y <= static_cast<int>(cy) + reach; ++y)
            for (int x = static_cast<int>(cx) - reach; x <= static_cast<int>(cx) + reach; ++x) {
                if (!canvas.inside(x, y) || map.dist(x, y) > road_half_width - kerb_width - 3)
                    continue;
                bool in = false;
                bool near = false;
                for (int i = 0; i < 4; ++i) {
                    const double dx = x + 0.5 - bx[i], dy = y + 0.5 - by[i];
                    const double d2 = dx * dx + dy * dy;
                    in = in || d2 <= br[i] * br[i];
                    near = near || d2 <= (br[i] + 2) * (br[i] + 2);
                }
                if (in)
                    canvas.put_index(x, y, patch.index);
                else if (near) // a darker rim sets the patch off the road
                    canvas.put(x, y, scale(setting.asphalt, 0.6));
            }
    }
}

void paint_finish_and_grid(Canvas &canvas, const TrackMap &map) {
    // Only across the top straight: the road may pass these columns again lower down.
    for (int y = 0; y < finish_bottom; ++y)
        for (int x = finish_left; x <= finish_right; ++x) {
            if (map.ground(x, y) != Ground::road)
                continue;
            const bool dark = ((x - finish_left) / 5 + y / 5) % 2 == 0;
            if (dark)
                canvas.put_index(x, y, finish_index);
            else
                canvas.put(x, y, {244, 244, 244});
        }
    // Start boxes: white brackets behind each kart's starting place.
    const int box_y[2] = {23, 70};
    for (int k = 0; k < 2; ++k) {
        const int top = box_y[k] + 14;
        const int bottom = box_y[k] + 58;
        const int left = 235 + 24;
        canvas.rect(left, top, left + 2, bottom, {236, 236, 236});
        canvas.rect(left, top, left + 14, top + 2, {236, 236, 236});
        canvas.rect(left, bottom - 2, left + 14, bottom, {236, 236, 236});
    }
}

void paint_panels(Canvas &canvas) {
    // Dark banner behind the white title, with a gold trim on top and at the ends.
    canvas.rect(title_banner.x0, title_banner.y0, title_banner.x1, title_banner.y1, {16, 20, 44});
    canvas.rect(title_banner.x0, title_banner.y0, title_banner.x1, title_banner.y0 + 1,
                {240, 180, 40});
    canvas.rect(title_banner.x0, title_banner.y0, title_banner.x0 + 1, title_banner.y1,
                {240, 180, 40});
    canvas.rect(title_banner.x1 - 1, title_banner.y0, title_banner.x1, title_banner.y1,
                {240, 180, 40});
    // Light sign behind the prompt: a board with a dark frame and a shadow.
    const Rect &s = prompt_sign;
    for (int y = s.y0 + 4; y <= s.y1 + 4; ++y)
        for (int x = s.x0 + 4; x <= s.x1 + 4; ++x)
            canvas.blend(x, y, black, 0.4);
    canvas.rect(s.x0, s.y0, s.x1, s.y1, {40, 40, 48});
    canvas.rect(s.x0 + 2, s.y0 + 2, s.x1 - 2, s.y1 - 2, {246, 242, 226});
    // The pit building's light roof behind the lap counts, with a chequered flag painted on it.
    const Rect &p = lap_panel;
    for (int y = p.y0 + 5; y <= p.y1 + 5; ++y)
        for (int x = p.x0 + 5; x <= p.x1 + 3; ++x)
            canvas.blend(x, y, black, 0.4);
    canvas.rect(p.x0, p.y0, p.x1, p.y1, {52, 52, 60});
    canvas.rect(p.x0 + 3, p.y0 + 3, p.x1 - 3, p.y1 - 3, {232, 228, 214});
    for (int y = 396; y < 428; ++y)
        for (int x = 548; x < 600; ++x)
            canvas.put(x, y,
                       ((x - 548) / 8 + (y - 396) / 8) % 2 == 0 ? Color{30, 30, 36}
                                                                : Color{250, 250, 250});
    canvas.rect(544, 392, 546, 434, {110, 80, 50});
}

void paint_tree(Canvas &canvas, double x, double y, double r, Color leaf, Rng &rng) {
    canvas.shadow_disc(x + r * 0.45, y + r * 0.45, r, 0.35);
    canvas.ball(x, y, r, scale(leaf, 0.8), 0.6);
    for (int i = 0; i < 4; ++i) {
        const double a = rng.unit() * 2 * pi;
        const double d = r * 0.45;
        canvas.ball(x + d * det_sin(a + pi / 2), y + d * det_sin(a), r * 0.55, leaf, 0.7);
    }
    canvas.ball(x - r * 0.2, y - r * 0.2, r * 0.35, scale(leaf, 1.2), 0.5);
}

void paint_rock(Canvas &canvas, double x, double y, double r, Rng &rng) {
    canvas.shadow_disc(x + r * 0.4, y + r * 0.4, r, 0.4);
    const Color rock{150, 90, 62};
    for (int i = 0; i < 3; ++i) {
        const double ox = rng.range(-3, 3) * r / 8, oy = rng.range(-3, 3) * r / 8;
        canvas.ball(x + ox, y + oy, r * (0.6 + 0.1 * i), scale(rock, 0.8 + 0.15 * i), 0.8);
    }
}

void paint_cactus(Canvas &canvas, double x, double y, double r) {
    canvas.shadow_disc(x + r * 0.6, y + r * 0.6, r * 0.8, 0.35);
    const Color green{62, 132, 52};
    canvas.ball(x - r * 0.7, y, r * 0.45, green, 0.6);
    canvas.ball(x + r * 0.7, y + r * 0.2, r * 0.45, green, 0.6);
    canvas.ball(x, y, r * 0.7, green, 0.7);
    for (int i = -1; i <= 1; ++i) // ribs
        canvas.rect(static_cast<int>(x) + i * 3, static_cast<int>(y - r * 0.5),
                    static_cast<int>(x) + i * 3, static_cast<int>(y + r * 0.5), {120, 180, 90});
}

void paint_pine(Canvas &canvas, double x, double y, double r) {
    canvas.shadow_disc(x + r * 0.5, y + r * 0.5, r, 0.35);
    for (int ring = 0; ring < 3; ++ring) {
        const double rr = r * (1 - ring * 0.28);
        canvas.ball(x, y, rr, ring % 2 == 0 ? Color{22, 70, 44} : Color{40, 100, 58}, 0.6);
    }
    for (int i = 0; i < 8; ++i) { // snow caught on the branches
        const double a = i * pi / 4;
        canvas.disc(x + r * 0.55 * det_sin(a + pi / 2), y + r * 0.55 * det_sin(a), r * 0.16,
                    {236, 244, 255});
    }
    canvas.disc(x - r * 0.15, y - r * 0.15, r * 0.18, {250, 252, 255});
}

void paint_lamp(Canvas &canvas, const TrackMap &map, double x, double y) {
    for (int py = static_cast<int>(y) - 40; py <= static_cast<int>(y) + 40; ++py)
        for (int px = static_cast<int>(x) - 40; px <= static_cast<int>(x) + 40; ++px) {
            if (!canvas.inside(px, py) || map.ground(px, py) == Ground::wall)
                continue;
            const double dx = px - x, dy = py - y;
            const double d2 = dx * dx + dy * dy;
            if (d2 < 1600)
                canvas.blend(px, py, {255, 220, 140}, 0.45 * (1 - d2 / 1600));
        }
    canvas.disc(x, y, 4, {60, 60, 70});
    canvas.disc(x, y, 2.5, {255, 246, 200});
}

} // namespace

std::vector<std::uint8_t> paint_track(int number, const Palette &palette) {
    const TrackMap map = map_track(track_paths[number]);
    static const Setting settings[track_count] = {
        // Green countryside: mown grass, red and white kerbs, mud puddles and slick patches.
        {11,
         {44, 104, 34},
         {92, 160, 60},
         {120, 110, 70},
         {92, 92, 98},
         {232, 232, 232},
         {196, 30, 34},
         {{mud_index, 0.19, 20},
          {ice_index, 0.47, 18},
          {mud_index, 0.63, 18},
          {ice_index, 0.80, 18}}},
        // Desert canyon: sand, rocks and cacti; warm road with yellow and white kerbs.
        {23,
         {196, 146, 86},
         {238, 206, 146},
         {150, 100, 60},
         {128, 110, 92},
         {240, 236, 226},
         {232, 150, 24},
         {{ice_index, 0.15, 17},
          {mud_index, 0.33, 20},
          {ice_index, 0.58, 18},
          {mud_index, 0.83, 20}}},
        // Snowy night: blue snow, lamps, pines; dark road with blue and white kerbs.
        {37,
         {74, 88, 128},
         {150, 168, 208},
         {56, 64, 96},
         {52, 58, 78},
         {226, 232, 246},
         {40, 90, 220},
         {{ice_index, 0.2, 20},
          {mud_index, 0.40, 18},
          {ice_index, 0.6, 19},
          {mud_index, 0.85, 18}}},
    };
    const Setting &setting = settings[number];
    Canvas canvas(screen_w, screen_h, black);
    paint_ground(canvas, map, setting);
    Placer placer{map, Rng{setting.seed * 2654435761u + 1}, {}, {}, {}};
    Rng rng{setting.seed + 99};
    double x = 0, y = 0;
    if (number == 0) {
        // Mown stripes in the grass and a pond in the infield.
        for (int py = 0; py < screen_h; ++py)
            for (int px = 0; px < screen_w; ++px)
                if (((px + py) / 24) % 2 == 0)
                    canvas.put(px, py, scale(canvas.at(px, py), 1.08));
        if (placer.place(34, &x, &y, 4000)) {
            for (int py = static_cast<int>(y) - 40; py <= static_cast<int>(y) + 40; ++py)
                for (int px = static_cast<int>(x) - 50; px <= static_cast<int>(x) + 50; ++px) {
                    const double dx = (px - x) / 44.0, dy = (py - y) / 30.0;
                    const double e = dx * dx + dy * dy;
                    if (e <= 1)
                        canvas.put(px, py, mix({30, 90, 150}, {110, 180, 220}, e));
                    else if (e <= 1.15)
                        canvas.put(px, py, {150, 130, 80});
                }
        }
        for (int i = 0; i < 40; ++i) {
            const double r = rng.range(9, 16);
            if (placer.place(r, &x, &y, 300))
                paint_tree(canvas, x, y, r, {52, 130, 44}, rng);
        }
        for (int i = 0; i < 160; ++i) { // flowers
            const int fx = rng.range(0, screen_w - 1), fy = rng.range(0, screen_h - 1);
            if (map.dist(fx, fy) > road_half_width + wall_width + 4 &&
                !prompt_sign.contains(fx, fy, 3) && !lap_panel.contains(fx, fy, 6) &&
                !title_banner.contains(fx, fy, 3))
                canvas.disc(fx, fy, 1.5, i % 3 == 0 ? Color{250, 240, 120} : Color{250, 250, 250});
        }
    } else if (number == 1) {
        // Wind ripples in the sand, then rocks and cacti.
        for (int py = 0; py < screen_h; ++py)
            for (int px = 0; px < screen_w; ++px) {
                const double w = det_sin((px * 0.3 + py) * 0.35 + 6 * noise(px, py, 40, 5));
                if (w > 0.7)
                    canvas.put(px, py, scale(canvas.at(px, py), 0.9));
            }
        for (int i = 0; i < 26; ++i) {
            const double r = rng.range(8, 18);
            if (placer.place(r, &x, &y, 300))
                paint_rock(canvas, x, y, r, rng);
        }
        for (int i = 0; i < 18; ++i) {
            const double r = rng.range(8, 12);
            if (placer.place(r, &x, &y, 300))
                paint_cactus(canvas, x, y, r);
        }
    } else {
        // Night: the snow darkens away from the lamps, pines stand in it.
        for (int i = 0; i < 30; ++i) {
            const double r = rng.range(10, 17);
            if (placer.place(r, &x, &y, 300))
                paint_pine(canvas, x, y, r);
        }
    }
    paint_road(canvas, map, setting);
    paint_patches(canvas, map, setting);
    paint_finish_and_grid(canvas, map);
    if (number == 2) {
        const double lamps[][2] = {{150, 160}, {400, 160}, {150, 280}, {300, 300}, {520, 160},
                                   {20, 460},  {620, 20},  {520, 470}, {20, 20}};
        for (const auto &lamp : lamps)
            if (map.dist(static_cast<int>(lamp[0]), static_cast<int>(lamp[1])) >
                road_half_width + wall_width + 8)
                paint_lamp(canvas, map, lamp[0], lamp[1]);
    }
    paint_panels(canvas);
    return to_indices(canvas, palette, true);
}

} // namespace assets
