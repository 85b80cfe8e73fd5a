// RIFF chunk reading: form and chunk searches, pad bytes after odd-sized chunks, the parent's and
// the file's bounds, and opening by name and from memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/riff.h"

namespace {

void put_dword(std::vector<char> &out, DWORD value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

void put_chunk(std::vector<char> &out, const char *id, const std::string &body) {
    out.insert(out.end(), id, id + 4);
    put_dword(out, static_cast<DWORD>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 == 1)
        out.push_back('\0');
}

// A RIFF WAVE form holding: "fmt " (4 bytes), "odd " (3 bytes and a pad byte whose value looks
// like the start of a chunk), a LIST, "data" (5 bytes and a pad byte); after the form, outside
// it, a chunk "tail".
std::vector<char> sample_file() {
    std::vector<char> form{'W', 'A', 'V', 'E'};
    put_chunk(form, "fmt ", "ABCD");
    form.insert(form.end(), {'o', 'd', 'd', ' ', 3, 0, 0, 0, 'x', 'y', 'z', 'd'});
    put_chunk(form, "LIST", "INFOjunk");
    put_chunk(form, "data", "12345");
    std::vector<char> file;
    put_chunk(file, "RIFF", std::string(form.begin(), form.end()));
    put_chunk(file, "tail", "zz");
    return file;
}

// Descends into the file's RIFF form of type WAVE.
MMRESULT find_wave_form(HMMIO file, MMCKINFO *form) {
    *form = MMCKINFO{};
    form->fccType = mmioFOURCC('W', 'A', 'V', 'E');
    return mmioDescend(file, form, nullptr, MMIO_FINDRIFF);
}

struct MemoryFile {
    std::vector<char> bytes;
    HMMIO handle = nullptr;
    explicit MemoryFile(std::vector<char> file) : bytes(std::move(file)) {
        MMIOINFO info{};
        info.fccIOProc = FOURCC_MEM;
        info.pchBuffer = bytes.data();
        info.cchBuffer = static_cast<LONG>(bytes.size());
        handle = mmioOpenA(nullptr, &info, MMIO_READ | MMIO_ALLOCBUF);
    }
    ~MemoryFile() {
        if (handle != nullptr)
            mmioClose(handle, 0);
    }
};

TEST(RiffTest, WalksAFormChunkByChunk) {
    MemoryFile file(sample_file());
    ASSERT_NE(file.handle, nullptr);
    MMCKINFO form;
    ASSERT_EQ(find_wave_form(file.handle, &form), MMSYSERR_NOERROR);
    EXPECT_EQ(form.ckid, FOURCC_RIFF);
    EXPECT_EQ(form.dwDataOffset, 8u);

    MMCKINFO chunk{};
    ASSERT_EQ(mmioDescend(file.handle, &chunk, &form, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk.ckid, mmioFOURCC('f', 'm', 't', ' '));
    EXPECT_EQ(chunk.cksize, 4u);
    char text[8] = {};
    // Reads go by the file, not the chunk: the next chunk's header follows.
    ASSERT_EQ(mmioRead(file.handle, text, 6), 6);
    EXPECT_EQ(std::string(text, 6), "ABCDod");
    ASSERT_EQ(mmioAscend(file.handle, &chunk, 0), MMSYSERR_NOERROR);

    // The search steps over the odd chunk and its pad byte, and into nothing outside the form.
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(file.handle, &chunk, &form, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk.cksize, 5u);
    ASSERT_EQ(mmioRead(file.handle, text, 8), 8);
    EXPECT_EQ(std::string(text, 5), "12345");
    ASSERT_EQ(mmioAscend(file.handle, &chunk, 0), MMSYSERR_NOERROR);
    chunk.ckid = mmioFOURCC('t', 'a', 'i', 'l');
    EXPECT_EQ(mmioDescend(file.handle, &chunk, &form, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    EXPECT_EQ(mmioDescend(file.handle, &chunk, nullptr, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioRead(file.handle, text, 8), 2);
    EXPECT_EQ(mmioRead(file.handle, text, 8), 0);
}

TEST(RiffTest, ListChunksAndMissingChunks) {
    MemoryFile file(sample_file());
    MMCKINFO form;
    ASSERT_EQ(find_wave_form(file.handle, &form), MMSYSERR_NOERROR);
    MMCKINFO list{};
    list.ckid = FOURCC_LIST;
    ASSERT_EQ(mmioDescend(file.handle, &list, &form, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(list.fccType, mmioFOURCC('I', 'N', 'F', 'O'));
    char text[4];
    ASSERT_EQ(mmioRead(file.handle, text, 4), 4);
    EXPECT_EQ(std::string(text, 4), "junk");
    MMCKINFO missing{};
    missing.ckid = mmioFOURCC('c', 'u', 'e', ' ');
    EXPECT_EQ(mmioDescend(file.handle, &missing, &form, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);

    MemoryFile other(sample_file());
    MMCKINFO avi{};
    avi.fccType = mmioFOURCC('A', 'V', 'I', ' ');
    EXPECT_EQ(mmioDescend(other.handle, &avi, nullptr, MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);
}

TEST(RiffTest, ChunksCutShortOrTooLargeAreNotEntered) {
    std::vector<char> whole = sample_file();
    // Every cut inside a header: the form is not found, or its first chunk cannot be entered.
    for (std::size_t length : {0u, 3u, 8u, 11u, 12u, 19u}) {
        MemoryFile file(std::vector<char>(whole.begin(), whole.begin() + length));
        ASSERT_NE(file.handle, nullptr);
        MMCKINFO form, chunk{};
        bool entered = find_wave_form(file.handle, &form) == 0 &&
                       mmioDescend(file.handle, &chunk, &form, 0) == 0;
        EXPECT_FALSE(entered) << length;
    }
    // A chunk that claims more than the file holds can be entered but not left.
    std::vector<char> big;
    put_chunk(big, "RIFF",
              "WAVEfmt \xff\xff\xff\x7f"
              "ab");
    MemoryFile file(big);
    MMCKINFO form, chunk{};
    ASSERT_EQ(find_wave_form(file.handle, &form), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioDescend(file.handle, &chunk, &form, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk.cksize, 0x7FFFFFFFu);
    EXPECT_EQ(mmioAscend(file.handle, &chunk, 0), MMIOERR_CANNOTSEEK);
    char text[8];
    EXPECT_EQ(mmioRead(file.handle, text, 8), 2);
    EXPECT_EQ(mmioRead(file.handle, text, -1), -1);
}

TEST(RiffTest, OpensFilesByName) {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("dw_riff_" + std::to_string(::getpid()) + ".wav");
    std::vector<char> bytes = sample_file();
    std::FILE *out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);

    std::string name = path.string();
    HMMIO file = mmioOpenA(name.data(), nullptr, MMIO_ALLOCBUF | MMIO_READ);
    ASSERT_NE(file, nullptr);
    MMCKINFO form;
    EXPECT_EQ(find_wave_form(file, &form), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
    std::filesystem::remove(path);

    MMIOINFO info{};
    EXPECT_EQ(mmioOpenA(name.data(), &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, MMIOERR_FILENOTFOUND);
    EXPECT_EQ(mmioOpenA(name.data(), nullptr, 0x0002 /* read and write */), nullptr);
}

} // namespace
