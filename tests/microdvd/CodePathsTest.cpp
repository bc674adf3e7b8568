// The quick writers of the formatting codes against the plain path, openCode and closeTags
// code by code: every style of the table in each case and scope, their combinations with the
// font codes, and the fuzzers' seeds.
#include "microdvd/LineScanner.h"
#include "microdvd/OverlayText.h"
#include "tests/support/PlainCodes.h"
#include "text/Ascii.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace Tork {
namespace {

using Testing::quickPathsDisagree;

// Codes as lines begin with them: every style letter (and one that is none) in both cases,
// alone and in pairs, in a code that covers its line and one that covers the rest; the
// italic marks; and each font code, well formed or not.
std::vector<std::string> codes() {
    std::string letters = "x";
    for (const OverlayText::StyleTag& tag : OverlayText::kStyleTags)
        letters.append({tag.letter, static_cast<char>(tag.letter - 'a' + 'A')});
    std::vector<std::string> values;
    for (const char first : letters) {
        values.emplace_back(1, first);
        for (const char second : letters) values.push_back({first, second});
    }
    std::string all;
    for (const OverlayText::StyleTag& tag : OverlayText::kStyleTags) all += tag.letter;
    values.push_back(all);
    values.emplace_back(all.rbegin(), all.rend());
    values.push_back(all + all + "x");
    values.emplace_back();
    std::vector<std::string> codes = {"/", "\\"};
    for (const std::string& value : values) {
        codes.push_back("{y:" + value + "}");
        codes.push_back("{Y:" + value + "}");
    }
    for (const char* font :
         {"{c:$0000FF}", "{C:#aBcDeF}", "{c:$12345}", "{c:$12345G}", "{s:12}", "{S:7}", "{s:x}",
          "{f:A&\"<>}", "{F:b}", "{f:}", "{o:1}", "{P:x}", "{y:i"})
        codes.emplace_back(font);
    return codes;
}

TEST(CodePaths, QuickWritersAgreeForEveryCodeAndPair) {
    const std::vector<std::string> all = codes();
    // Pairs of the short ones: a letter or two is what files write.
    std::vector<std::string> few;
    std::copy_if(all.begin(), all.end(), std::back_inserter(few), [](const std::string& code) {
        return code.size() <= 5 || Ascii::lower(code[1]) != 'y';
    });
    const auto expectAgree = [](const std::string& text) {
        const std::string found = quickPathsDisagree(text);
        EXPECT_EQ(found, "") << "text: " << text;
        return found.empty();
    };
    for (const std::string& code : all) {
        if (!expectAgree(code + "T") || !expectAgree(code) || !expectAgree("A\n" + code + "T"))
            return;
    }
    for (const std::string& first : few) {
        for (const std::string& second : few) {
            if (!expectAgree(first + second + "T") || !expectAgree(first + "A\n" + second + "B") ||
                !expectAgree(first + "A\n\n" + second + second + "B\nC"))
                return;
        }
    }
}

// The seeds, whole and line by line as the parser hands their texts over: frame groups gone,
// bars as line feeds.
TEST(CodePaths, QuickWritersAgreeOverTheFuzzSeeds) {
    std::size_t files = 0;
    for (const char* folder : {"line", "open"}) {
        const std::filesystem::path seeds =
            std::filesystem::path(TORK_SOURCE_DIR) / "fuzz" / "corpus" / folder;
        for (const auto& seed : std::filesystem::directory_iterator(seeds)) {
            SCOPED_TRACE(seed.path().string());
            ++files;
            std::ifstream file(seed.path(), std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(file), {}};
            EXPECT_EQ(quickPathsDisagree(bytes), "");
            for (std::size_t from = 0; from < bytes.size();) {
                const std::size_t end = std::min(bytes.find_first_of("\r\n", from), bytes.size());
                const std::string_view line = std::string_view(bytes).substr(from, end - from);
                from = end + 1;
                std::string text(scanLenientLine(line).text);
                std::replace(text.begin(), text.end(), '|', '\n');
                EXPECT_EQ(quickPathsDisagree(line), "");
                EXPECT_EQ(quickPathsDisagree(text), "");
            }
        }
    }
    EXPECT_GT(files, 40u);
}

}  // namespace
}  // namespace Tork
