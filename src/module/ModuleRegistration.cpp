#include <angiolith/module/mdx.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

// The name under which this library registers itself. A test module compiles this same file
// under another name to exercise the activator look-up.
#ifndef ANGIOLITH_MODULE_NAME
#define ANGIOLITH_MODULE_NAME "Angiolith"
#endif

namespace {

constexpr char kModuleName[] = ANGIOLITH_MODULE_NAME;
constexpr char kActivatorPrefix[] = "_mdx_module_activator_instance_";

/// Guards the one-time creation of the module record; made on first use, released at unload.
std::mutex* creationMutex = nullptr;
/// The module record; registered at load, unregistered at unload.
std::atomic<mdx::ModuleInfo*> moduleInfo{nullptr};

void releaseCreationMutex() {
    delete creationMutex;
    creationMutex = nullptr;
}

std::mutex& getCreationMutex() {
    // Thread-safe one-time initialisation of a local static makes the mutex exactly once.
    static std::mutex* const mutex = [] {
        creationMutex = new std::mutex;
        std::atexit(releaseCreationMutex);
        return creationMutex;
    }();
    return *mutex;
}

/// The module record, created by whichever caller comes first.
mdx::ModuleInfo* getModuleInfo() {
    std::mutex& mutex = getCreationMutex();
    if (moduleInfo.load() == nullptr) {
        auto candidate = std::make_unique<mdx::ModuleInfo>(kModuleName, kModuleName);
        std::lock_guard<std::mutex> lock(mutex);
        if (moduleInfo.load() == nullptr) moduleInfo.store(candidate.release());
        // A caller that lost the race destroys its candidate on leaving.
    }
    return moduleInfo.load();
}

/// Runs when the library is unloaded (atexit in a shared library is bound to that library).
/// The record is freed once the registry has let go of it, so that repeated loading and
/// unloading leaks nothing.
void unregisterModule() {
    mdx::ModuleInfo* info = getModuleInfo();
    mdx::ModuleRegistry::UnRegister(info);
    moduleInfo.store(nullptr);
    delete info;
}

void registerModule() {
    mdx::ModuleInfo* info = getModuleInfo();
    const std::string location =
        mdx::ModuleUtils::GetLibraryPath(info->libName, reinterpret_cast<void*>(&getModuleInfo));
    const std::string activator =
        kActivatorPrefix + (info->libName.empty() ? info->name : info->libName);
    info->location = location;
    info->activatorHook = mdx::ModuleUtils::GetSymbol(
        info->libName.empty() ? std::string() : location, activator.c_str());
    mdx::ModuleRegistry::Register(info);
    std::atexit(unregisterModule);
}

/// Registers the library while it is being loaded.
const bool registered = (registerModule(), true);

}  // namespace
