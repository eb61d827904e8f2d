#include <angiolith/module/mdx.h>

#include <algorithm>
#include <mutex>

namespace mdx {
namespace {

struct Registry {
    std::mutex mutex;
    std::vector<ModuleInfo*> modules;
};

// Never destroyed: a module may unregister from its own exit handler, which can run after this
// library's static destructors (ThreadSanitizer's runtime, for one, runs atexit handlers after the
// destructors of statics).
Registry& registry() {
    static Registry* const instance = new Registry;
    return *instance;
}

}  // namespace

bool ModuleRegistry::Register(ModuleInfo* info) {
    if (info == nullptr) return false;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const bool taken = std::any_of(r.modules.begin(), r.modules.end(),
                                   [&](const ModuleInfo* m) { return m->name == info->name; });
    if (taken) return false;
    r.modules.push_back(info);
    return true;
}

void ModuleRegistry::UnRegister(const ModuleInfo* info) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.modules.erase(std::remove(r.modules.begin(), r.modules.end(), info), r.modules.end());
}

ModuleInfo* ModuleRegistry::GetModule(const std::string& name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = std::find_if(r.modules.begin(), r.modules.end(),
                                 [&](const ModuleInfo* m) { return m->name == name; });
    return it == r.modules.end() ? nullptr : *it;
}

std::vector<ModuleInfo*> ModuleRegistry::GetModules() {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.modules;
}

}  // namespace mdx
