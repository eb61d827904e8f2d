#include "cli/OutputFolder.h"

#include "cli/UserError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace angiolith::tool {

namespace fs = std::filesystem;

namespace {

// Staging folders alive in this process, removed at exit() in case the process ends without
// unwinding (the library ends the process on fatal input errors).
std::set<std::string>& liveStagingFolders() {
    static std::set<std::string> folders;
    return folders;
}

void removeLiveStagingFolders() {
    for (const std::string& folder : liveStagingFolders()) {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    liveStagingFolders().clear();
}

void registerStaging(const std::string& folder) {
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(removeLiveStagingFolders); });
    liveStagingFolders().insert(folder);
}

[[noreturn]] void notWritable(const std::string& folder, const std::string& reason) {
    throw UserError("cannot write to the output folder '" + folder + "': " + reason +
                    "; choose a folder you can write to with --out");
}

}  // namespace

OutputFolder::OutputFolder(const std::string& theFolder) : folder(theFolder) {
    if (folder.empty()) notWritable(folder, "no folder given");
    std::error_code error;
    const auto status = fs::status(folder, error);
    if (fs::exists(status) && !fs::is_directory(status)) {
        notWritable(folder, "a file of that name exists");
    }
    if (!fs::exists(status)) {
        fs::create_directories(folder, error);
        if (error) notWritable(folder, error.message());
    }
    std::string pattern = (fs::path(folder) / ".angiolith-staging-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) notWritable(folder, std::strerror(errno));
    staging = buffer.data();
    registerStaging(staging);
}

OutputFolder::~OutputFolder() {
    if (staging.empty()) return;
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    liveStagingFolders().erase(staging);
}

std::string OutputFolder::stagingPath(const std::string& name) const {
    return (fs::path(staging) / name).string();
}

std::string OutputFolder::finalPath(const std::string& name) const {
    return (fs::path(folder) / name).string();
}

void OutputFolder::commit() {
    for (const auto& entry : fs::directory_iterator(staging)) {
        const fs::path target = fs::path(folder) / entry.path().filename();
        std::error_code error;
        fs::rename(entry.path(), target, error);
        if (error) {
            throw std::runtime_error("cannot move '" + entry.path().string() + "' to '" +
                                     target.string() + "': " + error.message());
        }
    }
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    liveStagingFolders().erase(staging);
    staging.clear();
}

}  // namespace angiolith::tool
