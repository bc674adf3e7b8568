// Opening files by path: only regular files; reading and seeking.
#include "platform/FileHandle.h"
#include "tests/support/TempFolder.h"

#ifndef _WIN32
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <string>

namespace Tork {
namespace {

using namespace std::string_literals;

#ifndef _WIN32  // FIFOs and /dev; Windows devices are in WindowsTest.cpp
TEST(FileHandle, OpensOnlyRegularFiles) {
    const Testing::TempFolder folder;
    const std::string fifo = folder.path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Opening a device can act on it (a watchdog, a tape): what is refused is never opened.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, fifo.c_str(), IN_OPEN), 0);
    const std::string regular = folder.write("regular", "abc");
    struct Case {
        std::string path;
        FileAccess access;
        bool opens;
    };
    const Case cases[] = {
        {regular, FileAccess::Read, true},
        {regular + "\0/x"s, FileAccess::Read, false},  // would be cut short at the zero
        {folder.path(), FileAccess::Read, false},
        {fifo, FileAccess::ReadWrite, false},  // never waits, whatever the access
        {"/dev/null", FileAccess::Read, false},
        {"/dev/zero", FileAccess::ReadWrite, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::PrintToString(row.path) + " access " +
                     std::to_string(static_cast<int>(row.access)));
        EXPECT_EQ(FileHandle::open(row.path, row.access, FileCreation::OpenExisting).isOpen(),
                  row.opens);
    }
    char event[256];
    EXPECT_LT(::read(watch, event, sizeof event), 0) << "the FIFO was opened";
    ::close(watch);
}
#endif

TEST(FileHandle, ReadsUpToTheEndAndSeeks) {
    const Testing::TempFolder folder;
    FileHandle file = FileHandle::open(folder.write("f", "0123456789"), FileAccess::Read,
                                       FileCreation::OpenExisting);
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.seek(0, SeekOrigin::End), 10);
    EXPECT_EQ(file.seek(4, SeekOrigin::Start), 4);
    char buffer[16] = {};
    EXPECT_EQ(file.read(buffer, sizeof buffer), 6);
    EXPECT_EQ(std::string(buffer), "456789");
    EXPECT_EQ(file.seek(-1, SeekOrigin::Start), -1);
    file.close();
    EXPECT_EQ(file.read(buffer, 1), -1);
}

}  // namespace
}  // namespace Tork
