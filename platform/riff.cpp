// RIFF chunk reading over a file held whole in memory: the file's own bytes (read at open) or
// the caller's block. Positions are 64-bit so that no declared size can wrap them.
#include "platform/riff.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/file.h"

struct MmioFile {
    std::vector<BYTE> owned; // the file's bytes when opened by name
    const BYTE *bytes = nullptr;
    std::uint64_t size = 0;
    std::uint64_t position = 0;
};

namespace {

DWORD read_dword(const BYTE *at) {
    return static_cast<DWORD>(at[0]) | (static_cast<DWORD>(at[1]) << 8) |
           (static_cast<DWORD>(at[2]) << 16) | (static_cast<DWORD>(at[3]) << 24);
}

bool has_form_type(FOURCC id) {
    return id == FOURCC_RIFF || id == FOURCC_LIST;
}

// Reads the chunk header at position into chunk; false when it does not fit before end.
bool read_header(const MmioFile &file, std::uint64_t position, std::uint64_t end, MMCKINFO *chunk) {
    if (position + 8 > end)
        return false;
    const BYTE *at = file.bytes + position;
    FOURCC id = read_dword(at);
    if (has_form_type(id) && position + 12 > end)
        return false;
    chunk->ckid = id;
    chunk->cksize = read_dword(at + 4);
    chunk->fccType = has_form_type(id) ? read_dword(at + 8) : 0;
    chunk->dwDataOffset = static_cast<DWORD>(position + 8);
    chunk->dwFlags = 0;
    return true;
}

// Offset just past a chunk's data and its pad byte.
std::uint64_t chunk_end(const MMCKINFO &chunk) {
    return static_cast<std::uint64_t>(chunk.dwDataOffset) + chunk.cksize + (chunk.cksize & 1);
}

} // namespace

HMMIO mmioOpenA(LPSTR filename, MMIOINFO *info, DWORD flags) {
    if (info != nullptr)
        info->wErrorRet = MMSYSERR_NOERROR;
    auto fail = [info](MMRESULT error) -> HMMIO {
        if (info != nullptr)
            info->wErrorRet = error;
        return nullptr;
    };
    if ((flags & ~MMIO_ALLOCBUF) != MMIO_READ)
        return fail(MMSYSERR_INVALPARAM);
    auto *file = new (std::nothrow) MmioFile;
    if (file == nullptr)
        return fail(MMIOERR_OUTOFMEMORY);
    if (info != nullptr && info->fccIOProc == FOURCC_MEM) {
        if (info->cchBuffer < 0 || (info->pchBuffer == nullptr && info->cchBuffer > 0)) {
            delete file;
            return fail(MMSYSERR_INVALPARAM);
        }
        file->bytes = reinterpret_cast<const BYTE *>(info->pchBuffer);
        file->size = static_cast<std::uint64_t>(info->cchBuffer);
        return file;
    }
    if (filename == nullptr || !read_whole_file(filename, file->owned, MMIO_LARGEST_FILE)) {
        delete file;
        return fail(MMIOERR_FILENOTFOUND);
    }
    file->bytes = file->owned.data();
    file->size = file->owned.size();
    return file;
}

LONG mmioRead(HMMIO file, char *buffer, LONG length) {
    if (file == nullptr || length < 0 || (buffer == nullptr && length > 0))
        return -1;
    std::uint64_t left = file->position < file->size ? file->size - file->position : 0;
    LONG count = static_cast<LONG>(std::min<std::uint64_t>(left, static_cast<DWORD>(length)));
    if (count > 0)
        std::memcpy(buffer, file->bytes + file->position, static_cast<std::size_t>(count));
    file->position += static_cast<std::uint64_t>(count);
    return count;
}

MMRESULT mmioDescend(HMMIO file, MMCKINFO *chunk, const MMCKINFO *parent, UINT flags) {
    if (file == nullptr || chunk == nullptr || (flags & ~(MMIO_FINDCHUNK | MMIO_FINDRIFF)) != 0 ||
        flags == (MMIO_FINDCHUNK | MMIO_FINDRIFF))
        return MMSYSERR_INVALPARAM;
    std::uint64_t end = file->size;
    if (parent != nullptr)
        end = std::min<std::uint64_t>(end, static_cast<std::uint64_t>(parent->dwDataOffset) +
                                               parent->cksize);
    const FOURCC wanted_id = (flags & MMIO_FINDRIFF) ? FOURCC_RIFF : chunk->ckid;
    const FOURCC wanted_type = chunk->fccType;
    std::uint64_t position = file->position;
    MMCKINFO found{};
    for (;;) {
        // File offsets past 4 GiB cannot be told in dwDataOffset.
        if (position > 0xFFFFFFF0u || !read_header(*file, position, end, &found))
            return MMIOERR_CHUNKNOTFOUND;
        bool matches = flags == 0 || (found.ckid == wanted_id &&
                                      (!(flags & MMIO_FINDRIFF) || found.fccType == wanted_type));
        if (matches)
            break;
        position = chunk_end(found);
    }
    *chunk = found;
    file->position = found.dwDataOffset + (has_form_type(found.ckid) ? 4u : 0u);
    return MMSYSERR_NOERROR;
}

MMRESULT mmioAscend(HMMIO file, MMCKINFO *chunk, UINT flags) {
    if (file == nullptr || chunk == nullptr || flags != 0)
        return MMSYSERR_INVALPARAM;
    std::uint64_t end = chunk_end(*chunk);
    // A last chunk of odd size may lack its pad byte; one that reaches past the file cannot be
    // left.
    if (end - (chunk->cksize & 1) > file->size)
        return MMIOERR_CANNOTSEEK;
    file->position = std::min(end, file->size);
    return MMSYSERR_NOERROR;
}

MMRESULT mmioClose(HMMIO file, UINT flags) {
    if (file == nullptr || flags != 0)
        return MMSYSERR_INVALPARAM;
    delete file;
    return MMSYSERR_NOERROR;
}
