// Loading shared libraries at run time.
#pragma once

#include <string>
#include <utility>

namespace Tork {

/// Owns one reference to a loaded library and drops it on destruction.
class DynamicLibrary {
public:
    DynamicLibrary() = default;
    /// Loads `path` (UTF-8), binding every symbol now and keeping them out of the global
    /// namespace. A bare name uses the system's search order on Linux; on Windows it is
    /// looked for only beside the module holding this code, the program and in System32,
    /// never in the current folder or PATH. The result is not loaded() when the library
    /// could not be loaded.
    explicit DynamicLibrary(const std::string& path);
    DynamicLibrary(DynamicLibrary&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)) {}
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    ~DynamicLibrary() { close(); }

    bool loaded() const { return handle_ != nullptr; }
    /// The address of `name`, or null when the library is not loaded or lacks it.
    void* symbol(const char* name) const;
    /// Drops the reference; the library may be unmapped.
    void close() noexcept;
    /// Gives up the reference without dropping it: the library stays loaded for the rest of
    /// the process.
    void keepLoaded() noexcept { handle_ = nullptr; }

    /// Whether `path` is loaded in this process now (never loads it).
    static bool isLoaded(const std::string& path);
    /// The folder (with a trailing separator) of the loaded file that holds `address`,
    /// or empty when it cannot be told.
    static std::string folderOf(const void* address);
    /// The folder (with a trailing separator) of the running program, or empty.
    static std::string programFolder();
    /// The last loading failure on this thread, for diagnostics; may be empty.
    static std::string lastError();

private:
    void* handle_ = nullptr;
};

}  // namespace Tork
