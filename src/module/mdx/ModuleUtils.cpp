#include <angiolith/module/mdx.h>

#include <dlfcn.h>

namespace mdx {

std::string ModuleUtils::GetLibraryPath(const std::string& /*libName*/, void* address) {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    return info.dli_fname;
}

void* ModuleUtils::GetSymbol(const std::string& location, const char* name) {
    if (name == nullptr) return nullptr;
    // RTLD_NOLOAD only finds a library that is already loaded; the extra reference it takes
    // is given back at once.
    void* handle = location.empty() ? dlopen(nullptr, RTLD_LAZY)
                                    : dlopen(location.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) return nullptr;
    void* symbol = dlsym(handle, name);
    dlclose(handle);
    return symbol;
}

}  // namespace mdx
