// Finding the data folder: the order of the candidates, what counts as a data folder, and the
// reasons given for a file that cannot be read (without ever opening a pipe, which would wait).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/additions/user_folders.h"

namespace fs = std::filesystem;

namespace {

struct DataPaths : ::testing::Test {
    const fs::path root = ::testing::TempDir() + "dw_data_" + std::to_string(::getpid());
    void TearDown() override {
        fs::remove_all(root);
        unsetenv("DIRTWHIRL_DATA");
    }
    std::string make(const std::string &name, bool folder = true) {
        fs::create_directories(folder ? root / name : (root / name).parent_path());
        if (!folder)
            std::ofstream(root / name) << "x";
        return (root / name).string();
    }
};

TEST_F(DataPaths, CandidatesTheFolderThatHoldsTheDataAndTheProblemsOfFiles) {
    setenv("DIRTWHIRL_DATA", (root.string() + "/env/").c_str(), 1);
    const auto candidates = data_folder_candidates("some/../option");
    ASSERT_EQ(candidates.size(), 4u);
    EXPECT_EQ(candidates[0].path, (fs::current_path() / "option").string());
    EXPECT_EQ(candidates[1].path, root.string() + "/env");
    EXPECT_TRUE(candidates[2].path.ends_with("/share/dirtwhirl")) << candidates[2].path;
    EXPECT_TRUE(candidates[0].named_by_user && candidates[1].named_by_user &&
                !candidates[2].named_by_user);
    EXPECT_EQ(candidates[3].path, fs::current_path().string());
    setenv("DIRTWHIRL_DATA", "", 1); // neither it nor an empty option names a folder
    EXPECT_EQ(data_folder_candidates("").size(), 2u);

    for (const char *sub : {"partial/images", "partial/cars", "file/images", "file/cars",
                            "full/images", "full/cars", "full/sounds"})
        make(sub);
    make("file/sounds", false);
    for (const char *folder : {"missing", "file", "partial"})
        EXPECT_FALSE(holds_game_data((root / folder).string())) << folder;
    EXPECT_TRUE(holds_game_data((root / "full").string()));
    std::vector<DataFolder> folders;
    for (const char *folder : {"missing", "partial", "full"})
        folders.push_back({(root / folder).string(), folder, true});
    std::string found;
    ASSERT_TRUE(find_data_folder(folders, found));
    EXPECT_EQ(found, (root / "full").string());
    folders.pop_back();
    EXPECT_FALSE(find_data_folder(folders, found));

    // The reasons a file cannot be read, found without opening a pipe.
    const std::string fifo = make("pipe") + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {make("images/intro.bmp", false), ""},
        {(root / "images/none.bmp").string(), "not found"},
        {make("images/folder.bmp"), "not a regular file"},
        {fifo, "not a regular file"},
    };
    for (const auto &[path, problem] : cases)
        EXPECT_EQ(file_problem(path), problem) << path;
}

} // namespace
