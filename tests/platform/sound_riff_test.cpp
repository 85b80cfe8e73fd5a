// RIFF chunk reading: form and chunk searches, pad bytes after odd-sized chunks, the parent's and
// the file's bounds, and opening by name and from memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/riff.h"

namespace {

void put_chunk(std::string &out, const char *id, const std::string &body) {
    out += id;
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(body.size() >> (8 * i));
    out += body;
    if (body.size() % 2 == 1)
        out += '\0';
}

// A RIFF WAVE form holding "fmt " (4 bytes), "odd " (3 bytes and a pad byte that looks like the
// start of a chunk), a LIST of type INFO, "data" (5 bytes and a pad byte); after the form, outside
// it, a chunk "tail" of 3 bytes whose pad byte the file lacks.
std::string sample_file() {
    std::string form = "WAVE", file;
    put_chunk(form, "fmt ", "ABCD");
    form += std::string("odd \3\0\0\0xyzd", 12);
    put_chunk(form, "LIST", "INFOjunk");
    put_chunk(form, "data", "12345");
    put_chunk(file, "RIFF", form);
    put_chunk(file, "tail", "zzz");
    file.pop_back();
    return file;
}

FOURCC fcc(const char *id) {
    return mmioFOURCC(id[0], id[1], id[2], id[3]);
}

struct MemoryFile {
    std::string bytes;
    HMMIO handle = nullptr;
    MMCKINFO form{}, chunk{};
    explicit MemoryFile(std::string file) : bytes(std::move(file)) {
        MMIOINFO info{};
        info.fccIOProc = FOURCC_MEM;
        info.pchBuffer = bytes.data();
        info.cchBuffer = static_cast<LONG>(bytes.size());
        handle = mmioOpenA(nullptr, &info, MMIO_READ | MMIO_ALLOCBUF);
    }
    ~MemoryFile() { mmioClose(handle, 0); }
    MMRESULT find_wave_form() {
        form = MMCKINFO{};
        form.fccType = fcc("WAVE");
        return mmioDescend(handle, &form, nullptr, MMIO_FINDRIFF);
    }
    // Descends into the chunk `id` (any first chunk when null) inside `parent`.
    MMRESULT descend(const char *id, const MMCKINFO *parent) {
        chunk = MMCKINFO{};
        chunk.ckid = id != nullptr ? fcc(id) : 0;
        return mmioDescend(handle, &chunk, parent, id != nullptr ? MMIO_FINDCHUNK : 0);
    }
    std::string read(LONG length) {
        std::string text(static_cast<std::size_t>(length), '\0');
        text.resize(static_cast<std::size_t>(mmioRead(handle, text.data(), length)));
        return text;
    }
};

TEST(RiffTest, WalksAFormChunkByChunk) {
    MemoryFile file(sample_file());
    ASSERT_EQ(file.find_wave_form(), MMSYSERR_NOERROR);
    EXPECT_EQ(file.form.ckid, FOURCC_RIFF);
    EXPECT_EQ(file.form.dwDataOffset, 8u);
    ASSERT_EQ(file.descend(nullptr, &file.form), MMSYSERR_NOERROR);
    EXPECT_EQ(file.chunk.ckid, fcc("fmt "));
    EXPECT_EQ(file.chunk.cksize, 4u);
    EXPECT_EQ(file.read(6), "ABCDod"); // reads go by the file, not the chunk
    ASSERT_EQ(mmioAscend(file.handle, &file.chunk, 0), MMSYSERR_NOERROR);

    // The search steps over the odd chunk and its pad byte, and into nothing outside the form.
    ASSERT_EQ(file.descend("data", &file.form), MMSYSERR_NOERROR);
    EXPECT_EQ(file.chunk.cksize, 5u);
    EXPECT_EQ(file.read(8).substr(0, 5), "12345");
    ASSERT_EQ(mmioAscend(file.handle, &file.chunk, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(file.descend("tail", &file.form), MMIOERR_CHUNKNOTFOUND);
    ASSERT_EQ(file.descend("tail", nullptr), MMSYSERR_NOERROR);
    EXPECT_EQ(file.read(8), "zzz");
    EXPECT_EQ(mmioAscend(file.handle, &file.chunk, 0), MMSYSERR_NOERROR); // the pad may lack
    EXPECT_EQ(file.read(8), "");
    EXPECT_EQ(mmioRead(file.handle, nullptr, -1), -1);

    // A LIST tells its type; chunks and forms that are not there are not found.
    MemoryFile again(sample_file());
    ASSERT_EQ(again.find_wave_form(), MMSYSERR_NOERROR);
    ASSERT_EQ(again.descend("LIST", &again.form), MMSYSERR_NOERROR);
    EXPECT_EQ(again.chunk.fccType, fcc("INFO"));
    EXPECT_EQ(again.read(4), "junk");
    EXPECT_EQ(again.descend("cue ", &again.form), MMIOERR_CHUNKNOTFOUND);
    MemoryFile other(sample_file());
    MMCKINFO avi{};
    avi.fccType = fcc("AVI ");
    EXPECT_EQ(mmioDescend(other.handle, &avi, nullptr, MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);
}

TEST(RiffTest, ChunksCutShortOrTooLargeAreNotEntered) {
    const std::string whole = sample_file();
    // Every cut inside a header: the form is not found, or its first chunk cannot be entered.
    for (std::size_t length : {0u, 3u, 8u, 11u, 12u, 19u}) {
        MemoryFile file(whole.substr(0, length));
        ASSERT_NE(file.handle, nullptr);
        EXPECT_FALSE(file.find_wave_form() == 0 && file.descend(nullptr, &file.form) == 0)
            << length;
    }
    // A chunk that claims more than the file holds can be entered but not left.
    std::string big;
    put_chunk(big, "RIFF", std::string("WAVEfmt \xff\xff\xff\x7f", 12) + "ab");
    MemoryFile file(big);
    ASSERT_EQ(file.find_wave_form(), MMSYSERR_NOERROR);
    ASSERT_EQ(file.descend(nullptr, &file.form), MMSYSERR_NOERROR);
    EXPECT_EQ(file.chunk.cksize, 0x7FFFFFFFu);
    EXPECT_EQ(mmioAscend(file.handle, &file.chunk, 0), MMIOERR_CANNOTSEEK);
    EXPECT_EQ(file.read(8), "ab");
}

TEST(RiffTest, OpensFilesByNameForReadingOnly) {
    std::string name = (std::filesystem::temp_directory_path() /
                        ("dw_riff_" + std::to_string(::getpid()) + ".wav"))
                           .string();
    std::ofstream(name, std::ios::binary) << sample_file();
    HMMIO handle = mmioOpenA(name.data(), nullptr, MMIO_ALLOCBUF | MMIO_READ);
    ASSERT_NE(handle, nullptr);
    MMCKINFO form{};
    form.fccType = fcc("WAVE");
    EXPECT_EQ(mmioDescend(handle, &form, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioClose(handle, 0), MMSYSERR_NOERROR);
    std::filesystem::remove(name);

    MMIOINFO info{};
    EXPECT_EQ(mmioOpenA(name.data(), &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, MMIOERR_FILENOTFOUND);
    EXPECT_EQ(mmioOpenA(name.data(), nullptr, 0x0002 /* read and write */), nullptr);
    info = MMIOINFO{};
    info.fccIOProc = FOURCC_MEM;
    info.cchBuffer = -1;
    EXPECT_EQ(mmioOpenA(nullptr, &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, MMSYSERR_INVALPARAM);
}

} // namespace
