#include <angiolith/module/mdx.h>

namespace mdx {

ModuleInfo::ModuleInfo(const std::string& theName, const std::string& theLibName)
    : name(theName), libName(theLibName), activatorHook(nullptr) {}

ModuleInfo::~ModuleInfo() = default;

}  // namespace mdx
