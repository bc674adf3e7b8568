// The GNU dynamic linker's cache: the file layouts of glibc's ldconfig, in native byte order.
#include "platform/posix/LinkerCache.h"

#include "platform/FileHandle.h"
#include "platform/LibraryNames.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Tork::LinkerCache {
namespace {

// The old layout: magic, count, then entries of flags, name and path offsets (12 bytes),
// the offsets counted from the end of the table.
constexpr std::string_view kOldMagic = "ld.so-1.7.0";
constexpr std::size_t kOldHeader = 16;
constexpr std::size_t kOldEntry = 12;
// The current layout: magic and version, count at 20, entries from 48 of flags, name and
// path offsets, OS version and hardware capabilities (24 bytes), the offsets counted from
// the magic. When it follows the old table, it starts at the next multiple of 8.
constexpr std::string_view kNewMagic = "glibc-ld.so.cache1.1";
constexpr std::size_t kNewCount = 20;
constexpr std::size_t kNewHeader = 48;
constexpr std::size_t kNewEntry = 24;

std::uint32_t word(std::string_view bytes, std::size_t at) {
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

// The zero-terminated text at `offset` from `base`; none when it does not end in the bytes.
std::optional<std::string> textAt(std::string_view bytes, std::size_t base, std::uint32_t offset) {
    if (base > bytes.size() || offset >= bytes.size() - base) return std::nullopt;
    const std::string_view rest = bytes.substr(base + offset);
    const std::size_t end = rest.find('\0');
    if (end == std::string_view::npos) return std::nullopt;
    return std::string(rest.substr(0, end));
}

// The `count` entries of `size` bytes from `table`, whose texts are counted from `base`.
std::optional<std::vector<Library>> entries(std::string_view bytes, std::size_t table,
                                            std::uint32_t count, std::size_t size,
                                            std::size_t base) {
    if (table > bytes.size() || count > (bytes.size() - table) / size) return std::nullopt;
    std::vector<Library> libraries;
    libraries.reserve(count);
    for (std::size_t entry = table; entry < table + count * size; entry += size) {
        auto name = textAt(bytes, base, word(bytes, entry + 4));
        auto path = textAt(bytes, base, word(bytes, entry + 8));
        if (name && path) libraries.push_back({std::move(*name), std::move(*path)});
    }
    return libraries;
}

}  // namespace

std::optional<std::vector<Library>> parse(std::string_view bytes) {
    std::size_t current = 0;
    if (bytes.starts_with(kOldMagic)) {
        if (bytes.size() < kOldHeader) return std::nullopt;
        const std::uint32_t count = word(bytes, 12);
        if (count > (bytes.size() - kOldHeader) / kOldEntry) return std::nullopt;
        const std::size_t tableEnd = kOldHeader + count * kOldEntry;
        current = (tableEnd + 7) / 8 * 8;
        // Without the current layout after it, the old table is all there is.
        if (!bytes.substr(std::min(current, bytes.size())).starts_with(kNewMagic))
            return entries(bytes, kOldHeader, count, kOldEntry, tableEnd);
    }
    if (!bytes.substr(current).starts_with(kNewMagic) || bytes.size() - current < kNewHeader)
        return std::nullopt;
    return entries(bytes, current + kNewHeader, word(bytes, current + kNewCount), kNewEntry,
                   current);
}

std::optional<std::vector<Library>> read(const std::string& path) {
    FileHandle file = FileHandle::open(path, FileAccess::Read, FileCreation::OpenExisting);
    const std::int64_t size = file.seek(0, SeekOrigin::End);
    // ldconfig's caches are some hundred KiB; a larger file is no cache of its.
    constexpr std::int64_t kLargest = 64 << 20;
    if (size <= 0 || size > kLargest || file.seek(0, SeekOrigin::Start) != 0) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (file.read(bytes.data(), bytes.size()) != size) return std::nullopt;
    return parse(bytes);
}

std::vector<int> icuVersions(const std::vector<Library>& libraries, std::string_view name) {
    const std::string prefix = LibraryNames::sharedLibrary(name) + ".";
    std::vector<int> versions;
    for (const Library& library : libraries) {
        if (!library.name.starts_with(prefix)) continue;
        if (const auto version = LibraryNames::icuVersion(library.name))
            versions.push_back(*version);
    }
    return versions;
}

}  // namespace Tork::LinkerCache
