// Choosing among a detector's candidates: the floor, zero bytes and the letters of each reading.
#include "text/CharsetChoice.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Tork {

// Found beside the type: the name and the runner-up, each with confidence (score).
void PrintTo(const CharsetChoice& choice, std::ostream* out) {
    *out << choice.name << " " << choice.confidence << " (" << choice.score << "), "
         << choice.runnerUp << " " << choice.runnerUpConfidence << " (" << choice.runnerUpScore
         << ")";
}

namespace {

using namespace std::string_literals;

struct ChoiceCase {
    const char* description;
    std::vector<CharsetCandidate> candidates;  // the detector's order, each with its reading
    std::optional<CharsetChoice> chosen;
    std::string sample = "";  // what the detector saw; only its zero bytes matter
};

TEST(ChooseCharset, WeighsConfidenceByLetters) {
    const ChoiceCase cases[] = {
        {"Czech: letters overturn the confidence",
         {{"windows-1252", 31, "Pøines kanystr ve ètvrt, Nìkdo"},
          {"windows-1250", 27, "Přines kanystr ve čtvrt, Někdo"}},
         CharsetChoice{"windows-1250", 27, "windows-1252", 31, 27, 21}},
        {"Polish: symbols inside words",
         {{"windows-1252", 40, "Za¿ó³æ gêœl¹ jaŸñ"}, {"windows-1250", 30, "Zażółć gęślą jaźń"}},
         CharsetChoice{"windows-1250", 30, "windows-1252", 40, 30, 13}},
        {"Russian: KOI8-R read as windows-1251 swaps the cases",
         {{"windows-1251", 30, "пОЮЕЛС ТШ ЛНКВХЬЭ?"}, {"KOI8-R", 25, "Почему ты молчишь?"}},
         CharsetChoice{"KOI8-R", 25, "windows-1251", 30, 25, 16}},
        {"German: both readings plausible, the confidence decides",
         {{"ISO-8859-1", 98, "Größere Häuser"}, {"ISO-8859-2", 36, "Größere Häuser"}},
         CharsetChoice{"ISO-8859-1", 98, "ISO-8859-2", 36, 98, 36}},
        {"C1 controls and unmapped bytes count against a reading",
         {{"ISO-8859-7", 40, "\u0081\u0092\x1A\uFFFD"}, {"windows-1253", 20, "Πού ήσουν"}},
         CharsetChoice{"windows-1253", 20, "ISO-8859-7", 40, 20, 0}},
        {"a tie keeps the detector's order",
         {{"windows-1252", 50, "plain"}, {"windows-1250", 50, "plain"}},
         CharsetChoice{"windows-1252", 50, "windows-1250", 50, 50, 50}},
        {"below the floor: nothing",
         {{"Shift_JIS", 10, "ｩ 2004"}, {"UTF-16BE", 10, "x"}},
         std::nullopt},
        {"UTF-16 and UTF-32 only for a sample with zero bytes",
         {{"UTF-16BE", 90, "x"}, {"UTF-32LE", 80, "x"}, {"windows-1252", 20, "© 2004"}},
         CharsetChoice{"windows-1252", 20, "", 0, 20, 0},
         "{1}{50}\xA9 2004"},
        {"UTF-16 for a sample with zero bytes",
         {{"UTF-16LE", 60, "{"}, {"windows-1252", 20, "{"}},
         CharsetChoice{"UTF-16LE", 60, "windows-1252", 20, 60, 20},
         "{\0"s},
        {"weighed below the floor: nothing",
         {{"ISO-8859-8-I", 14, "\u05D0\x1A\u05D1\x1A"}},
         std::nullopt},
        // An ellipsis, dashes and curly quotes between letters weighed it to 0.
        {"English: punctuation between letters",
         {{"windows-1252", 20, "Well…there, he said “yes”—quickly"}},
         CharsetChoice{"windows-1252", 20, "", 0, 20, 0}},
        {"a reading the converters refused is passed over",
         {{"IBM420_ltr", 18, ""}, {"ISO-8859-2", 12, "ódy"}},
         CharsetChoice{"ISO-8859-2", 12, "", 0, 12, 0}},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(chooseCharset(c.sample, c.candidates), c.chosen);
    }
}

struct PlausibilityCase {
    const char* encoding;
    const char* text;
    double plausibility;
};

TEST(LetterPlausibility, IsTheShareOfLettersOneLanguageWrites) {
    const PlausibilityCase cases[] = {
        {"windows-1250", "{1}{50}nothing beyond ASCII", 1.0},
        {"windows-1250", "čtvrt, „uvozovky“ — pomlčka", 1.0},  // punctuation between words
        {"windows-1252", "ça, où, für", 1.0},  // several languages of one script: the best
        {"windows-1252", "çà ø", 2.0 / 3},     // French, with a Danish letter
        {"windows-1252", "a¿b", 0.0},          // a symbol inside a word
        {"windows-1252", "Well…there, “yes”—quick–ly ‘a’", 1.0},  // typography inside words
        {"windows-1252", "día… ¿qué? “sí”", 1.0},
        {"windows-1252", "é•é", 2.0 / 3},   // a bullet is no typography inside a word
        {"windows-1251", "аБ", 0.5},        // a capital after a small letter
        {"windows-1251", "ЖЖЖж", 2.0 / 3},  // more capitals than small letters
        {"windows-1253", "Πού abc", 1.0},
        {"windows-1252", "l’homme", 1.0},
        {"ISO-8859-7", "’ντε", 0.75},      // an apostrophe opening a word
        {"windows-1255", "םלא", 2.0 / 3},  // a final letter inside a word
        {"windows-1253", "Zażółć", 0.0},   // letters no language of the encoding writes
        {"Shift_JIS", "日本語ｩ", 0.75},    // half-width katakana: Latin bytes read as Japanese
        {"UTF-8", "日本語ｩ", 1.0},
        {"windows-1250", "\xC3\xE9",
         0.0},  // ill-formed UTF-8: unmapped        // an encoding of no one language: every letter
    };
    for (const PlausibilityCase& c : cases) {
        SCOPED_TRACE(std::string(c.encoding) + ": " + c.text);
        EXPECT_DOUBLE_EQ(letterPlausibility(c.encoding, c.text), c.plausibility);
    }
}

}  // namespace
}  // namespace Tork
