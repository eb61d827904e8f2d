#include <angiolith/module/mdx.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

extern "C" {
/// Exported by the test executable, for the look-up in the host executable.
int mdxTestHostSymbol = 7;
}

namespace {

std::string realPath(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) == nullptr ? std::string() : std::string(buffer);
}

int functionInThisExecutable() { return 1; }

// The library registers without an activator, twice in a row to show that unloading unregisters
// it; in the second round a module that exports an activator is loaded too, with its own record.
TEST(ModuleRegistration, LoadingRegistersAndUnloadingUnregistersEachModule) {
    ASSERT_EQ(mdx::ModuleRegistry::GetModule("Angiolith"), nullptr);
    const std::size_t before = mdx::ModuleRegistry::GetModules().size();
    void* probe = nullptr;
    for (std::size_t round = 0; round < 2; ++round) {
        if (round == 1) {
            probe = dlopen(PROBE_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
            ASSERT_NE(probe, nullptr) << dlerror();
        }
        void* handle = dlopen(ANGIOLITH_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        const mdx::ModuleInfo* info = mdx::ModuleRegistry::GetModule("Angiolith");
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->name, "Angiolith");
        EXPECT_EQ(info->libName, "Angiolith");
        // The library exists, so an empty location would not resolve to its path.
        EXPECT_EQ(realPath(info->location), realPath(ANGIOLITH_LIBRARY_FILE));
        EXPECT_EQ(dlsym(handle, "_mdx_module_activator_instance_Angiolith"), nullptr);
        EXPECT_EQ(info->activatorHook, nullptr);
        EXPECT_EQ(mdx::ModuleRegistry::GetModules().size(), before + round + 1);

        ASSERT_EQ(dlclose(handle), 0);
        EXPECT_EQ(mdx::ModuleRegistry::GetModule("Angiolith"), nullptr);
        EXPECT_EQ(mdx::ModuleRegistry::GetModules().size(), before + round);
    }
    const mdx::ModuleInfo* info = mdx::ModuleRegistry::GetModule("ActivatorProbe");
    ASSERT_NE(info, nullptr);
    EXPECT_NE(info->activatorHook, nullptr);
    EXPECT_EQ(info->activatorHook, dlsym(probe, "_mdx_module_activator_instance_ActivatorProbe"));
    EXPECT_EQ(realPath(info->location), realPath(PROBE_LIBRARY_FILE));
    ASSERT_EQ(dlclose(probe), 0);
    EXPECT_EQ(mdx::ModuleRegistry::GetModule("ActivatorProbe"), nullptr);
}

TEST(ModuleUtils, LooksUpPathsAndSymbolsOfLoadedObjectsOnly) {
    EXPECT_EQ(
        mdx::ModuleUtils::GetLibraryPath("", reinterpret_cast<void*>(&functionInThisExecutable)),
        mdx::ModuleUtils::GetLibraryPath("", reinterpret_cast<void*>(&mdxTestHostSymbol)));
    EXPECT_EQ(mdx::ModuleUtils::GetLibraryPath("", nullptr), "");

    // Empty location: the host executable.
    EXPECT_EQ(mdx::ModuleUtils::GetSymbol("", "mdxTestHostSymbol"), &mdxTestHostSymbol);
    EXPECT_EQ(mdx::ModuleUtils::GetSymbol("", "noSuchSymbolAnywhere"), nullptr);
    EXPECT_EQ(mdx::ModuleUtils::GetSymbol("", nullptr), nullptr);

    // A library that is not loaded is not loaded by the look-up.
    EXPECT_EQ(mdx::ModuleUtils::GetSymbol(PROBE_LIBRARY_FILE,
                                          "_mdx_module_activator_instance_ActivatorProbe"),
              nullptr);
    EXPECT_EQ(dlopen(PROBE_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD), nullptr);
    EXPECT_EQ(mdx::ModuleRegistry::GetModule("ActivatorProbe"), nullptr);
}

TEST(ModuleRegistry, KeepsRecordsInOrderByUniqueName) {
    mdx::ModuleInfo a("RegistryA", "libA");
    mdx::ModuleInfo b("RegistryB", "");
    mdx::ModuleInfo sameName("RegistryA", "other");
    const std::size_t before = mdx::ModuleRegistry::GetModules().size();

    EXPECT_TRUE(mdx::ModuleRegistry::Register(&a));
    EXPECT_TRUE(mdx::ModuleRegistry::Register(&b));
    EXPECT_FALSE(mdx::ModuleRegistry::Register(&sameName));
    EXPECT_FALSE(mdx::ModuleRegistry::Register(&a));
    EXPECT_FALSE(mdx::ModuleRegistry::Register(nullptr));
    EXPECT_EQ(mdx::ModuleRegistry::GetModule("RegistryA"), &a);
    const auto modules = mdx::ModuleRegistry::GetModules();
    ASSERT_EQ(modules.size(), before + 2);
    EXPECT_EQ(modules[before], &a);
    EXPECT_EQ(modules[before + 1], &b);

    mdx::ModuleRegistry::UnRegister(&sameName);  // not registered: nothing happens
    EXPECT_EQ(mdx::ModuleRegistry::GetModule("RegistryA"), &a);
    mdx::ModuleRegistry::UnRegister(&a);
    EXPECT_EQ(mdx::ModuleRegistry::GetModule("RegistryA"), nullptr);
    EXPECT_EQ(mdx::ModuleRegistry::GetModule("RegistryB"), &b);
    mdx::ModuleRegistry::UnRegister(&b);
    EXPECT_EQ(mdx::ModuleRegistry::GetModules().size(), before);
}

}  // namespace
