// Standard input kept in a private file: its modes, and the plug-in's size limit.
#include "tools/subplay/TemporaryFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>

namespace Tork::Subplay::TemporaryFiles {
namespace {

// Standard input was copied without limit: `< /dev/zero` filled the disk.
TEST(TemporaryFiles, KeptStreamStopsAtTheLimit) {
    struct Row {
        std::string input;
        bool kept;
    };
    const Row rows[] = {{"0123456789", true}, {"0123456789A", false}, {"", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.input);
        const PrivateFolder folder;
        ASSERT_FALSE(folder.path().empty()) << folder.error();
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        ASSERT_EQ(::write(pipe[1], row.input.data(), row.input.size()),
                  static_cast<ssize_t>(row.input.size()));
        ::close(pipe[1]);
        const Kept kept = keepStream(pipe[0], folder, "in.sub", /*limit*/ 10);
        ::close(pipe[0]);
        if (!row.kept) {
            EXPECT_EQ(kept.path, "");
            EXPECT_EQ(kept.error, "holds more than 10 bytes, the most the plug-in reads");
            EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
            continue;
        }
        ASSERT_EQ(kept.error, "");
        struct stat folderStatus {
        }, fileStatus{};
        ASSERT_EQ(::stat(folder.path().c_str(), &folderStatus), 0);
        ASSERT_EQ(::stat(kept.path.c_str(), &fileStatus), 0);
        EXPECT_EQ(folderStatus.st_mode & 0777, 0700u);
        EXPECT_EQ(fileStatus.st_mode & 0777, 0600u);
        EXPECT_EQ(static_cast<std::size_t>(fileStatus.st_size), row.input.size());
    }
}

// A name that is not UTF-8 (a Latin-1 byte) was refused as "not a file: URL": it is opened
// through a link under the name with U+FFFD for the byte.
TEST(TemporaryFiles, LinksGiveANameThePluginTakes) {
    struct Row {
        std::string name, link;
    };
    const Row rows[] = {{"caf\xE9.sub", "caf\xEF\xBF\xBD.sub"},
                        {"\xFF\xFE.txt", "\xEF\xBF\xBD\xEF\xBF\xBD.txt"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.link);
        const PrivateFolder folder;
        const std::string file = folder.path() + "/" + row.name;
        { std::ofstream(file) << "{0}{1}x\n"; }
        const Kept linked = linkTo(file, folder);
        ASSERT_EQ(linked.error, "");
        EXPECT_EQ(linked.path, folder.path() + "/" + row.link);
        EXPECT_TRUE(std::filesystem::equivalent(linked.path, file));
    }
}

}  // namespace
}  // namespace Tork::Subplay::TemporaryFiles
