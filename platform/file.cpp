// Whole-file reading with POSIX calls. What a file is gets decided before it is read: a pipe or a
// device could block the open or never end, and a file's size is known before any memory is
// allocated for it.
#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace {

bool regular_and_small_enough(const struct stat &info, std::uint64_t max_bytes) {
    return S_ISREG(info.st_mode) && info.st_size >= 0 &&
           static_cast<std::uint64_t>(info.st_size) <= max_bytes;
}

} // namespace

bool read_whole_file(const char *path, std::vector<BYTE> &out, std::uint64_t max_bytes) {
    out.clear();
    struct stat info;
    if (path == nullptr || stat(path, &info) != 0 || !regular_and_small_enough(info, max_bytes))
        return false;
    // Opened without blocking, in case the name now stands for a pipe; the opened file is then
    // checked again, since it may not be the one just looked at.
    const int file = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file < 0)
        return false;
    bool ok = fstat(file, &info) == 0 && regular_and_small_enough(info, max_bytes);
    std::size_t filled = 0;
    if (ok) {
        try {
            out.resize(static_cast<std::size_t>(info.st_size));
        } catch (const std::bad_alloc &) {
            ok = false;
        }
    }
    // A file that shrinks meanwhile gives the bytes it still has; one that grows, its first
    // st_size bytes.
    while (ok && filled < out.size()) {
        const ssize_t got = read(file, out.data() + filled, out.size() - filled);
        if (got > 0)
            filled += static_cast<std::size_t>(got);
        else if (got == 0)
            break;
        else if (errno != EINTR)
            ok = false;
    }
    close(file);
    if (ok)
        out.resize(filled);
    else
        std::vector<BYTE>().swap(out);
    return ok;
}
