// Fuzz target for the settings file's reader (settings_parse, from memory). Any text is read; a
// line it cannot use is named at most once, in one line of printable text, so there are never
// more report lines than lines and no control byte of the file reaches the terminal.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_check.h"
#include "game/additions/settings.h"

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
    std::size_t lines = 1, reported = 0;
    for (char c : text)
        lines += c == '\n' ? 1 : 0;
    for (char c : said) {
        reported += c == '\n' ? 1 : 0;
        fuzz_require(c == '\n' || (c >= 0x20 && c < 0x7F), "a control byte in a report");
    }
    fuzz_require(reported <= lines, "more reports than lines");
    fuzz_require(settings.volume >= 0 && settings.volume <= 100, "volume out of range");
    return 0;
}
