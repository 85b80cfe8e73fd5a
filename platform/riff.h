// RIFF chunk reading: open a file (or a block of memory), descend into chunks, read, ascend and
// close. A file is read whole when it is opened; every step is checked against its bytes, and
// chunks of odd size are followed by RIFF's pad byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

using FOURCC = DWORD;
using MMRESULT = UINT;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
    return static_cast<FOURCC>(static_cast<BYTE>(a)) |
           (static_cast<FOURCC>(static_cast<BYTE>(b)) << 8) |
           (static_cast<FOURCC>(static_cast<BYTE>(c)) << 16) |
           (static_cast<FOURCC>(static_cast<BYTE>(d)) << 24);
}
constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');
// The I/O procedure of a file held in memory (MMIOINFO::pchBuffer, cchBuffer bytes).
constexpr FOURCC FOURCC_MEM = mmioFOURCC('M', 'E', 'M', ' ');

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMIOERR_FILENOTFOUND = 257;
constexpr MMRESULT MMIOERR_OUTOFMEMORY = 258;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 261;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;

// Open flags: read access is the only access there is.
constexpr DWORD MMIO_READ = 0x00000000;
constexpr DWORD MMIO_ALLOCBUF = 0x00010000;

// Descend flags.
constexpr UINT MMIO_FINDCHUNK = 0x0010;
constexpr UINT MMIO_FINDRIFF = 0x0020;

struct MMCKINFO {
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;     // form or list type of a RIFF or LIST chunk
    DWORD dwDataOffset; // file offset of the chunk's data (of its form type, for RIFF and LIST)
    DWORD dwFlags;
};

// Open information: with fccIOProc FOURCC_MEM the file is the cchBuffer bytes at pchBuffer,
// which must outlive the handle. wErrorRet tells why an open failed.
struct MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;
    UINT wErrorRet;
    LONG cchBuffer;
    char *pchBuffer;
};

// A file opened by name is refused above this size, before it is read. The files read here are
// sounds: the largest sound buffer there can be (0x0FFFFFFF bytes) and 1 MiB for the chunks that
// come with it (format, fact, LIST, cue).
constexpr std::uint64_t MMIO_LARGEST_FILE = 0x0FFFFFFFull + (1ull << 20);

struct MmioFile;
using HMMIO = MmioFile *;

// Opens a file for reading: by name, or from memory through info. Null on failure.
HMMIO mmioOpenA(LPSTR filename, MMIOINFO *info, DWORD flags);
// Reads up to length bytes at the current position; the number read, or -1 on bad arguments.
LONG mmioRead(HMMIO file, char *buffer, LONG length);
// Enters a chunk: with no flags the one at the current position; with MMIO_FINDCHUNK the next
// whose identifier is chunk->ckid; with MMIO_FINDRIFF the next RIFF chunk whose form type is
// chunk->fccType. The search ends at the end of parent (when given) or of the file. On success
// the position is at the chunk's data (past the form type of a RIFF or LIST chunk).
MMRESULT mmioDescend(HMMIO file, MMCKINFO *chunk, const MMCKINFO *parent, UINT flags);
// Leaves a chunk entered with mmioDescend: the position goes past its data and pad byte.
MMRESULT mmioAscend(HMMIO file, MMCKINFO *chunk, UINT flags);
MMRESULT mmioClose(HMMIO file, UINT flags);
