// Only POSIX calls: dlopen and friends.
#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <utility>

namespace Tork {

DynamicLibrary::DynamicLibrary(const std::string& path)
    : handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}

void* DynamicLibrary::symbol(const char* name) const {
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}

void DynamicLibrary::close() noexcept {
    if (handle_) ::dlclose(std::exchange(handle_, nullptr));
}

bool DynamicLibrary::isLoaded(const std::string& path) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (!handle) return false;
    ::dlclose(handle);
    return true;
}

std::string DynamicLibrary::folderOf(const void* address) {
    Dl_info info{};
    if (!::dladdr(address, &info) || !info.dli_fname) return {};
    std::string file = info.dli_fname;
    const auto slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

std::string DynamicLibrary::programFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    std::string file(path, static_cast<std::size_t>(length));
    return file.substr(0, file.rfind('/') + 1);
}

std::string DynamicLibrary::lastError() {
    const char* error = ::dlerror();
    return error ? error : "";
}

}  // namespace Tork
