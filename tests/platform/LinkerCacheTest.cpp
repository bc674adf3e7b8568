// The dynamic linker's cache read as data: both of ldconfig's layouts, damaged files, and the
// ICU versions found through it.
#include "platform/posix/LinkerCache.h"

#include "platform/LibraryNames.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>

namespace Tork::LinkerCache {
namespace {

using Libraries = std::vector<Library>;

void put(std::string& bytes, std::uint32_t value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

enum class Layout { Current, OldThenCurrent, Old };

// A cache of `libraries` as ldconfig writes it: texts after the table, counted from the
// current layout's magic or from the end of the old table.
std::string cacheOf(const Libraries& libraries, Layout layout) {
    const auto table = [&](std::size_t entrySize, std::size_t textsAt, bool current) {
        std::string entries, texts;
        for (const Library& library : libraries) {
            put(entries, 0x0303);  // ELF, x86-64
            put(entries, static_cast<std::uint32_t>(textsAt + texts.size()));
            texts += library.name + '\0';
            put(entries, static_cast<std::uint32_t>(textsAt + texts.size()));
            texts += library.path + '\0';
            if (current) entries.append(12, '\0');  // OS version, hardware capabilities
        }
        EXPECT_EQ(entries.size(), libraries.size() * entrySize);
        return entries + texts;
    };
    std::string current = "glibc-ld.so.cache1.1";
    put(current, static_cast<std::uint32_t>(libraries.size()));
    put(current, 0);                          // the texts' length, not needed
    current += std::string("\x02\0\0\0", 4);  // little-endian
    current.append(16, '\0');
    current += table(24, 48 + libraries.size() * 24, true);
    if (layout == Layout::Current) return current;
    std::string old = std::string("ld.so-1.7.0\0", 12);
    put(old, static_cast<std::uint32_t>(libraries.size()));
    if (layout == Layout::Old) return old + table(12, 0, false);
    old += std::string(libraries.size() * 12, '\0');  // its entries are not read
    old.resize((old.size() + 7) / 8 * 8, '\0');
    return old + current;
}

const Libraries kIcu = {{"libicuuc.so.93", "/opt/icu/lib/libicuuc.so.93"},
                        {"libicui18n.so.93", "/opt/icu/lib/libicui18n.so.93"},
                        {"libc.so.6", "/lib/x86_64-linux-gnu/libc.so.6"}};

TEST(LinkerCache, ListsWhatEitherLayoutHolds) {
    const std::string current = cacheOf(kIcu, Layout::Current);
    std::string pastTheEnd = current;
    pastTheEnd[20] = 100;  // 100 entries claimed
    std::string textOutside = current;
    std::memcpy(&textOutside[48 + 4], "\xFF\xFF\xFF\x7F", 4);  // the first name's offset
    std::string unended = current;
    unended.pop_back();  // the last path loses its zero
    struct Row {
        const char* description;
        std::string bytes;
        std::optional<Libraries> listed;
    };
    const Row rows[] = {
        {"current layout", current, kIcu},
        {"old layout, then the current one", cacheOf(kIcu, Layout::OldThenCurrent), kIcu},
        {"old layout alone", cacheOf(kIcu, Layout::Old), kIcu},
        {"empty table", cacheOf({}, Layout::Current), Libraries{}},
        {"a table past the end", pastTheEnd, std::nullopt},
        {"a name outside the file", textOutside, Libraries(kIcu.begin() + 1, kIcu.end())},
        {"a path without its zero", unended, Libraries(kIcu.begin(), kIcu.end() - 1)},
        {"cut inside the header", current.substr(0, 30), std::nullopt},
        {"no cache",
         "\x7F"
         "ELF",
         std::nullopt},
        {"nothing", "", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        EXPECT_EQ(parse(row.bytes), row.listed);
    }
}

// An ICU in a folder only the cache knows (a folder of ld.so.conf.d) is found by its version.
TEST(LinkerCache, NamesTheIcuVersionsItLists) {
    const Testing::TempFolder folder;
    Libraries libraries = kIcu;
    libraries.push_back({"libicuuc.so.74", folder.path("libicuuc.so.74.2")});
    libraries.push_back({"libicuuc.so", folder.path("libicuuc.so")});  // no version
    libraries.push_back({"libicuucx.so.70", folder.path("libicuucx.so.70")});
    const std::string file = folder.write("ld.so.cache", cacheOf(libraries, Layout::Current));
    const auto listed = read(file);
    ASSERT_TRUE(listed);
    EXPECT_EQ(icuVersions(*listed, "icuuc"), (std::vector<int>{93, 74}));
    EXPECT_FALSE(read(folder.path("missing")));
}

// What the system's cache lists is among the versions looked for.
TEST(LinkerCache, TheSystemsIcuVersionsAreLookedFor) {
    const auto cached = read(kSystemCache);
    if (!cached) GTEST_SKIP() << "no linker cache on this system";
    const auto installed = LibraryNames::installedIcuVersions("icuuc");
    ASSERT_TRUE(installed);
    for (const int version : icuVersions(*cached, "icuuc")) {
        SCOPED_TRACE(version);
        EXPECT_NE(std::find(installed->begin(), installed->end(), version), installed->end());
    }
}

}  // namespace
}  // namespace Tork::LinkerCache
