// The intro (title, the players' keys, the rule) and the winner pictures (trophy, podium, karts).
#include "tools/make_assets/pictures.h"

#include <cmath>

#include "tools/make_assets/karts.h"
#include "tools/make_assets/lettering.h"

namespace assets {

void paint_whirl(Canvas &canvas, double cx, double cy, Color dust, Rng &rng) {
    for (int i = 0; i < 420; ++i) {
        const double t = i / 420.0;
        const double a = t * 5 * pi;
        const double r = 20 + t * 300;
        const double x = cx + r * det_sin(a + pi / 2) * 1.2 + rng.range(-6, 6);
        const double y = cy + r * det_sin(a) * 0.55 + rng.range(-4, 4);
        const double size = 4 + t * 10;
        for (int py = static_cast<int>(y - size); py <= static_cast<int>(y + size); ++py)
            for (int px = static_cast<int>(x - size); px <= static_cast<int>(x + size); ++px) {
                const double dx = px - x, dy = py - y;
                const double d2 = (dx * dx + dy * dy) / (size * size);
                if (d2 < 1)
                    canvas.blend(px, py, dust, 0.18 * (1 - d2) * (1 - t * 0.6));
            }
    }
}

std::vector<std::uint8_t> paint_intro(const Palette &palette) {
    Canvas canvas(screen_w, screen_h, black);
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x)
            canvas.put(x, y,
                       dither(mix3({8, 10, 34}, {30, 26, 70}, {70, 34, 40}, y / 480.0), x, y, 14));
    Rng rng{4242};
    paint_whirl(canvas, 320, 110, {214, 168, 104}, rng);
    draw_checker_band(canvas, 0, 15, 8, 0);
    draw_checker_band(canvas, 464, 479, 8, 4);

    draw_text_centred(canvas, "DIRTWHIRL", 320, 40, 9, {255, 240, 110}, {242, 120, 20},
                      {40, 16, 4});
    draw_text_centred(canvas, "TWO PLAYER KART RACE", 320, 118, 2, {240, 240, 240}, {200, 200, 210},
                      {10, 10, 20});

    // Player panels: kart, name, keys.
    for (int player = 1; player <= 2; ++player) {
        const int left = player == 1 ? 40 : 340;
        const Color frame = player == 1 ? Color{214, 26, 30} : Color{32, 84, 224};
        canvas.rect(left, 150, left + 259, 345, scale(frame, 0.5));
        canvas.rect(left + 3, 153, left + 256, 342, {18, 20, 36});
        draw_text(canvas, player == 1 ? "PLAYER 1" : "PLAYER 2", left + 16, 166, 3,
                  scale(frame, 1.3), frame, {10, 10, 20});
        draw_kart(canvas, left + 210, 190, 1, 1, player, 1.2, {left + 160, 154, left + 255, 240},
                  -1);
        const int kx = left + 30;
        const int ky = 210;
        const char *up = player == 1 ? "^" : "W";
        const char *lf = player == 1 ? "<" : "A";
        const char *dn = player == 1 ? "v" : "S";
        const char *rt = player == 1 ? ">" : "D";
        draw_key(canvas, kx + 44, ky, 40, 36, up);
        draw_key(canvas, kx, ky + 42, 40, 36, lf);
        draw_key(canvas, kx + 44, ky + 42, 40, 36, dn);
        draw_key(canvas, kx + 88, ky + 42, 40, 36, rt);
        draw_text(canvas, "STEER", kx + 140, ky + 54, 2, {230, 230, 230}, {200, 200, 200},
                  {10, 10, 20});
        draw_key(canvas, kx + 44, ky + 88, 40, 36, player == 1 ? "N" : "B");
        draw_text(canvas, "TURBO", kx + 96, ky + 100, 2, {255, 220, 90}, {240, 150, 30},
                  {10, 10, 20});
    }

    draw_text_centred(canvas, "FIRST TO 10 LAPS WINS", 320, 362, 3, {255, 246, 160}, {240, 170, 40},
                      {30, 12, 0});
    // A chequered flag at each side of the rule.
    for (int side = 0; side < 2; ++side) {
        const int fx = side == 0 ? 34 : 574;
        for (int y = 356; y < 388; ++y)
            for (int x = fx; x < fx + 32; ++x)
                canvas.put(x, y,
                           ((x - fx) / 8 + (y - 356) / 8) % 2 == 0 ? Color{20, 20, 24}
                                                                   : Color{246, 246, 246});
    }
    draw_text_centred(canvas, "PRESS ENTER TO START", 320, 412, 3, {255, 255, 255}, {200, 220, 255},
                      {10, 10, 40});
    draw_text_centred(canvas, "OR C TO RACE THE COMPUTER", 320, 442, 2, {255, 220, 90},
                      {240, 150, 30}, {10, 10, 40});
    return to_indices(canvas, palette, false);
}

std::vector<std::uint8_t> paint_winner(int player, const Palette &palette) {
    Canvas canvas(screen_w, screen_h, black);
    const Ramp sky = winner_sky(player);
    // Rays of light behind the trophy: alternate wedges, brighter toward the middle.
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x) {
            const double dx = x - 320.0, dy = y - 250.0;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double ray = det_sin(12 * (dy >= 0 ? 1 : -1) * (dx / (d + 1e-9)) + d * 0.004);
            double t = 1 - d / 420;
            t = t < 0 ? 0 : t;
            canvas.put(
                x, y,
                dither(mix3(sky.from, sky.mid, sky.to, t * (ray > 0 ? 0.85 : 0.6)), x, y, 12));
        }
    Rng rng{static_cast<std::uint32_t>(900 + player)};
    const Color confetti[] = {{40, 180, 60},  {170, 70, 220},  {30, 200, 210},
                              {236, 160, 24}, {250, 250, 250}, {214, 26, 30}};
    for (int i = 0; i < 220; ++i) {
        const int x = rng.range(0, screen_w - 1), y = rng.range(0, screen_h - 1);
        const Color c = confetti[rng.range(0, 5)];
        if (rng.range(0, 1) == 0)
            canvas.rect(x, y, x + 5, y + 2, c);
        else
            canvas.rect(x, y, x + 2, y + 5, c);
    }
    // Podium with the winner's number.
    canvas.rect(200, 360, 440, 440, {150, 100, 60});
    canvas.rect(200, 360, 440, 368, {230, 200, 160});
    canvas.rect(120, 395, 200, 440, {120, 80, 48});
    canvas.rect(440, 410, 520, 440, {120, 80, 48});
    draw_text_centred(canvas, player == 1 ? "1" : "2", 320, 380, 6, {255, 246, 150}, {236, 160, 24},
                      {60, 30, 10});
    // Trophy: a gold cup with handles on a stand.
    const Color gold{236, 170, 30};
    canvas.rect(290, 330, 350, 345, scale(gold, 0.6));
    canvas.rect(308, 290, 332, 330, scale(gold, 0.8));
    for (int y = 180; y < 290; ++y) {
        const double t = (y - 180) / 110.0;
        const int half = static_cast<int>(70 * std::sqrt(1 - t * t * 0.9) * (1 - t * 0.6)) + 8;
        for (int x = 320 - half; x <= 320 + half; ++x) {
            const double shade = 1.25 - 0.6 * (x - (320 - half)) / (2.0 * half);
            canvas.put(x, y, scale(gold, shade));
        }
    }
    for (int side = -1; side <= 1; side += 2)
        for (int y = 190; y < 250; ++y)
            for (int x = 0; x < 30; ++x) {
                const double dx = x - 15.0, dy = y - 215.0;
                const double e = dx * dx / 225 + dy * dy / 900;
                if (e <= 1 && e >= 0.45)
                    canvas.put(320 + side * (80 + x), y, scale(gold, 0.9));
            }
    canvas.rect(250, 176, 390, 184, scale(gold, 1.3));
    // The winning kart beside the podium, and the words.
    draw_kart(canvas, 120, 330, 1, 1, player, 1.4, {60, 270, 180, 390}, -1);
    draw_kart(canvas, 530, 330, 3, 1, player, 1.4, {470, 270, 590, 390}, -1);
    draw_text_centred(canvas, player == 1 ? "PLAYER 1 WINS!" : "PLAYER 2 WINS!", 320, 60, 6,
                      {255, 255, 255}, {255, 230, 140}, {20, 10, 30});
    draw_text_centred(canvas, "PRESS Q TO QUIT", 320, 452, 3, {255, 255, 255}, {220, 220, 230},
                      {10, 10, 20});
    return to_indices(canvas, palette, false);
}

} // namespace assets
