// The kit's sessions on the built plug-in, loaded as a host loads it.
#include "framework/MediaBuffer.h"
#include "host/ContainerSession.h"
#include "host/PluginLibrary.h"
#include "host/UrlLocation.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace Tork::Host {
namespace {

const std::string lighthouse = std::string(TORK_SOURCE_DIR) + "/examples/lighthouse.sub";

// A chunk's release runs the plug-in's code: released after the host let go of the library
// and the session, it crashed.
TEST(ContainerSession, ChunksKeepThePluginLoaded) {
    OwnedChunk chunk;
    {
        const PluginLibrary library(TORK_PLUGIN_PATH);
        ASSERT_TRUE(library.loaded()) << library.error();
        ContainerSession session(library);
        ASSERT_NE(session.openStream(FilePath(lighthouse)), nullptr) << session.error();
        session.clock().set(latestClockTime);
        ASSERT_EQ(session.readChunk(chunk), ReadOutcome::Entry);
    }
    ASSERT_TRUE(DynamicLibrary::isLoaded(TORK_PLUGIN_PATH));
    EXPECT_EQ(entryOf(*chunk).text, "The lamp went out at a quarter past nine.");
    chunk = OwnedChunk();  // the chunk and its share of the library go
    EXPECT_FALSE(DynamicLibrary::isLoaded(TORK_PLUGIN_PATH));
}

// An entry read without a copy is the same entry, and its held chunk keeps the plug-in
// loaded as an owned chunk does.
TEST(ContainerSession, EntriesReadWithoutACopyAreTheSame) {
    std::vector<Entry> copied;
    EntryChunk held;
    {
        const PluginLibrary library(TORK_PLUGIN_PATH);
        ASSERT_TRUE(library.loaded()) << library.error();
        const auto read = ContainerSession(library).read(FilePath(lighthouse));
        ASSERT_TRUE(read);
        copied = *read;
        ContainerSession session(library);
        ASSERT_NE(session.openStream(FilePath(lighthouse)), nullptr) << session.error();
        session.clock().set(latestClockTime);
        for (const Entry& entry : copied) {
            ASSERT_EQ(session.readEntryChunk(held), ReadOutcome::Entry);
            EXPECT_EQ((Entry{held.start(), held.duration(), std::string(held.text())}), entry);
        }
        EXPECT_EQ(session.readEntryChunk(held), ReadOutcome::End);
        EXPECT_EQ(held.chunk(), nullptr);
        EXPECT_EQ(held.text(), "");
        ContainerSession again(library);
        ASSERT_NE(again.openStream(FilePath(lighthouse)), nullptr) << again.error();
        again.clock().set(latestClockTime);
        ASSERT_EQ(again.readEntryChunk(held), ReadOutcome::Entry);
    }
    ASSERT_TRUE(DynamicLibrary::isLoaded(TORK_PLUGIN_PATH));
    EXPECT_EQ(held.text(), copied.front().text);
    held.reset();
    EXPECT_FALSE(DynamicLibrary::isLoaded(TORK_PLUGIN_PATH));
}

// A missing file, or a path given as a URL, is refused with the reason, not a crash.
TEST(ContainerSession, SaysWhyAFileDidNotOpen) {
    const PluginLibrary library(TORK_PLUGIN_PATH);
    struct Row {
        FileLocation file;
        const char* error;
    };
    const Row rows[] = {
        {FilePath("/no/such/folder/film.sub"), "film.sub: no such file"},
        {FileUrl(lighthouse), "not a file: URL (a path goes in a FilePath)"},
        {FilePath(std::string(TORK_SOURCE_DIR) + "/README.md"),
         "README.md: the MicroDVD plug-in opens only names ending in .sub or .txt (lower case)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file.url());
        ContainerSession session(library);
        EXPECT_EQ(session.read(row.file), std::nullopt);
        EXPECT_EQ(session.error(), row.error);
    }
}

}  // namespace
}  // namespace Tork::Host
