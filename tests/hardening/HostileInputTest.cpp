// Files, special files and locations that strangers hand the loaded plug-in: each ends in a
// clean refusal or a defined result, promptly, with nothing left behind.
#include "framework/Location.h"
#include "tests/hardening/LoadedPlugin.h"
#include "tests/support/StandInIcu.h"
#include "tests/support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace Tork::Hardening {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Testing::TempFolder;

const TempFolder& files() {
    static const TempFolder folder;
    return folder;
}

std::string urlOf(const std::string& path) {
    return Testing::fileUrl(path);
}

// A hang must fail the test program, not stall the whole CI job.
template <class Operation>
auto withinSeconds(int seconds, Operation operation) {
    auto result = std::async(std::launch::async, std::move(operation));
    if (result.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) {
        std::fprintf(stderr, "still running after %d s: a hang\n", seconds);
        std::_Exit(1);
    }
    return result.get();
}

std::string garbage(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string utf16le(std::u16string_view units) {
    std::string out;
    for (char16_t unit : units) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

std::string utf16be(std::u16string_view units) {
    std::string out;
    for (char16_t unit : units) {
        out += static_cast<char>(unit >> 8);
        out += static_cast<char>(unit & 0xFF);
    }
    return out;
}

std::string utf32be(std::u32string_view units) {
    std::string out;
    for (char32_t unit : units) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out += static_cast<char>((unit >> shift) & 0xFF);
    }
    return out;
}

[[maybe_unused]] std::string repeated(std::string_view part, int times) {  // POSIX URLs only
    std::string out;
    for (int i = 0; i < times; ++i) out += part;
    return out;
}

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD

struct RefusedFile {
    const char* description;
    std::string contents;
};

TEST(HostileFiles, AreRefused) {
    const RefusedFile cases[] = {
        {"empty", ""},
        {"one byte", "{"},
        {"binary garbage", garbage(64 * 1024, 1)},
        {"binary garbage after a good line", "{0}{25}Hi\n" + garbage(4096, 2)},
        {"an ill-formed first byte", "\xFF{0}{25}Hi"},
        {"a continuation byte first", "\x80{0}{25}Hi"},
        {"UTF-16 without its signature", utf16le(u"{0}{25}Hi")},
        {"SubRip", "1\n00:00:01,000 --> 00:00:02,000\nHi\n"},
        {"a bad line after good lines", "{0}{25}a\n{25}{50}b\n{50}{}c\n{75}{100}d\n"},
        {"a bad line after a declaration", "{1}{1}25\n{0}{25}a\n{10} {20}b\n"},
    };
    for (const RefusedFile& c : cases) {
        SCOPED_TRACE(c.description);
        Session session;
        const std::string url = urlOf(files().write("refused.sub", c.contents));
        EXPECT_EQ(session.read(Host::FileUrl(url)), std::nullopt);
        EXPECT_FALSE(session.announcedStreams());
        // A good file opens afterwards in the same component.
        EXPECT_TRUE(
            session.read(Host::FileUrl(urlOf(files().write("good.sub", "{0}{25}Hi")))).has_value());
    }
}

struct DefinedFile {
    const char* description;
    std::string contents;
    std::vector<Entry> entries;  // at 25 frames per second
};

TEST(HostileFiles, OpenWithADefinedResult) {
    const std::string r = kReplacement;
    const DefinedFile cases[] = {
        {"a zero byte ends the text", std::string("{0}{25}a\0{25}{50}b", 18), {{0, 1000, "a"}}},
        {"a zero byte first", std::string("\0{0}{25}a", 9), {}},
        {"zero bytes only", std::string(100, '\0'), {}},
        {"ill-formed UTF-8 everywhere",
         "{0}{25}caf\xC3\n{25}{50}\xED\xA0\x80x\xFF\n{50}{75}\xC0\x80|\xF5\xF8\xFC\xFE",
         {{0, 1000, "caf" + r},
          {1000, 1000, r + r + r + "x" + r},
          {2000, 1000, r + r + "\n" + r + r + r + r}}},
        {"a sequence cut by the end", "{0}{25}a\xE2\x82", {{0, 1000, "a" + r}}},
        {"characters of two bytes in a colour code",
         "{0}{25}{c:$a\xC3\xA9\xC3\xA9z}Hi",
         {{0, 1000, "{c:$a\xC3\xA9\xC3\xA9z}Hi"}}},
        {"only skipped lines", "{0}{25}\n{25}{50}\r\n", {}},
    };
    for (const DefinedFile& c : cases) {
        SCOPED_TRACE(c.description);
        Session session;
        session.context().set(Host::Settings::frameRateFramesPerSeconds(25, 1));
        const auto entries =
            session.read(Host::FileUrl(urlOf(files().write("defined.sub", c.contents))));
        ASSERT_TRUE(entries.has_value());
        EXPECT_EQ(*entries, c.entries);
    }
}

struct FrameLimit {
    const char* line;
    std::optional<Entry> entry;  // none: over before the film, dropped
};

// At 1000 frames per second a time is its frame number; numbers saturate at 32 bits, a
// start before 0 is 0 and an entry ending before 0 is dropped.
TEST(HostileFiles, FrameNumbersAtTheLimits) {
    const FrameLimit cases[] = {
        {"{2147483647}{2147483647}x", Entry{2147483647u, 0, "x"}},
        {"{2147483648}{0}x", Entry{2147483647u, -2147483647, "x"}},  // saturates
        {"{5}{2}x", Entry{5, -3, "x"}},
        {"{-1}{5}x", Entry{0, 5, "x"}},
        {"{-2147483648}{0}x", Entry{0, 0, "x"}},
        {"{99999999999999999999999}{-99999999999999999999999}x", std::nullopt},
        {"{-2147483648}{-2147483647}x", std::nullopt},
        {"{0}{-1}x", std::nullopt},
        {"{-5}{-1}x", std::nullopt},
    };
    for (const FrameLimit& c : cases) {
        SCOPED_TRACE(c.line);
        Session session;
        session.context().set(Host::Settings::frameRateFramesPerSeconds(1000, 1));
        StreamInterface* stream =
            session.openStream(Host::FileUrl(urlOf(files().write("limits.sub", c.line))));
        ASSERT_NE(stream, nullptr);
        session.clock().set(latestClockTime);
        const std::vector<Entry> entries = readDue(*stream);
        if (c.entry) {
            EXPECT_THAT(entries, ElementsAre(*c.entry));
        } else {
            EXPECT_THAT(entries, IsEmpty());
        }
    }
}

struct BrokenEncoding {
    const char* description;
    std::string bytes;
    std::vector<Entry> entries;
};

// The converters substitute U+FFFD for what they cannot decode; nothing ill-formed passes.
TEST(HostileFiles, BrokenUnicodeIsReplaced) {
    if (Testing::icuIsAStandIn()) GTEST_SKIP() << "ICU's own repairs";
    const std::string r = kReplacement;
    const BrokenEncoding cases[] = {
        {"UTF-16 LE with an odd byte count",
         utf16le(u"\uFEFF{0}{25}Hi") + "A",
         {{0, 1000, "Hi" + r}}},
        {"UTF-16 BE with an odd byte count",
         utf16be(u"\uFEFF{0}{25}Hi") + "A",
         {{0, 1000, "Hi" + r}}},
        {"UTF-16 with unpaired surrogates",
         utf16le(u"\uFEFF{0}{25}A\xD800"
                 u"B\xDC00"
                 u"C"),
         {{0, 1000, "A" + r + "B" + r + "C"}}},
        {"UTF-16 ending in a high surrogate",
         utf16le(u"\uFEFF{0}{25}A\xD83D"),
         {{0, 1000, "A" + r}}},
        {"UTF-32 above U+10FFFF",
         utf32be(U"\uFEFF{0}{25}A") + std::string("\x00\x11\x00\x00", 4) + "\xFF\xFF\xFF\xFF" +
             utf32be(U"B"),
         {{0, 1000, "A" + r + r + "B"}}},
        {"UTF-32 with a short tail",
         utf32be(U"\uFEFF{0}{25}A") + std::string("\x00\x00", 2),
         {{0, 1000, "A" + r}}},
    };
    for (const BrokenEncoding& c : cases) {
        SCOPED_TRACE(c.description);
        Session session;
        session.context().set(Host::Settings::overrideEmbeddedSignature(false));
        session.context().set(Host::Settings::frameRateFramesPerSeconds(25, 1));
        const auto entries =
            session.read(Host::FileUrl(urlOf(files().write("broken.sub", c.bytes))));
        ASSERT_TRUE(entries.has_value());
        EXPECT_EQ(*entries, c.entries);
    }
}

struct SpecialFile {
    const char* description;
    std::string path;  // under the folder; each names something other than a regular file
};

#ifndef _WIN32  // FIFOs, links and /dev; Windows devices are in WindowsTest.cpp
TEST(HostileFiles, SpecialFilesAreRefusedAtOnce) {
    const TempFolder folder;
    fs::create_directory(folder.path("folder.sub"));
    ASSERT_EQ(::mkfifo(folder.path("fifo.sub").c_str(), 0600), 0);
    fs::create_symlink(folder.path("loop.sub"), folder.path("loop.sub"));
    fs::create_symlink(folder.path("nowhere"), folder.path("dangling.sub"));
    std::vector<SpecialFile> cases = {
        {"a folder", folder.path("folder.sub")},
        {"a FIFO without a writer", folder.path("fifo.sub")},
        {"a link to itself", folder.path("loop.sub")},
        {"a link to nothing", folder.path("dangling.sub")},
    };
    for (const char* device : {"/dev/zero", "/dev/null", "/dev/urandom"}) {
        if (!fs::exists(device)) continue;
        const std::string link = folder.path(fs::path(device).filename().string() + ".sub");
        fs::create_symlink(device, link);
        cases.push_back({device, link});
        cases.push_back({device, device});  // the probe has no extension check
    }
    for (const SpecialFile& c : cases) {
        SCOPED_TRACE(c.description);
        withinSeconds(10, [&] {
            Session session;
            EXPECT_FALSE(session.probe(Host::FileUrl(urlOf(c.path))));
            EXPECT_EQ(session.read(Host::FileUrl(urlOf(c.path))), std::nullopt);
            EXPECT_FALSE(session.announcedStreams());
        });
    }
}
#endif

TEST(HostileFiles, FileGoneBetweenProbeAndOpen) {
    const std::string path = files().write("vanishing.sub", "{0}{25}Hi");
    Session session;
    EXPECT_TRUE(session.probe(Host::FileUrl(urlOf(path))));
    fs::remove(path);
    EXPECT_EQ(session.read(Host::FileUrl(urlOf(path))), std::nullopt);

    // Replaced by a folder of the same name: refused, not read.
    fs::create_directory(path);
    EXPECT_EQ(session.read(Host::FileUrl(urlOf(path))), std::nullopt);
    fs::remove(path);
    EXPECT_FALSE(session.announcedStreams());
}

#ifndef _WIN32  // POSIX permissions
TEST(HostileFiles, FileWithoutReadPermission) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const std::string path = files().write("secret.sub", "{0}{25}Hi");
    fs::permissions(path, fs::perms::none);
    Session session;
    EXPECT_FALSE(session.probe(Host::FileUrl(urlOf(path))));
    EXPECT_EQ(session.read(Host::FileUrl(urlOf(path))), std::nullopt);
    fs::permissions(path, fs::perms::owner_all);
}
#endif

struct HostileUrl {
    const char* description;
    std::string url;
    bool opens;
};

#ifndef _WIN32  // POSIX's reading of file: URLs; the shell's is in WindowsTest.cpp
TEST(HostileUrls, OnlyLocalFileUrlsOpen) {
    const std::string path = files().write("target.sub", "{0}{25}Hi");
    const std::string folder = files().path();
    const HostileUrl cases[] = {
        {"the file itself", "file://" + path, true},
        {"the file on localhost", "file://localhost" + path, true},
        {"a query and fragment", "file://" + path + "?x=1#.srt", true},
        {"%00 after the name", "file://" + path + "%00.sub", false},
        {"%00 inside the name", "file://" + folder + "/target%00.sub", false},
        {"http", "http://localhost" + path, false},
        {"https", "https://localhost" + path, false},
        {"ftp", "ftp://localhost" + path, false},
        {"data", "data:text/plain,{0}{25}Hi.sub", false},
        {"a bare path", path, false},
        {"a relative file URL", "file:target.sub", false},
        {"another host", "file://example.com" + path, false},
        {"an address", "file://127.0.0.1" + path, false},
        {"a host with a port", "file://localhost:80" + path, false},
        {"a 10,000-byte path of folders", "file://" + repeated("/a", 5000) + "/x.sub", false},
        {"a 10,000-byte name", "file://" + folder + "/" + repeated("x", 10000) + ".sub", false},
        {"10,000 bytes of escapes", "file://" + folder + "/" + repeated("%41", 3334) + ".sub",
         false},
        {"ill-formed UTF-8", "file://" + folder + "/target\xFF.sub", false},
        {"an escaped ill-formed byte", "file://" + folder + "/target%FF.sub", false},
        {"empty", "", false},
    };
    for (const HostileUrl& c : cases) {
        SCOPED_TRACE(c.description);
        Session session;
        EXPECT_EQ(session.probe(Host::FileUrl(c.url)), c.opens);
        EXPECT_EQ(session.read(Host::FileUrl(c.url)).has_value(), c.opens);
        EXPECT_EQ(session.announcedStreams(), c.opens);
    }
    // Nor may a query or fragment lend the extension to a file that lacks it.
    const std::string other = urlOf(files().write("target.srt", "{0}{25}Hi"));
    for (const char* tail : {"?.sub", "#.sub"})
        EXPECT_EQ(Session().read(Host::FileUrl(other + tail)), std::nullopt);
}
#endif

TEST(HostileUrls, MissingLocations) {
    Session session;
    const Location noUrl;
    EXPECT_NE(session.container().open(nullptr), Result::Ok);
    EXPECT_NE(session.container().open(&noUrl), Result::Ok);
    EXPECT_FALSE(session.container().probe(nullptr, 0, nullptr));
    EXPECT_FALSE(session.container().probe(&noUrl, 0, nullptr));
    EXPECT_FALSE(session.announcedStreams());
}

// Run under LeakSanitizer, these end the component on every road a host may take.
TEST(Lifecycle, ReleasedWithoutClosing) {
    const std::string url = urlOf(files().write("life.sub", "{0}{25}a\n{25}{50}b\n{50}{75}c\n"));
    const std::string bad = urlOf(files().write("bad.sub", "{0}{25}a\n{25}{50}b\nc\n"));
    {
        SCOPED_TRACE("opened, partly read");
        Session session;
        StreamInterface* stream = session.openStream(Host::FileUrl(url));
        ASSERT_NE(stream, nullptr);
        session.clock().set(0);  // only the first entry is due
        EXPECT_EQ(readDue(*stream).size(), 1u);
    }
    {
        SCOPED_TRACE("opened twice");
        Session session;
        ASSERT_NE(session.openStream(Host::FileUrl(url)), nullptr);
        ASSERT_NE(session.openStream(Host::FileUrl(url)), nullptr);
        EXPECT_EQ(session.context().streamsAdded().size(), 3u);  // announced at each select
    }
    {
        SCOPED_TRACE("opened, then a failed open");
        Session session;
        ASSERT_NE(session.openStream(Host::FileUrl(url)), nullptr);
        EXPECT_EQ(session.openStream(Host::FileUrl(bad)), nullptr);
        EXPECT_EQ(session.container().close(true), Result::Ok);  // closes nothing
    }
    {
        SCOPED_TRACE("closed, then opened again");
        Session session;
        ASSERT_NE(session.openStream(Host::FileUrl(url)), nullptr);
        EXPECT_EQ(session.container().close(false), Result::Ok);
        StreamInterface* stream = session.openStream(Host::FileUrl(url));
        ASSERT_NE(stream, nullptr);
        session.clock().set(latestClockTime);
        EXPECT_EQ(readDue(*stream).size(), 3u);
    }
}

}  // namespace
}  // namespace Tork::Hardening
