// Whole-file reading with POSIX calls. What a file is gets decided before it is read: a pipe or a
// device could block the open or never end, and a file's size is known before any memory is
// allocated for it.
#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace {

// The reason a file of this kind and size is refused, or empty when it is fine.
std::string refusal(const struct stat &info, std::uint64_t max_bytes) {
    if (!S_ISREG(info.st_mode))
        return "not a regular file";
    if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > max_bytes)
        return "larger than " + std::to_string(max_bytes) + " bytes";
    return {};
}

std::string system_reason(int error) {
    return error == ENOENT ? "not found" : std::strerror(error);
}

} // namespace

std::string read_file_checked(const char *path, std::vector<BYTE> &out, std::uint64_t max_bytes) {
    out.clear();
    if (path == nullptr)
        return "no file named";
    struct stat info;
    if (stat(path, &info) != 0)
        return system_reason(errno);
    std::string why = refusal(info, max_bytes);
    if (!why.empty())
        return why;
    // Opened without blocking, in case the name now stands for a pipe; the opened file is then
    // checked again, since it may not be the one just looked at.
    const int file = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file < 0)
        return system_reason(errno);
    if (fstat(file, &info) != 0)
        why = system_reason(errno);
    else
        why = refusal(info, max_bytes);
    std::size_t filled = 0;
    if (why.empty()) {
        try {
            out.resize(static_cast<std::size_t>(info.st_size));
        } catch (const std::bad_alloc &) {
            why = "too large to hold in memory";
        }
    }
    // A file that shrinks meanwhile gives the bytes it still has; one that grows, its first
    // st_size bytes.
    while (why.empty() && filled < out.size()) {
        const ssize_t got = read(file, out.data() + filled, out.size() - filled);
        if (got > 0)
            filled += static_cast<std::size_t>(got);
        else if (got == 0)
            break;
        else if (errno != EINTR)
            why = system_reason(errno);
    }
    close(file);
    if (why.empty())
        out.resize(filled);
    else
        std::vector<BYTE>().swap(out);
    return why;
}

bool read_whole_file(const char *path, std::vector<BYTE> &out, std::uint64_t max_bytes) {
    return read_file_checked(path, out, max_bytes).empty();
}

std::FILE *open_for_writing(const char *path, bool exclusive, std::string &why) {
    if (path == nullptr) {
        why = "no file named";
        return nullptr;
    }
    // Not truncated before it is known to be a regular file; a pipe without a reader fails the
    // non-blocking open at once (ENXIO) instead of waiting.
    const int flags =
        O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (exclusive ? O_EXCL : 0);
    const int file = open(path, flags, 0666);
    struct stat info;
    if (file < 0) {
        why = errno == ENXIO ? "not a regular file" : system_reason(errno);
        return nullptr;
    }
    const bool known = fstat(file, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        why = known ? "not a regular file" : system_reason(errno);
        close(file);
        return nullptr;
    }
    // Writing blocks as usual from here on.
    std::FILE *stream = nullptr;
    if (ftruncate(file, 0) != 0 || fcntl(file, F_SETFL, 0) != 0 ||
        (stream = fdopen(file, "wb")) == nullptr) {
        why = system_reason(errno);
        close(file);
        return nullptr;
    }
    return stream;
}
