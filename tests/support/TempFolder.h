// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace Tork::Testing {

/// Paths are UTF-8 strings, with the system's separators.
class TempFolder {
public:
    TempFolder() {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate = base / ("tork-" + std::to_string(random()));
            const auto text = candidate.u8string();
            if (std::filesystem::create_directory(candidate))
                path_.assign(text.begin(), text.end());
        }
        if (path_.empty()) throw std::runtime_error("no temporary folder");
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(native(path_), ignored);
    }

    /// The path of `name` inside the folder (nothing is created).
    std::string path(std::string_view name) const {
        return path_ + static_cast<char>(std::filesystem::path::preferred_separator) +
               std::string(name);
    }

    /// Writes `contents` (zeros included) to `name` and answers its path. Windows names
    /// are UTF-16, so there a name that is not well-formed UTF-8 is answered but not made.
    std::string write(std::string_view name, std::string_view contents) const {
        const std::string file = path(name);
        std::filesystem::path target;
        try {
            target = native(file);
        } catch (const std::filesystem::filesystem_error&) {
            return file;
        }
        std::ofstream(target, std::ios::binary).write(contents.data(), contents.size());
        return file;
    }

    const std::string& path() const { return path_; }

    /// The UTF-8 `path` for the standard library, which takes narrow strings on Windows in
    /// the system's code page.
    static std::filesystem::path native(std::string_view path) {
        return std::u8string(path.begin(), path.end());
    }

private:
    std::string path_;
};

/// The file: URL of the absolute `path` as hosts write it: file:///home/a.sub, and
/// file:///C:/films/a.sub for a path with a drive letter. Nothing is escaped.
inline std::string fileUrl(std::string_view path) {
    std::string url = path.starts_with('/') ? "file://" : "file:///";
    for (const char c : path) url += c == '\\' ? '/' : c;
    return url;
}

}  // namespace Tork::Testing
