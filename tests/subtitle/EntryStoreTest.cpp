// Where entries' texts lie at rest: in the file's text, or copied into the arena's blocks
// behind it, within a 32-bit offset space.
#include "subtitle/EntryStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <random>
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

// A record holds a text's length up to 254 bytes; a longer text is measured to the zero
// after it, or, for a long copy that holds a zero, looked up. Read back before and after
// finish, with the texts in place kept with the file and alone.
TEST(EntryStore, EveryTextReadsBackWhateverItsLength) {
    const std::string holdsZero = "x" + std::string(1, '\0') + std::string(300, 'y');
    const std::string line = "abcdef|" + std::string(300, 'l') + "|gh|";
    const struct {
        const char* description;
        std::string file;
        std::vector<std::pair<int, int>> steps;  // in place {at, length}, ended by a zero as a
                                                 // parser ends it; {-1, n}: a copy of n bytes;
                                                 // {-2, 0}: a long copy holding a zero
    } cases[] = {
        {"kept with the file", line, {{0, 6}, {-1, 0}, {7, 300}, {-2, 0}, {308, 2}, {-1, 254}}},
        {"kept alone",
         line + std::string(2000, '.'),
         {{-2, 0}, {0, 6}, {-1, 0}, {7, 300}, {-1, 255}, {308, 2}, {311, 0}}},
        {"nothing in place", std::string(40, '.'), {{-1, 0}, {-2, 0}, {-1, 3}, {-1, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        EntryStore store{String(c.file)};
        std::vector<std::string> expected;
        for (const auto& [at, length] : c.steps) {
            const auto start = static_cast<std::uint32_t>(100 - expected.size());  // descending
            if (at >= 0) {
                expected.push_back(c.file.substr(at, length));
                store.fileText()[at + length] = '\0';
                store.addInPlace(start, 1, {store.fileText() + at, std::size_t(length)});
            } else {
                expected.push_back(at == -1 ? std::string(length, 'c') : holdsZero);
                store.addCopy(start, 1, expected.back());
            }
        }
        for (std::size_t i = 0; i < store.size(); ++i)
            EXPECT_EQ(store.text(store[i]), expected[i]) << i;
        store.finish();
        ASSERT_EQ(store.size(), expected.size());
        for (std::size_t i = 0; i < store.size(); ++i)
            EXPECT_EQ(store.text(store[i]), expected[expected.size() - 1 - i]) << i << " finished";
    }
}

// Random adds of every kind and length, read back at random, whole, and after finish, against
// the plain model of a list of texts. A store without a file text takes copies only; a small
// granule makes many blocks; a file text mostly left unused is let go at finish.
TEST(EntryStore, KeepsWhatAListOfStringsKeeps) {
    const struct {
        const char* description;
        std::size_t fileBytes;  // none: a store without a file text
        std::uint32_t granule;
        double share;  // of the file text that texts in place may take
    } cases[] = {
        {"copies only", 0, EntryStore::kArenaGranule, 0},
        {"the file text used up", 40'000, EntryStore::kArenaGranule, 1},
        {"the file text mostly unused", 400'000, EntryStore::kArenaGranule, 0.3},
        {"small granules", 40'000, 16, 1},
    };
    // Texts are slices of these: every byte value, or letters only.
    std::string anyBytes(1 << 20, '\0'), letterBytes(anyBytes.size(), '\0');
    for (std::size_t k = 0; k < anyBytes.size(); ++k) {
        anyBytes[k] = static_cast<char>(k * 131 + k / 251);
        letterBytes[k] = static_cast<char>('a' + k * 7 % 26);
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        std::mt19937 random(20261210);
        const auto below = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
        // Empty, short, about kLongText and long, {shortest, how many lengths from there}
        // equally likely; now and then about the size of a block.
        constexpr std::size_t kAbout = EntryStore::kLongText - 3;
        const std::pair<std::size_t, std::size_t> lengths[] = {
            {0, 1},      {1, 30},     {1, 30},     {1, 30},     {1, 30},  {1, 30},  {kAbout, 6},
            {kAbout, 6}, {kAbout, 6}, {256, 3000}, {256, 3000}, {0, 400}, {0, 400}, {0, 400}};
        const auto length = [&] {
            if (below(64) == 0) return 65'000 + below(1'000);
            const auto [shortest, span] = lengths[below(std::size(lengths))];
            return shortest + below(span);
        };
        const auto bytes = [&](std::size_t n, bool letters) {
            return (letters ? letterBytes : anyBytes).substr(below(anyBytes.size() - n), n);
        };
        EntryStore store = c.fileBytes ? EntryStore(String(bytes(c.fileBytes, true)),
                                                    EntryStore::kAddressable, c.granule)
                                       : EntryStore();
        std::size_t unused = 0;  // of the file text: in-place texts never overlap, as a parser's
        std::vector<std::pair<std::uint32_t, std::string>> model;  // start, text
        const auto same = [&](std::size_t i) { return store.text(store[i]) == model[i].second; };
        for (int step = 0; step < 3000; ++step) {
            const auto start = static_cast<std::uint32_t>(below(1000));  // ties: order kept
            const std::size_t n = length();
            switch (below(8)) {
                case 0:
                case 1:
                case 2: {  // any bytes, zeros too
                    const std::string text = bytes(n, false);
                    store.addCopy(start, 1, text);
                    model.emplace_back(start, text);
                    break;
                }
                case 3: {
                    const std::string text = bytes(n, true);
                    std::copy(text.begin(), text.end(), store.addSpace(start, 1, n));
                    model.emplace_back(start, text);
                    break;
                }
                case 4:
                case 5:
                    if (unused + n < c.share * static_cast<double>(store.fileLength())) {
                        char* at = store.fileText() + unused;
                        at[n] = '\0';
                        store.addInPlace(start, 1, {at, n});
                        model.emplace_back(start, std::string(at, n));
                        unused += n + 1;
                    }
                    break;
                default:
                    if (!model.empty()) {
                        const std::size_t i = below(model.size());
                        ASSERT_TRUE(same(i)) << "step " << step << ", entry " << i;
                    }
            }
            ASSERT_EQ(store.size(), model.size());
        }
        for (std::size_t i = 0; i < model.size(); ++i) ASSERT_TRUE(same(i)) << i;

        store.finish();
        std::stable_sort(model.begin(), model.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (int step = 0; step < 200; ++step) {  // copies after finish, in order
            const std::string text = bytes(length(), true);
            store.addCopy(1000, 1, text);
            model.emplace_back(1000, text);
        }
        ASSERT_EQ(store.size(), model.size());
        std::size_t i = 0;
        for (const EntryRecord& record : store.records()) {
            ASSERT_EQ(record.start, model[i].first) << i;
            ASSERT_EQ(store.text(record), model[i].second) << i;
            ++i;
        }
    }
}

// A long text in place is measured up to the byte after it: a debug build stops a parser
// that leaves that byte out, or a text that holds one, where the text is added.
TEST(EntryStore, LongTextInPlaceMustEndAtTheTextEnd) {
#ifdef NDEBUG
    GTEST_SKIP() << "checked in debug builds only";
#else
    const struct {
        const char* description;
        int length;  // of the text at 0
        int zeroAt;  // where kTextEnd is written, or -1
        bool accepted;
    } cases[] = {
        {"long, ended", 300, 300, true},
        {"long, not ended", 300, -1, false},
        {"long, holding the end byte", 300, 100, false},
        {"short, not ended", 254, -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        EntryStore store{String(std::string(400, 'x'))};
        if (c.zeroAt >= 0) store.fileText()[c.zeroAt] = EntryStore::kTextEnd;
        const std::string_view text{store.fileText(), std::size_t(c.length)};
        if (c.accepted) {
            store.addInPlace(0, 1, text);
            EXPECT_EQ(store.text(store[0]).size(), std::size_t(c.length));
        } else {
            EXPECT_DEATH(store.addInPlace(0, 1, text), "kTextEnd");
        }
    }
#endif
}

TEST(EntryStore, WithoutAFileTextEveryEntryIsACopy) {
    EntryStore store;
    EXPECT_THROW(store.addInPlace(0, 1, "x"), std::out_of_range);
    store.addCopy(0, 1, "x");
    EXPECT_EQ(store.text(store[0]), "x");
}

}  // namespace
}  // namespace Tork
