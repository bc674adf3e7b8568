// The binding to the logging library's four entry points.
#include "framework/LoggerImpl.h"

#include "platform/LibraryNames.h"

#include <utility>

namespace Tork {

namespace {

template <typename Entry>
Entry lookUp(const DynamicLibrary& library, const char* name) {
    return reinterpret_cast<Entry>(library.symbol(name));
}

}  // namespace

LoggerImpl::~LoggerImpl() {
    clear();
}

bool LoggerImpl::bind(DynamicLibrary library) {
    clear();
    // Looked up in this order so that the first missing one ends the binding.
    configureEntry_ = lookUp<ConfigureEntry>(library, "TorkLog_configure");
    closeEntry_ = configureEntry_ ? lookUp<CloseEntry>(library, "TorkLog_close") : nullptr;
    isEnabledEntry_ = closeEntry_ ? lookUp<IsEnabledEntry>(library, "TorkLog_isEnabled") : nullptr;
    writeEntry_ = isEnabledEntry_ ? lookUp<WriteEntry>(library, "TorkLog_write") : nullptr;
    if (!writeEntry_) {
        clear();
        return false;
    }
    library_ = std::move(library);
    return true;
}

void LoggerImpl::clear() noexcept {
    configureEntry_ = nullptr;
    closeEntry_ = nullptr;
    isEnabledEntry_ = nullptr;
    writeEntry_ = nullptr;
    library_.close();
}

std::unique_ptr<LoggerImpl> bindLoggingLibrary(const std::vector<std::string>& candidates) {
    for (const std::string& path : candidates) {
        DynamicLibrary library(path);
        if (!library.loaded()) continue;
        auto impl = std::make_unique<LoggerImpl>();
        if (!impl->bind(std::move(library))) return nullptr;
        return impl;
    }
    return nullptr;
}

std::vector<std::string> loggingLibraryCandidates() {
    const std::string libraryFile = LibraryNames::loggingLibrary();
    std::vector<std::string> candidates;
    // The folder of the file this code was linked into: the plug-in, or a test program.
    const std::string folder =
        DynamicLibrary::folderOf(reinterpret_cast<const void*>(&loggingLibraryCandidates));
    if (!folder.empty()) candidates.push_back(folder + libraryFile);
    candidates.emplace_back(libraryFile);
    return candidates;
}

}  // namespace Tork
