// The file loaders given names that are no regular file of a size they accept: /dev/zero, a
// directory, a FIFO nobody writes to, a pipe that never ends and a very large (sparse) file. Each
// load runs in a child process with a bound on its address space and its time, so that a loader
// that reads without end or waits for a writer fails this test instead of taking the suite down.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/display/bitmap.h"
#include "engine/display/palette.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_load.h"

namespace {

struct Loader {
    const char *name;
    // True when the load gave the loader's documented failure.
    std::function<bool(const char *)> refused;
};

const Loader loaders[] = {
    {"bitmap_file_load",
     [](const char *path) {
         BitmapFile bitmap{};
         return bitmap_file_load(&bitmap, path) == 0 && bitmap.pixels == nullptr;
     }},
    {"palette_load_file",
     [](const char *path) {
         PALETTEENTRY palette[256];
         std::memset(palette, 7, sizeof palette);
         PALETTEENTRY before[256];
         std::memcpy(before, palette, sizeof palette);
         return palette_load_file(path, palette) == 0 &&
                std::memcmp(palette, before, sizeof palette) == 0;
     }},
    {"sound_load_wav", [](const char *path) { return sound_load_wav(path, 224) == -1; }},
    {"sound_load_voc", [](const char *path) { return sound_load_voc(path) == -1; }},
};

std::size_t address_space_in_use() {
    std::size_t pages = 0;
    if (std::FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%zu", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// Loads in a child allowed 256 MiB more address space than it starts with and 10 seconds.
::testing::AssertionResult refused_in_bounds(const Loader &loader, const std::string &path) {
    const pid_t child = fork();
    if (child < 0)
        return ::testing::AssertionFailure() << "fork failed";
    if (child == 0) {
        const rlim_t bound = address_space_in_use() + (256u << 20);
        const rlimit limit{bound, bound};
        setrlimit(RLIMIT_AS, &limit);
        alarm(10);
        int code = 2;
        try {
            code = loader.refused(path.c_str()) ? 0 : 1;
        } catch (...) {
        }
        _exit(code);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return ::testing::AssertionSuccess();
    if (WIFSIGNALED(status))
        return ::testing::AssertionFailure() << "ended by " << strsignal(WTERMSIG(status));
    if (WEXITSTATUS(status) == 2)
        return ::testing::AssertionFailure() << "let an exception out";
    return ::testing::AssertionFailure() << "did not give the documented failure";
}

} // namespace

TEST(HostileFiles, EveryLoaderRefusesWhatIsNotARegularFileOfItsSizeAtOnce) {
    ASSERT_EQ(sound_init(), 1); // else the sound loaders would not look at the file at all
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("hostile_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string fifo = (folder / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Larger than any loader accepts; its first bytes say BM.
    const std::string huge = (folder / "huge.bmp").string();
    const int huge_file = open(huge.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(huge_file, 0);
    ASSERT_EQ(write(huge_file, "BM", 2), 2);
    ASSERT_EQ(ftruncate(huge_file, off_t{5} << 30), 0);
    close(huge_file);
    // A pipe whose writer never stops, named through /dev/fd.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        close(ends[0]);
        static const char zeros[65536] = {};
        while (write(ends[1], zeros, sizeof zeros) > 0) {
        }
        _exit(0);
    }
    close(ends[1]);
    const std::string endless = "/dev/fd/" + std::to_string(ends[0]);

    for (const std::string &path : {std::string("/dev/zero"), folder.string(), fifo, endless, huge})
        for (const Loader &loader : loaders)
            EXPECT_TRUE(refused_in_bounds(loader, path)) << loader.name << " on " << path;

    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    close(ends[0]);
    std::filesystem::remove_all(folder);
    sound_shutdown();
}
