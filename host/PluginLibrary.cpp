#include "host/PluginLibrary.h"

#include <fstream>
#include <map>
#include <mutex>

namespace Tork::Host {

PluginLibrary::PluginLibrary(const std::string& path)
    : library_(std::make_shared<const DynamicLibrary>(path)) {
    if (!library_->loaded()) {
        error_ = DynamicLibrary::lastError();
        if (error_.empty()) error_ = "cannot load " + path;
        return;
    }
    entry_ = reinterpret_cast<Entry>(library_->symbol("_getPlugin"));
    if (!entry_) error_ = path + " has no _getPlugin";
}

Plugin* PluginLibrary::create(PluginHost* host, std::int32_t* result) const {
    Plugin* plugin = nullptr;
    const std::int32_t code = entry_ ? entry_(host, &plugin) : -1;
    if (result) *result = code;
    return plugin;
}

const PluginLibrary& PluginLibrary::kept(const std::string& path) {
    static std::mutex mutex;
    static auto* libraries = new std::map<std::string, const PluginLibrary*>;
    std::lock_guard guard(mutex);
    const PluginLibrary*& library = (*libraries)[path];
    if (!library) library = new PluginLibrary(path);
    return *library;
}

std::string PluginLibrary::besideProgram(const std::string& file,
                                         const std::vector<std::string>& folders) {
    const std::string program = DynamicLibrary::programFolder();
    for (const std::string& folder : folders) {
        if (std::ifstream(program + folder + file).good()) return program + folder + file;
    }
    return program + (folders.empty() ? std::string() : folders.front()) + file;
}

}  // namespace Tork::Host
