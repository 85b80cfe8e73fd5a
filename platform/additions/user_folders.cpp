// Finding the user's folders: the data folder (the installed data folder's place relative to the
// executable's folder comes from the build, DW_DATA_FROM_BIN, so an install tree that is moved as
// a whole still finds its data), and the XDG configuration and pictures folders.
#include "platform/additions/user_folders.h"

#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef DW_DATA_FROM_BIN
#define DW_DATA_FROM_BIN "../share/dirtwhirl"
#endif

namespace fs = std::filesystem;

namespace {

std::string installed_data_folder() {
    char *base = SDL_GetBasePath();
    if (base == nullptr)
        return {};
    const std::string folder = full_path((fs::path(base) / DW_DATA_FROM_BIN).string());
    SDL_free(base);
    return folder;
}

} // namespace

std::string full_path(const std::string &path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        absolute = path;
    std::string text = absolute.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

std::vector<DataFolder> data_folder_candidates(const std::string &option_folder) {
    std::vector<DataFolder> candidates;
    if (!option_folder.empty())
        candidates.push_back({full_path(option_folder), "--data", true});
    const char *variable = std::getenv("DIRTWHIRL_DATA");
    if (variable != nullptr && *variable != '\0')
        candidates.push_back({full_path(variable), "DIRTWHIRL_DATA", true});
    const std::string installed = installed_data_folder();
    if (!installed.empty())
        candidates.push_back({installed, "the installed data", false});
    candidates.push_back({full_path("."), "the working directory", false});
    return candidates;
}

bool holds_game_data(const std::string &folder) {
    std::error_code error;
    for (const char *sub : {"images", "cars", "sounds"})
        if (!fs::is_directory(fs::path(folder) / sub, error))
            return false;
    return true;
}

bool find_data_folder(const std::vector<DataFolder> &candidates, std::string &found) {
    for (const DataFolder &candidate : candidates)
        if (holds_game_data(candidate.path)) {
            found = candidate.path;
            return true;
        }
    return false;
}

std::string file_problem(const std::string &path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found)
        return "not found";
    if (error)
        return "unreadable: " + error.message();
    // Checked before opening: opening a pipe or a device could wait for ever.
    if (status.type() != fs::file_type::regular)
        return "not a regular file";
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return std::string("unreadable: ") + std::strerror(errno);
    std::fclose(file);
    return {};
}

std::string config_folder() {
    // Only an absolute path counts, as the base directory rules ask.
    const char *config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return std::string(config) + "/dirtwhirl";
    const char *home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.config/dirtwhirl";
    return "";
}

std::string data_home_folder() {
    const char *data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return std::string(data) + "/dirtwhirl";
    const char *home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/share/dirtwhirl";
    return "";
}

std::string pictures_folder() {
    const char *pictures = std::getenv("XDG_PICTURES_DIR");
    if (pictures != nullptr && pictures[0] == '/')
        return std::string(pictures) + "/dirtwhirl";
    return config_folder();
}
