// Finding the data folder: the order of the candidates, what counts as a data folder, and the
// reasons given for a file that cannot be read (without ever opening a pipe, which would wait).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/data_paths.h"

namespace fs = std::filesystem;

namespace {

class DataPaths : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/dw_data_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override {
        fs::remove_all(root);
        unsetenv("DIRTWHIRL_DATA");
    }
    // Makes the folder, or the file (with its folder), under the root; returns its path.
    std::string make(const std::string &name, bool folder = true) {
        const fs::path path = root / name;
        fs::create_directories(folder ? path : path.parent_path());
        if (!folder)
            std::ofstream(path) << "x";
        return path.string();
    }
    fs::path root;
};

TEST_F(DataPaths, CandidatesComeInOrderAbsoluteAndNormalised) {
    setenv("DIRTWHIRL_DATA", (root.string() + "/env/").c_str(), 1);
    const auto candidates = data_folder_candidates("some/../option");
    ASSERT_EQ(candidates.size(), 4u);
    EXPECT_EQ(candidates[0].path, (fs::current_path() / "option").string());
    EXPECT_EQ(candidates[1].path, root.string() + "/env");
    EXPECT_TRUE(candidates[0].named_by_user && candidates[1].named_by_user);
    EXPECT_TRUE(candidates[2].path.ends_with("/share/dirtwhirl")) << candidates[2].path;
    EXPECT_FALSE(candidates[2].named_by_user);
    EXPECT_EQ(candidates[3].path, fs::current_path().string());
    // Neither an empty option nor an empty variable names a folder.
    setenv("DIRTWHIRL_DATA", "", 1);
    EXPECT_EQ(data_folder_candidates("").size(), 2u);
}

TEST_F(DataPaths, OnlyAFolderWithAllThreeSubfoldersHoldsTheData) {
    for (const char *sub : {"partial/images", "partial/cars", "file/images", "file/cars",
                            "full/images", "full/cars", "full/sounds"})
        make(sub);
    make("file/sounds", false); // a file, not a folder
    EXPECT_FALSE(holds_game_data((root / "partial").string()));
    EXPECT_FALSE(holds_game_data((root / "file").string()));
    EXPECT_TRUE(holds_game_data((root / "full").string()));

    std::string found;
    const std::vector<DataFolder> candidates = {{(root / "missing").string(), "a", true},
                                                {(root / "partial").string(), "b", true},
                                                {(root / "full").string(), "c", false}};
    ASSERT_TRUE(find_data_folder(candidates, found));
    EXPECT_EQ(found, (root / "full").string());
    EXPECT_FALSE(find_data_folder({candidates[0], candidates[1]}, found));
}

TEST_F(DataPaths, FileProblemsAreNamedWithoutOpeningPipes) {
    const std::string fifo = (root / "pipe").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {make("images/intro.bmp", false), ""},
        {(root / "images/none.bmp").string(), "not found"},
        {(root / "nowhere/none.bmp").string(), "not found"},
        {make("images/folder.bmp"), "not a regular file"},
        {fifo, "not a regular file"},
    };
    for (const auto &[path, problem] : cases)
        EXPECT_EQ(file_problem(path), problem) << path;
}

} // namespace
