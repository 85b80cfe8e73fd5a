// Whole-file reading with the standard library.
#include "platform/file.h"

#include <cstdio>

bool read_whole_file(const char *path, std::vector<BYTE> &out) {
    out.clear();
    if (path == nullptr)
        return false;
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    BYTE chunk[65536];
    bool ok = true;
    for (;;) {
        std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        out.insert(out.end(), chunk, chunk + got);
        if (got < sizeof chunk) {
            ok = std::ferror(file) == 0;
            break;
        }
    }
    std::fclose(file);
    if (!ok)
        out.clear();
    return ok;
}
