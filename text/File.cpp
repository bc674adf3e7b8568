#include "text/File.h"

#include "text/Utf.h"

#include <new>
#include <string>

namespace Tork {
namespace {

struct ModeRule {
    FileAccess access;
    FileCreation creation;
    bool atEnd;
};

// Indexed by FileOpenMode. The sharing each mode grants others follows from its access: read
// and write while only reading (mode 0), read alone while writing. POSIX locks no one out.
constexpr ModeRule kModes[] = {
    {FileAccess::Read, FileCreation::OpenExisting, false},
    {FileAccess::Write, FileCreation::CreateAlways, false},
    {FileAccess::Write, FileCreation::CreateNew, false},
    {FileAccess::ReadWrite, FileCreation::CreateAlways, false},
    {FileAccess::ReadWrite, FileCreation::OpenAlways, false},
    {FileAccess::ReadWrite, FileCreation::CreateNew, false},
    {FileAccess::Write, FileCreation::OpenAlways, true},
    {FileAccess::ReadWrite, FileCreation::OpenAlways, true},
};

}  // namespace

std::int32_t File::open(std::u16string_view path, FileOpenMode mode) {
    if (handle_.isOpen()) return FileOpenResult::AlreadyOpen;
    const auto index = static_cast<std::uint32_t>(mode);
    if (index >= std::size(kModes)) return FileOpenResult::BadMode;
    // A zero unit would silently cut the path short.
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos)
        return FileOpenResult::Refused;
    const ModeRule& rule = kModes[index];
    try {
        const std::string narrow = wideToUtf8(path);
        if (narrow.empty()) return FileOpenResult::Refused;
        FileHandle file = FileHandle::open(narrow, rule.access, rule.creation);
        if (!file.isOpen()) return FileOpenResult::Refused;
        if (rule.atEnd && file.seek(0, SeekOrigin::End) < 0) return FileOpenResult::Refused;
        handle_ = std::move(file);
        return FileOpenResult::Opened;
    } catch (const std::bad_alloc&) {
        return FileOpenResult::Refused;
    }
}

std::int64_t File::size() noexcept {
    const std::int64_t position = handle_.seek(0, SeekOrigin::Current);
    if (position < 0) return -1;
    const std::int64_t end = handle_.seek(0, SeekOrigin::End);
    if (handle_.seek(position, SeekOrigin::Start) < 0) return -1;
    return end;
}

}  // namespace Tork
