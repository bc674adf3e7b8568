// Where entries' texts lie at rest: in the file's text, or copied into the arena behind it,
// within a 32-bit offset space.
#include "subtitle/EntryStore.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace Tork {
namespace {

enum class Add { InPlace, Elsewhere, Copy };
enum class Outcome { Added, OutOfRange, NoRoom };

struct Step {
    const char* description;
    Add add;
    std::size_t at, length;  // InPlace: the bytes of the file's text
    std::string copy;        // Copy: the text
    Outcome outcome;
};

// "hello world" is offsets 0 to 10, its terminator 11; the arena starts at 12 and, with 20
// addressable, holds 8 bytes.
TEST(EntryStore, PlacesTextsAndKeepsTheArenaWithinItsBound) {
    const std::string file = "hello world";
    const std::string elsewhere = "hello";
    const Step steps[] = {
        {"in place at the start", Add::InPlace, 0, 5, "", Outcome::Added},
        {"in place at the end", Add::InPlace, 6, 5, "", Outcome::Added},
        {"empty at the terminator", Add::InPlace, 11, 0, "", Outcome::Added},
        {"running past the end", Add::InPlace, 6, 6, "", Outcome::OutOfRange},
        {"beyond the terminator", Add::InPlace, 12, 0, "", Outcome::OutOfRange},
        {"equal bytes in another block", Add::Elsewhere, 0, 5, "", Outcome::OutOfRange},
        {"a copy", Add::Copy, 0, 0, "<i>", Outcome::Added},
        {"a copy that fills the arena", Add::Copy, 0, 0, "abcde", Outcome::Added},
        {"an empty copy at the bound", Add::Copy, 0, 0, "", Outcome::Added},
        {"a copy past the bound", Add::Copy, 0, 0, "x", Outcome::NoRoom},
    };
    EntryStore store(String(file), /*addressable*/ 20);
    std::vector<std::string> expected;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.description);
        const auto start = static_cast<std::uint32_t>(100 - expected.size());  // descending
        const std::string_view text =
            step.add == Add::InPlace     ? std::string_view(store.fileText() + step.at, step.length)
            : step.add == Add::Elsewhere ? std::string_view(elsewhere)
                                         : std::string_view(step.copy);
        const auto add = [&] {
            if (step.add == Add::Copy) {
                store.addCopy(start, 1, text);
            } else {
                store.addInPlace(start, 1, text);
            }
        };
        switch (step.outcome) {
            case Outcome::Added:
                add();
                expected.emplace_back(text);
                break;
            case Outcome::OutOfRange:
                EXPECT_THROW(add(), std::out_of_range);
                break;
            case Outcome::NoRoom:
                EXPECT_THROW(add(), std::bad_alloc);
                break;
        }
        ASSERT_EQ(store.size(), expected.size());
    }
    EXPECT_EQ(store[3].offset, 12u);  // the first copy: right after the terminator
    EXPECT_EQ(store[4].offset, 15u);

    // Sorting moves each text with its record.
    store.sortByStart();
    for (std::size_t i = 0; i < store.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(store[i].start, 100 - (store.size() - 1 - i));
        EXPECT_EQ(store.text(store[i]), expected[store.size() - 1 - i]);
    }
}

TEST(EntryStore, WithoutAFileTextEveryEntryIsACopy) {
    EntryStore store;
    const std::string text = "x";
    EXPECT_THROW(store.addInPlace(0, 1, text), std::out_of_range);
    store.addCopy(0, 1, text);
    EXPECT_EQ(store.text(store[0]), "x");
}

}  // namespace
}  // namespace Tork
