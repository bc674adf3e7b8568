#include "tools/subplay/Diagnosis.h"

#include "host/SubtitleFormat.h"
#include "platform/FileHandle.h"
#include "tools/subplay/Report.h"

#include <filesystem>
#include <system_error>

namespace Tork::Subplay {

namespace {

// As much of a file's start as tells a format; empty when it cannot be read.
std::string headOf(const std::string& path) {
    FileHandle file = FileHandle::open(path, FileAccess::Read, FileCreation::OpenExisting);
    std::string head(4096, '\0');
    const std::int64_t got = file.isOpen() ? file.read(head.data(), head.size()) : -1;
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return head;
}

}  // namespace

std::string openFailureText(const Host::OpenReport& report,
                            const std::optional<std::string>& path) {
    if (path && report.outcome == kReadingNotRegularFile) {
        std::error_code error;
        if (std::filesystem::is_directory(*path, error)) return "is a folder, not a file";
    }
    // The name is judged before the file is looked for.
    if (path && report.outcome == kReadingExtensionRefused) {
        std::error_code error;
        if (!std::filesystem::exists(*path, error)) return "no such file";
    }
    // A name or a text that is not MicroDVD may be another subtitle format.
    if (path && (report.outcome == kReadingExtensionRefused ||
                 report.outcome == kReadingNoFrameLines || report.outcome == kReadingBadLine)) {
        if (const auto format = Host::otherSubtitleFormat(headOf(*path))) {
            return "this is " + std::string(*format) + "; subplay reads MicroDVD";
        }
    }
    return failureText(report);
}

}  // namespace Tork::Subplay
