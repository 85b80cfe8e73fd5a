// The sounds, each synthesised sample by sample from the deterministic sine and generator.
#include "tools/make_assets/sounds.h"

#include "tools/make_assets/drawing.h"
#include "tools/make_assets/files.h"

namespace assets {

std::vector<double> engine_wave() {
    const int length = 2756; // 250 ms
    std::vector<double> wave(length);
    const double base = 200.0 / 3; // 66.7 Hz, a low two-stroke rumble
    const double partials[][2] = {{1, 0.50}, {2, 0.32}, {3, 0.22},  {4, 0.12},
                                  {6, 0.08}, {9, 0.05}, {0.5, 0.18}};
    const double period_ms = 30;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / sample_rate;
        double v = 0;
        for (const auto &p : partials)
            v += p[1] * det_sin(2 * pi * base * p[0] * t);
        const double ms = 1000.0 * t;
        const double phase_ms = ms - period_ms * static_cast<int>(ms / period_ms);
        double firing = 0;
        if (phase_ms >= 6.5 && phase_ms < 8.5) {
            firing = (phase_ms - 6.5) / 2;
        } else if (phase_ms >= 8.5 && phase_ms < 24) {
            const double left = 1 - (phase_ms - 8.5) / 15.5;
            firing = 0.6 * left * left + 0.4 * left;
        }
        const double fade = i > length - 800 ? (length - i) / 800.0 : 1.0;
        wave[i] = 0.95 * v * firing * fade;
    }
    return wave;
}

std::vector<double> boing_wave() {
    const int length = 4410; // 400 ms
    std::vector<double> wave(length);
    double phase = 0;
    double level = 0.9;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / length;
        const double wobble = 1 + 0.12 * det_sin(2 * pi * 14 * i / sample_rate);
        const double freq = (620 - 420 * t) * wobble;
        phase += 2 * pi * freq / sample_rate;
        const double attack = i < 40 ? i / 40.0 : 1.0;
        const double release = i > length - 400 ? (length - i) / 400.0 : 1.0;
        wave[i] = level * attack * release * (0.8 * det_sin(phase) + 0.2 * det_sin(2 * phase));
        level *= 0.99935;
    }
    return wave;
}

std::vector<double> mud_wave() {
    const int length = 3308; // 300 ms
    std::vector<double> wave(length);
    Rng rng{777};
    double low = 0, band = 0;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / length;
        const double cutoff = 180 + 520 * det_sin(pi * t) * det_sin(pi * t);
        const double f = 2 * det_sin(pi * cutoff / sample_rate);
        const double in = rng.unit() * 2 - 1;
        low += f * band;
        band += f * (in - low - 0.25 * band);
        const double envelope = (t < 0.08 ? t / 0.08 : 1.0) * (1 - t) * (1 - t);
        const double bloop = det_sin(2 * pi * (90 + 160 * t) * i / sample_rate);
        wave[i] = envelope * (0.45 * low + 0.35 * bloop);
    }
    return wave;
}

std::vector<double> turn_wave() {
    const int length = 3970; // 360 ms
    std::vector<double> wave(length);
    Rng rng{4321};
    double phase = 0;
    double hiss = 0;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / length;
        const double freq =
            1650 + 160 * det_sin(2 * pi * 23 * i / sample_rate) - 300 * t + 60 * (rng.unit() - 0.5);
        phase += 2 * pi * freq / sample_rate;
        const double noise_in = rng.unit() * 2 - 1;
        hiss = noise_in - 0.6 * hiss; // tilt the noise toward the highs
        const double envelope = (t < 0.05 ? t / 0.05 : 1.0) * (t > 0.7 ? (1 - t) / 0.3 : 1.0);
        wave[i] = envelope * (0.45 * det_sin(phase) + 0.15 * det_sin(2 * phase) + 0.15 * hiss);
    }
    return wave;
}

std::vector<double> ice_wave() {
    const int length = 4410; // 400 ms
    std::vector<double> wave(length);
    Rng rng{2468};
    double ring = 0, previous = 0;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / length;
        if (rng.range(0, 99) < 3)
            ring += (rng.unit() - 0.5) * 1.6;
        ring *= 0.86;
        const double in = rng.unit() * 2 - 1;
        const double high = in - previous; // high-passed hiss
        previous = in;
        const double envelope = (t < 0.02 ? t / 0.02 : 1.0) * (1 - t);
        wave[i] = envelope * (ring + 0.12 * high);
    }
    return wave;
}

} // namespace assets
