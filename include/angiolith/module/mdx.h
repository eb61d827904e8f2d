#ifndef ANGIOLITH_MODULE_MDX_H
#define ANGIOLITH_MODULE_MDX_H

/// @file
/// The module framework the library registers itself with when it is loaded: module records,
/// library path and symbol look-up, and an in-process registry. It lives in its own shared
/// library (libangiolith_mdx), so that the registry outlives the unloading of the modules it
/// records.

#include <string>
#include <vector>

namespace mdx {

/// What the framework knows of one loaded module.
class ModuleInfo {
public:
    /// A record with the given names, an empty location and no activator.
    ModuleInfo(const std::string& name, const std::string& libName);
    ~ModuleInfo();
    ModuleInfo(const ModuleInfo&) = delete;
    ModuleInfo& operator=(const ModuleInfo&) = delete;

    std::string name;      ///< module name, the key of the registry
    std::string libName;   ///< library name, from which the activator symbol is named
    std::string location;  ///< file path of the loaded library
    void* activatorHook;   ///< address of the module's exported activator, or null
};

/// Look-ups in the dynamic loader.
class ModuleUtils {
public:
    /// The file path of the loaded object that contains @p address (for instance a function of
    /// the library itself); empty when the address belongs to no loaded object. @p libName is
    /// not needed on this platform.
    static std::string GetLibraryPath(const std::string& libName, void* address);

    /// The address of the exported symbol @p name in the already loaded library at
    /// @p location, or in the host executable (and what it has loaded globally) when
    /// @p location is empty. Null when the library is not loaded or does not export the symbol;
    /// never loads a library.
    static void* GetSymbol(const std::string& location, const char* name);
};

/// The process-wide registry of loaded modules. Records are borrowed: the registry keeps the
/// pointers until they are unregistered and never frees them. All operations are serialised.
class ModuleRegistry {
public:
    /// Records @p info (borrowed). False for null or when a module of the same name is already
    /// registered.
    static bool Register(ModuleInfo* info);
    /// Forgets @p info; does nothing for a record that is not registered.
    static void UnRegister(const ModuleInfo* info);
    /// The registered module named @p name, or null.
    static ModuleInfo* GetModule(const std::string& name);
    /// Every registered module, in the order of registration.
    static std::vector<ModuleInfo*> GetModules();
};

}  // namespace mdx

#endif
