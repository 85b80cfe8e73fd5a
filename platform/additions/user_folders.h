// Where the game's files are: the folders that may hold its data (images/, cars/ and sounds/), in
// the order they are looked at, and why a file that should be there cannot be read; the user's
// configuration folder and where screenshots go.
#pragma once

#include <string>
#include <vector>

// A folder that may hold the data, what named it (for messages) and whether the user did.
struct DataFolder {
    std::string path;
    std::string named_by;
    bool named_by_user;
};

// The path made absolute, without "." or ".." steps or a trailing '/': what messages name.
std::string full_path(const std::string &path);

// The folders to look in, in order: the one given on the command line (when not empty), the one
// in DIRTWHIRL_DATA (when set and not empty), the installed data folder found from the running
// executable's own folder (so that a moved install still finds its data), the working directory.
std::vector<DataFolder> data_folder_candidates(const std::string &option_folder);

// True when the folder holds images/, cars/ and sounds/, each a folder.
bool holds_game_data(const std::string &folder);

// The first candidate that holds the data; false when none does.
bool find_data_folder(const std::vector<DataFolder> &candidates, std::string &found);

// Why the file cannot be read, in words ("not found", "not a regular file", "unreadable: ..."); an
// empty string when it is a regular file that opens for reading.
std::string file_problem(const std::string &path);

// The user's configuration folder: $XDG_CONFIG_HOME/dirtwhirl, else ~/.config/dirtwhirl; empty
// when neither variable names a folder.
std::string config_folder();
// The user's data folder: $XDG_DATA_HOME/dirtwhirl, else ~/.local/share/dirtwhirl; empty when
// neither variable names a folder. The player's own tracks are in its tracks/.
std::string data_home_folder();
// Where screenshots go: $XDG_PICTURES_DIR/dirtwhirl, else the configuration folder.
std::string pictures_folder();
