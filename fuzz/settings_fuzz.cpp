// Fuzz target for the settings file's reader (settings_parse, from memory). Any text is read; a
// line it cannot use is named at most once, so there are never more reports than lines, and every
// report names the file and a line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_check.h"
#include "game/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    char *reports = nullptr;
    std::size_t reports_size = 0;
    std::FILE *err = open_memstream(&reports, &reports_size);
    Settings settings;
    settings_parse(text, "f.ini", settings, err);
    std::fclose(err);
    const std::string said(reports, reports_size);
    std::free(reports);
    std::size_t lines = 1, reported = 0, at = 0;
    for (char c : text)
        lines += c == '\n' ? 1 : 0;
    while ((at = said.find("dirtwhirl: f.ini:", at)) != std::string::npos) {
        ++reported;
        ++at;
    }
    fuzz_require(reported <= lines, "more reports than lines");
    fuzz_require(settings.volume >= 0 && settings.volume <= 100, "volume out of range");
    return 0;
}
