// Where entries' texts lie at rest: in the file's text, or copied into the arena's blocks
// behind it, within a 32-bit offset space.
#include "subtitle/EntryStore.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace Tork {
namespace {

// "hello world" takes offsets 0 to 11 with its terminator; the arena follows at 12 in
// granules of 4 bytes, up to offset 230: short texts (with their zero, under a granule) fill
// blocks of 64. An expected offset of -1: out of range, -2: no room.
TEST(EntryStore, PlacesTextsInTheFileOrTheArenaWithinItsBounds) {
    const std::string elsewhere = "hello";
    const struct {
        const char* description;
        std::string copy;         // the text copied, unless `at` is set
        int at = -1, length = 0;  // in place: the bytes of the file's text
        long long offset;
    } steps[] = {
        {"in place", "", 6, 5, 6},
        {"in place past the end", "", 6, 6, -1},
        {"equal bytes elsewhere", "", -2, 5, -1},
        {"a copy opens a block", "ab", -1, 0, 12},
        {"and fills it", "cd", -1, 0, 15},
        {"a long one that fits goes there too", "efghij", -1, 0, 18},
        {"one that does not fit: a block of its own", std::string(60, 'x'), -1, 0, 12 + 64},
        {"the tail still fills", "kl", -1, 0, 25},
        {"up to its last bytes", std::string(45, 'y'), -1, 0, 28},
        {"a short one that does not fit opens the next", "mn", -1, 0, 12 + 128},
        {"empty", "", -1, 0, 0},
        {"past the bound", std::string(70, 'z'), -1, 0, -2},
        {"the rest of the block", "op", -1, 0, 143},
    };
    EntryStore store(String("hello world"), /*addressable*/ 230, /*granule*/ 4);
    std::vector<std::pair<std::uint32_t, std::string>> expected;  // start, text
    for (const auto& step : steps) {
        SCOPED_TRACE(step.description);
        const auto start = static_cast<std::uint32_t>(100 - expected.size());  // descending
        const std::string_view text =
            step.at >= 0    ? std::string_view(store.fileText() + step.at, step.length)
            : step.at == -2 ? std::string_view(elsewhere)
                            : std::string_view(step.copy);
        const auto add = [&] {
            step.at == -1 ? store.addCopy(start, 1, text) : store.addInPlace(start, 1, text);
        };
        if (step.offset == -1) {
            EXPECT_THROW(add(), std::out_of_range);
        } else if (step.offset == -2) {
            EXPECT_THROW(add(), std::bad_alloc);
        } else {
            add();
            expected.emplace_back(start, text);
            EXPECT_EQ(store[store.size() - 1].offset, step.offset);
            if (step.at == -1 && !text.empty()) {
                EXPECT_EQ(store.text(store[store.size() - 1]).end()[0], '\0');
            }
        }
        ASSERT_EQ(store.size(), expected.size());
    }

    // Sorting moves each text with its record; "world", under half of the file's text, is
    // all that is kept of it, so the arena follows at 6; the trimmed block of short texts
    // takes no more copies.
    store.finish();
    store.addCopy(200, 1, "w");
    EXPECT_EQ(store[store.size() - 1].offset, 6u + 192);
    expected.emplace_back(200, "w");
    std::sort(expected.begin(), expected.end());
    for (std::size_t i = 0; i < store.size(); ++i) {
        EXPECT_EQ(store.text(store[i]), expected[i].second);
        EXPECT_EQ(store[i].start, expected[i].first);
    }
}

// A text ends at the zero after it, so offset 0 tells an empty text only while no text
// starts there: a translation written over the file's first line does, and so do the texts
// in place once they are kept alone. Read back before and after finish.
TEST(EntryStore, EveryTextReadsBackWhateverStartsAtOffsetZero) {
    const std::string zeroHeld("x\0y", 3);
    const struct {
        const char* description;
        std::string file;
        std::vector<std::pair<int, int>> steps;  // in place {at, length}; {-1, 0}: empty copy,
                                                 // {-2, 0}: a copy holding a zero
    } cases[] = {
        {"empty, text at 0, empty, kept with the file",
         "abcdefgh",
         {{-1, 0}, {0, 6}, {-1, 0}, {7, 1}, {3, 0}}},
        {"the same kept alone",
         "abcdefgh" + std::string(40, '.'),
         {{-1, 0}, {0, 6}, {-1, 0}, {7, 1}, {3, 0}, {-2, 0}}},
        {"kept alone without a text at 0",
         "abcdefgh" + std::string(40, '.'),
         {{-2, 0}, {-1, 0}, {2, 3}, {-1, 0}, {6, 2}}},
        {"nothing in place kept", std::string(40, '.'), {{-1, 0}, {-2, 0}, {-1, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        EntryStore store{String(c.file)};
        std::vector<std::string> expected;
        for (const auto& [at, length] : c.steps) {
            const auto start = static_cast<std::uint32_t>(expected.size());
            if (at >= 0) {
                expected.push_back(c.file.substr(at, length));
                store.addInPlace(start, 1, {store.fileText() + at, std::size_t(length)});
            } else {
                expected.push_back(at == -1 ? "" : zeroHeld);
                store.addCopy(start, 1, expected.back());
            }
        }
        for (const bool finished : {false, true}) {
            if (finished) store.finish();
            ASSERT_EQ(store.size(), expected.size());
            for (std::size_t i = 0; i < store.size(); ++i)
                EXPECT_EQ(store.text(store[i]), expected[i]) << i << (finished ? " finished" : "");
        }
    }
}

TEST(EntryStore, WithoutAFileTextEveryEntryIsACopy) {
    EntryStore store;
    EXPECT_THROW(store.addInPlace(0, 1, "x"), std::out_of_range);
    store.addCopy(0, 1, "x");
    EXPECT_EQ(store.text(store[0]), "x");
}

}  // namespace
}  // namespace Tork
