#include "subtitle/FileSize.h"

#include "text/File.h"
#include "text/Utf.h"

#include <string>

namespace Tork {

std::optional<std::uint64_t> fileSize(const String& path) {
    const std::u16string widePath = utf8ToWide(path.text());
    File file;
    if (file.open(widePath, FileOpenMode::Read) != FileOpenResult::Opened) return std::nullopt;
    const std::int64_t size = file.size();
    // A size that cannot be read is a failure, not 2^64 - 1 bytes.
    if (size < 0) return std::nullopt;
    return static_cast<std::uint64_t>(size);
}

}  // namespace Tork
