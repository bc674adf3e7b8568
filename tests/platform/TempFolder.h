// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace Tork::Testing {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tork-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    /// The path of `name` inside the folder (nothing is created).
    std::string path(std::string_view name) const { return path_ + "/" + std::string(name); }

    /// Writes `contents` (zeros included) to `name` and answers its path.
    std::string write(std::string_view name, std::string_view contents) const {
        const std::string file = path(name);
        std::ofstream(file, std::ios::binary).write(contents.data(), contents.size());
        return file;
    }

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace Tork::Testing
