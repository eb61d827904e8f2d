#include "cli/OutputFolder.h"

#include "cli/UserError.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <pthread.h>
#include <set>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace angiolith::tool {

namespace fs = std::filesystem;

namespace {

// Folders of this process to remove when it ends early: the staging folders alive, and output
// folders created for them (removed only when empty). Guarded by cleanupMutex(), which a
// commit holds, so that an interrupt never cleans up in the middle of one.
struct Cleanup {
    std::set<std::string> staging;
    std::set<std::string> created;
};

Cleanup& cleanup() {
    static Cleanup folders;
    return folders;
}

std::recursive_mutex& cleanupMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

void removeLeftovers() {
    const std::lock_guard<std::recursive_mutex> lock(cleanupMutex());
    std::error_code ignored;
    for (const std::string& folder : cleanup().staging) fs::remove_all(folder, ignored);
    for (const std::string& folder : cleanup().created) fs::remove(folder, ignored);
    cleanup().staging.clear();
    cleanup().created.clear();
}

void registerCleanupAtExit() {
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(removeLeftovers); });
}

[[noreturn]] void notWritable(const std::string& folder, const std::string& reason) {
    throw UserError("cannot write to the output folder '" + folder + "': " + reason +
                    "; choose a folder you can write to with --out");
}

// @p folder as an absolute path without "." or ".." and without a trailing separator.
fs::path normalFolder(const std::string& folder) {
    fs::path p = fs::absolute(folder).lexically_normal();
    return p.has_filename() ? p : p.parent_path();
}

// The outermost folder of @p folder that does not exist yet (empty when it exists).
std::string firstMissing(const std::string& folder) {
    fs::path missing;
    for (fs::path p = normalFolder(folder); !p.empty(); p = p.parent_path()) {
        std::error_code error;
        if (fs::exists(p, error)) break;
        missing = p;
        if (p == p.parent_path()) break;
    }
    return missing.string();
}

std::string quotedList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "'" : ", '") + name + "'";
    return list;
}

void renameFile(const fs::path& from, const fs::path& to, std::error_code& error) {
    fs::rename(from, to, error);
}

}  // namespace

OutputFolder::OutputFolder(const std::string& theFolder, MoveFunction theMove)
    : folder(theFolder), moveFile(theMove != nullptr ? theMove : renameFile) {
    if (folder.empty()) notWritable(folder, "no folder given");
    registerCleanupAtExit();
    std::error_code error;
    const auto status = fs::status(folder, error);
    if (fs::exists(status) && !fs::is_directory(status)) {
        notWritable(folder, "a file of that name exists");
    }
    if (!fs::exists(status)) {
        created = firstMissing(folder);
        fs::create_directories(folder, error);
        if (error) notWritable(folder, error.message());
    }
    std::string pattern = (fs::path(folder) / ".angiolith-staging-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const std::lock_guard<std::recursive_mutex> lock(cleanupMutex());
    if (mkdtemp(buffer.data()) == nullptr) {
        const std::string reason = std::strerror(errno);
        discard();
        notWritable(folder, reason);
    }
    staging = buffer.data();
    cleanup().staging.insert(staging);
    if (!created.empty()) cleanup().created.insert(created);
}

OutputFolder::~OutputFolder() { discard(); }

void OutputFolder::discard() {
    const std::lock_guard<std::recursive_mutex> lock(cleanupMutex());
    std::error_code ignored;
    if (!staging.empty()) {
        fs::remove_all(staging, ignored);
        cleanup().staging.erase(staging);
        staging.clear();
    }
    if (!created.empty()) {
        // Only empty folders go: those this command created and left empty.
        for (fs::path p = normalFolder(folder);
             p.string().size() > created.size() && p != p.parent_path(); p = p.parent_path()) {
            fs::remove(p, ignored);
        }
        fs::remove(created, ignored);
        cleanup().created.erase(created);
        created.clear();
    }
}

std::string OutputFolder::stagingPath(const std::string& name) const {
    return (fs::path(staging) / name).string();
}

std::vector<std::string> OutputFolder::stagedNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(staging)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> OutputFolder::existingNames() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void OutputFolder::commit(const std::vector<std::string>& superseded) {
    const std::lock_guard<std::recursive_mutex> lock(cleanupMutex());
    const fs::path target(folder);
    const std::vector<std::string> names = stagedNames();

    // Every destination first: a folder (or anything but a file) in the way stops the commit
    // before anything moves.
    std::vector<std::string> blocked;
    for (const std::string& name : names) {
        std::error_code error;
        const auto status = fs::symlink_status(target / name, error);
        if (fs::exists(status) && !fs::is_regular_file(status) && !fs::is_symlink(status)) {
            blocked.push_back((target / name).string());
        }
    }
    if (!blocked.empty()) {
        throw std::runtime_error("cannot replace " + quotedList(blocked) +
                                 ": not a file; move it away and run again (nothing was written)");
    }

    // The files replaced or superseded go aside into the staging folder until the new ones are
    // all in place, so that a failure can restore them.
    const fs::path aside = fs::path(staging) / ".replaced";
    std::vector<std::string> setAside, placed, failed;
    std::string reason;
    std::error_code error;
    fs::create_directory(aside, error);
    if (error) reason = error.message();
    std::vector<std::string> toSetAside = superseded;
    for (const std::string& name : names) {
        std::error_code missing;
        if (fs::exists(fs::symlink_status(target / name, missing))) toSetAside.push_back(name);
    }
    for (const std::string& name : toSetAside) {
        if (error) break;
        moveFile(target / name, aside / name, error);
        if (error) {
            failed.push_back((target / name).string());
            reason = error.message();
        } else {
            setAside.push_back(name);
        }
    }
    if (!error) {
        for (const std::string& name : names) {
            moveFile(fs::path(staging) / name, target / name, error);
            if (error) {
                failed.push_back((target / name).string());
                reason = error.message();
                break;
            }
            placed.push_back(name);
        }
    }
    if (error) {
        std::error_code ignored;
        for (const std::string& name : placed) {
            moveFile(target / name, fs::path(staging) / name, ignored);
        }
        for (const std::string& name : setAside) moveFile(aside / name, target / name, ignored);
        throw std::runtime_error("cannot move " + quotedList(failed) + " into place: " + reason +
                                 "; the folder was left as it was");
    }
    fs::remove_all(staging, error);
    cleanup().staging.erase(staging);
    staging.clear();
    cleanup().created.erase(created);
    created.clear();
}

void installInterruptCleanup() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    // Blocked here, so in every thread started later; one thread waits for them in order to
    // clean up outside a signal handler, where removing folders is not allowed.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals] {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) return;
        removeLeftovers();
        std::signal(signal, SIG_DFL);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, signal);
        pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
        std::raise(signal);
        std::_Exit(128 + signal);
    }).detach();
}

}  // namespace angiolith::tool
