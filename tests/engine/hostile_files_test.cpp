// Every reader of a file a user or the data names (the library's loaders, the replay reader, the
// settings file, the checked read the gamepad mappings and the font go through) given /dev/zero, a
// folder, a FIFO and a huge sparse file, and every writer given the first three, each in a child
// bounded in memory and time, so that one reading without end or waiting for the other end of a
// pipe fails with its reason, not hangs.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <functional>

#include "engine/display/log.h"
#include "engine_test_support.h"
#include "game/additions/replay.h"
#include "game/additions/settings.h"
#include "platform/file.h"

namespace {

const std::pair<const char *, std::function<bool(const char *)>> loaders[] = {
    {"bitmap_file_load",
     [](const char *path) {
         BitmapFile bitmap{};
         return bitmap_file_load(&bitmap, path) == 0 && bitmap.pixels == nullptr;
     }},
    {"palette_load_file",
     [](const char *path) {
         PALETTEENTRY palette[256];
         std::memset(palette, 7, sizeof palette);
         return palette_load_file(path, palette) == 0 && all_bytes(palette, sizeof palette, 7);
     }},
    {"sound_load_wav", [](const char *path) { return sound_load_wav(path, 224) == -1; }},
    {"sound_load_voc", [](const char *path) { return sound_load_voc(path) == -1; }},
    {"replay_load",
     [](const char *path) {
         Replay replay;
         std::string error;
         return !replay_load(path, replay, error) && !error.empty();
     }},
    {"settings_load",
     [](const char *path) {
         char *said = nullptr;
         std::size_t said_size = 0;
         std::FILE *err = open_memstream(&said, &said_size);
         Settings settings;
         settings.volume = 7;
         settings_load(path, settings, err);
         std::fclose(err);
         const bool told = said_size > 0 && std::strstr(said, path) != nullptr;
         std::free(said);
         return told && settings.volume == 7;
     }},
    {"read_file_checked (gamepad mappings)",
     [](const char *path) {
         std::vector<BYTE> bytes;
         return !read_file_checked(path, bytes, 4u << 20).empty() && bytes.empty();
     }},
};

// Writers of a file the user names: a device, a folder or a pipe under the name is refused at once,
// not written into or waited on.
const std::pair<const char *, std::function<bool(const char *)>> writers[] = {
    {"log_open", [](const char *path) { return log_open(path) == 0; }},
    {"palette_save_file",
     [](const char *path) { return palette_save_file(path, palette_table) == 0; }},
    {"open_for_writing",
     [](const char *path) {
         std::string why;
         return open_for_writing(path, false, why) == nullptr && !why.empty();
     }},
};

// Loads in a child allowed 256 MiB more address space than it starts with and 10 seconds.
::testing::AssertionResult refused_in_bounds(const std::function<bool(const char *)> &refused,
                                             const std::string &path) {
    const pid_t child = fork();
    if (child == 0) {
        std::size_t pages = 0; // the address space in use
        if (std::FILE *statm = std::fopen("/proc/self/statm", "r")) {
            pages = std::fscanf(statm, "%zu", &pages) == 1 ? pages : 0;
            std::fclose(statm);
        }
        const rlim_t bound = pages * std::size_t(sysconf(_SC_PAGESIZE)) + (256u << 20);
        const rlimit limit{bound, bound};
        setrlimit(RLIMIT_AS, &limit);
        alarm(10);
        try {
            _exit(refused(path.c_str()) ? 0 : 1);
        } catch (...) {
            _exit(2);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << (WIFSIGNALED(status)        ? strsignal(WTERMSIG(status))
               : WEXITSTATUS(status) == 2 ? "let an exception out"
                                          : "did not give its failure");
}

TEST(HostileFiles, EveryLoaderRefusesWhatIsNotARegularFileOfItsSizeAtOnce) {
    ASSERT_EQ(sound_init(), 1); // else the sound loaders would not look at the file at all
    TempDir folder;
    const std::string fifo = folder / "fifo", huge = folder / "huge.bmp";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int huge_file = open(huge.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(huge_file, 0);
    ASSERT_EQ(write(huge_file, "BM", 2), 2);
    ASSERT_EQ(ftruncate(huge_file, off_t{5} << 30), 0); // past any loader's bound; it starts BM
    close(huge_file);
    for (const std::string &path : {std::string("/dev/zero"), folder.path.string(), fifo, huge})
        for (const auto &[name, refused] : loaders)
            EXPECT_TRUE(refused_in_bounds(refused, path)) << name << " on " << path;
    for (const std::string &path : {std::string("/dev/zero"), folder.path.string(), fifo})
        for (const auto &[name, refused] : writers)
            EXPECT_TRUE(refused_in_bounds(refused, path)) << name << " on " << path;

    sound_shutdown();
}

} // namespace
