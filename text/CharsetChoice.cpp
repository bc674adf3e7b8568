// Choosing among detected encodings by the letters each reading gives.
#include "text/CharsetChoice.h"

#include "text/Utf.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

namespace Tork {
namespace {

// The letters beyond ASCII that a language writes, both cases; `ranges` holds pairs of
// first and last code points for scripts too large to list.
struct Language {
    std::u32string_view letters;
    std::u32string_view ranges = {};
};

constexpr Language kGerman{U"äöüßÄÖÜ"};
constexpr Language kFrench{U"àâæçéèêëîïôœùûüÿÀÂÆÇÉÈÊËÎÏÔŒÙÛÜŸ"};
constexpr Language kSpanish{U"áéíñóúüÁÉÍÑÓÚÜ"};
constexpr Language kPortuguese{U"áâãàçéêíóôõúÁÂÃÀÇÉÊÍÓÔÕÚ"};
constexpr Language kItalian{U"àèéìíîòóùúÀÈÉÌÍÎÒÓÙÚ"};
constexpr Language kDutch{U"áéëïóöüÁÉËÏÓÖÜ"};
constexpr Language kSwedish{U"åäöéÅÄÖÉ"};
constexpr Language kFinnish{U"äöåšžÄÖÅŠŽ"};
constexpr Language kDanish{U"æøåéÆØÅÉ"};
constexpr Language kIcelandic{U"áðéíóúýþæöÁÐÉÍÓÚÝÞÆÖ"};
constexpr Language kCatalan{U"àçèéíïòóúüÀÇÈÉÍÏÒÓÚÜ"};
constexpr Language kCzech{U"áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ"};
constexpr Language kSlovak{U"áäčďéíĺľňóôŕšťúýžÁÄČĎÉÍĹĽŇÓÔŔŠŤÚÝŽ"};
constexpr Language kPolish{U"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ"};
constexpr Language kHungarian{U"áéíóöőúüűÁÉÍÓÖŐÚÜŰ"};
constexpr Language kRomanian{U"ăâîșşțţĂÂÎȘŞȚŢ"};
constexpr Language kCroatian{U"čćđšžČĆĐŠŽ"};
constexpr Language kTurkish{U"çğıöşüâîûÇĞİÖŞÜÂÎÛ"};
constexpr Language kRussian{U"абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"};
constexpr Language kUkrainian{
    U"абвгґдеєжзиіїйклмнопрстуфхцчшщьюяАБВГҐДЕЄЖЗИІЇЙКЛМНОПРСТУФХЦЧШЩЬЮЯ"};
constexpr Language kBulgarian{U"абвгдежзийклмнопрстуфхцчшщъьюяАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЬЮЯ"};
constexpr Language kSerbian{U"абвгдђежзијклљмнњопрстћуфхцчџшАБВГДЂЕЖЗИЈКЛЉМНЊОПРСТЋУФХЦЧЏШ"};
constexpr Language kBelarusian{U"абвгдеёжзійклмнопрстуўфхцчшыьэюяАБВГДЕЁЖЗІЙКЛМНОПРСТУЎФХЦЧШЫЬЭЮЯ"};
constexpr Language kGreek{U"αβγδεζηθικλμνξοπρσςτυφχψωάέήίόύώϊϋΐΰΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩΆΈΉΊΌΎΏΪΫ"};
constexpr Language kHebrew{U"", U"\u05B0\u05C7\u05D0\u05EA"};              // points, letters
constexpr Language kArabic{U"", U"\u0620\u065F\u0660\u0669\u0671\u06D3"};  // Persian, Urdu too
// CJK punctuation, and full-width forms; not the half-width katakana that Latin bytes make.
constexpr Language kJapanese{U"", U"\u3000\u303F\u3041\u30FF\u4E00\u9FFF\uFF01\uFF5E"};
constexpr Language kChinese{U"", U"\u3000\u303F\u4E00\u9FFF\uFF01\uFF5E"};
constexpr Language kKorean{U"", U"\u3000\u303F\u3130\u318F\u4E00\u9FFF\uAC00\uD7AF\uFF01\uFF5E"};

// ICU's detector names these; an encoding not listed is of no one language (UTF-8).
struct Script {
    std::array<std::string_view, 4> encodings;
    std::array<const Language*, 12> languages;
};
const Script kScripts[] = {
    {{"windows-1252", "ISO-8859-1", "ISO-8859-15"},
     {&kGerman, &kFrench, &kSpanish, &kPortuguese, &kItalian, &kDutch, &kSwedish, &kFinnish,
      &kDanish, &kIcelandic, &kCatalan}},
    {{"windows-1250", "ISO-8859-2"},
     {&kCzech, &kSlovak, &kPolish, &kHungarian, &kRomanian, &kCroatian, &kGerman}},
    {{"windows-1254", "ISO-8859-9"},
     {&kTurkish, &kGerman, &kFrench, &kSpanish, &kPortuguese, &kItalian, &kDutch, &kSwedish,
      &kDanish}},
    {{"windows-1251", "ISO-8859-5", "KOI8-R", "IBM866"},
     {&kRussian, &kUkrainian, &kBulgarian, &kSerbian, &kBelarusian}},
    {{"windows-1253", "ISO-8859-7"}, {&kGreek}},
    {{"windows-1255", "ISO-8859-8", "ISO-8859-8-I"}, {&kHebrew}},
    {{"windows-1256", "ISO-8859-6"}, {&kArabic}},
    {{"Shift_JIS", "EUC-JP", "ISO-2022-JP"}, {&kJapanese}},
    {{"GB18030", "Big5", "ISO-2022-CN"}, {&kChinese}},
    {{"EUC-KR", "ISO-2022-KR"}, {&kKorean}},
};

bool writes(const Language& language, char32_t c) {
    if (language.letters.find(c) != std::u32string_view::npos) return true;
    for (std::size_t i = 0; i + 1 < language.ranges.size(); i += 2)
        if (c >= language.ranges[i] && c <= language.ranges[i + 1]) return true;
    return false;
}

enum class Case : std::uint8_t { None, Upper, Lower };

Case caseOf(char32_t c) {
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? Case::Upper : c >= 'a' && c <= 'z' ? Case::Lower : Case::None;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return Case::Upper;
    if (c >= 0xDF && c <= 0xFF && c != 0xF7) return Case::Lower;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130 || c == 0x178) return Case::Upper;
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return Case::Lower;
        // Latin Extended-A pairs capitals with the next code point, shifted by one in two runs.
        const bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return (c % 2 == 1) == shifted ? Case::Upper : Case::Lower;
    }
    if (c == 0x218 || c == 0x21A) return Case::Upper;  // Ș Ț
    if (c == 0x219 || c == 0x21B) return Case::Lower;
    if (c >= 0x400 && c <= 0x42F) return Case::Upper;
    if (c >= 0x430 && c <= 0x45F) return Case::Lower;
    if (c >= 0x490 && c <= 0x4FF) return c % 2 == 0 ? Case::Upper : Case::Lower;
    if (c == 0x386 || (c >= 0x388 && c <= 0x38F) || (c >= 0x391 && c <= 0x3AB)) return Case::Upper;
    if (c == 0x390 || (c >= 0x3AC && c <= 0x3CE)) return Case::Lower;
    return Case::None;
}

// What a reading cannot mean: bytes the encoding does not map (ICU's substitutes) and C1
// control codes, which no subtitle holds.
bool isBroken(char32_t c) {
    return c == 0x1A || c == 0xFFFD || (c >= 0x80 && c <= 0x9F);
}

// Punctuation that text in any of these languages uses; a wrong reading betrays itself by
// putting it inside words (windows-1250's "ż" read as windows-1252 is "¿").
bool isPunctuation(char32_t c) {
    static constexpr std::u32string_view kMarks = U"\u00A0«»¡¿°·©®§€™";
    return (c >= 0x2010 && c <= 0x206F) || kMarks.find(c) != std::u32string_view::npos;
}

// Marks that typography sets between words without a space ("Well…there", "left—quickly",
// "It’s", "said “yes”"): windows-1252's ellipsis, dashes and curly quotes, which every
// windows-125x code page puts at the same bytes.
bool joinsWords(char32_t c) {
    return c == U'\u2026' || c == U'\u2013' || c == U'\u2014' || c == U'\u2018' || c == U'\u2019' ||
           c == U'\u201C' || c == U'\u201D';
}

bool isLetter(char32_t c) {
    return caseOf(c) != Case::None || (c >= 0x80 && !isBroken(c) && !isPunctuation(c));
}

// The code points of well-formed UTF-8; an ill-formed part is one U+FFFD.
std::u32string codePoints(std::string_view text) {
    std::u32string points;
    points.reserve(text.size());
    while (!text.empty()) {
        const int length = measureUtf8Sequence(text);
        if (length <= 0) {
            points.push_back(0xFFFD);
            text.remove_prefix(std::max<std::size_t>(1, static_cast<std::size_t>(-length)));
            continue;
        }
        const auto lead = static_cast<unsigned char>(text[0]);
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length; ++i) c = c << 6 | (static_cast<unsigned char>(text[i]) & 0x3F);
        points.push_back(c);
        text.remove_prefix(static_cast<std::size_t>(length));
    }
    return points;
}

bool hasUnitsOfSeveralBytes(std::string_view name) {
    return name.starts_with("UTF-16") || name.starts_with("UTF-32");
}

}  // namespace

bool isCharsetAdmissible(std::string_view sample, std::string_view name,
                         std::int32_t confidence) noexcept {
    if (confidence < kCharsetConfidenceFloor || name.empty()) return false;
    return !hasUnitsOfSeveralBytes(name) || sample.find('\0') != std::string_view::npos;
}

double letterPlausibility(std::string_view encoding, std::string_view decoded) noexcept {
    try {
        const std::u32string text = codePoints(decoded);
        // Judged once per distinct character, then against each language.
        std::map<char32_t, std::size_t> letters;
        std::size_t bad = 0;
        std::size_t upper = 0;
        std::size_t lower = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char32_t c = text[i];
            if (isBroken(c)) {
                ++bad;
                continue;
            }
            if (c < 0x80) continue;
            const bool afterLetter = i > 0 && isLetter(text[i - 1]);
            if (isPunctuation(c)) {
                const bool beforeLetter = i + 1 < text.size() && isLetter(text[i + 1]);
                // An apostrophe ends a word or joins two ("l’homme", "σ’"); one that opens a
                // word is windows-1253's "Ά" read as ISO-8859-7.
                if (c == U'\u2019' ? beforeLetter && !afterLetter
                                   : beforeLetter && afterLetter && !joinsWords(c))
                    ++bad;
                continue;
            }
            // Hebrew's final letters and Greek's final sigma end words.
            static constexpr std::u32string_view kFinal = U"ךםןףץς";
            if (kFinal.find(c) != std::u32string_view::npos && i + 1 < text.size() &&
                isLetter(text[i + 1])) {
                ++bad;
                continue;
            }
            const Case letterCase = caseOf(c);
            if (letterCase == Case::Upper && afterLetter && caseOf(text[i - 1]) == Case::Lower) {
                ++bad;  // "пОЧЕМУ": KOI8-R read as windows-1251 swaps the cases
                continue;
            }
            upper += letterCase == Case::Upper;
            lower += letterCase == Case::Lower;
            ++letters[c];
        }
        // Text is mostly small letters; a reading with more capitals swaps them.
        if (upper > lower) bad += upper - lower;

        std::vector<const Language*> languages;
        for (const Script& script : kScripts)
            if (std::find(script.encodings.begin(), script.encodings.end(), encoding) !=
                script.encodings.end())
                for (const Language* language : script.languages)
                    if (language) languages.push_back(language);

        std::size_t total = bad;
        for (const auto& [c, count] : letters) total += count;
        if (total == 0) return 1.0;
        std::size_t best = total - bad;  // of no one language: every mapped letter
        if (!languages.empty()) {
            best = 0;
            for (const Language* language : languages) {
                std::size_t good = 0;
                for (const auto& [c, count] : letters)
                    if (writes(*language, c)) good += count;
                best = std::max(best, good);
            }
        }
        return static_cast<double>(best) / static_cast<double>(total);
    } catch (...) {
        return 0.0;  // out of memory: no reading can be judged
    }
}

std::optional<CharsetChoice> chooseCharset(std::string_view sample,
                                           std::span<const CharsetCandidate> candidates) {
    struct Scored {
        const CharsetCandidate* candidate;
        double score;
    };
    std::vector<Scored> scored;
    for (const CharsetCandidate& candidate : candidates) {
        if (!isCharsetAdmissible(sample, candidate.name, candidate.confidence) ||
            candidate.decoded.empty())
            continue;
        scored.push_back({&candidate, candidate.confidence *
                                          letterPlausibility(candidate.name, candidate.decoded)});
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const Scored& a, const Scored& b) { return a.score > b.score; });
    // A reading whose letters halve the confidence is as unsure as a low confidence.
    if (scored.empty() || scored[0].score < kCharsetConfidenceFloor) return std::nullopt;
    const auto rounded = [](double score) { return static_cast<std::int32_t>(std::lround(score)); };
    CharsetChoice choice;
    choice.name = scored[0].candidate->name;
    choice.confidence = scored[0].candidate->confidence;
    choice.score = rounded(scored[0].score);
    if (scored.size() > 1) {
        choice.runnerUp = scored[1].candidate->name;
        choice.runnerUpConfidence = scored[1].candidate->confidence;
        choice.runnerUpScore = rounded(scored[1].score);
    }
    return choice;
}

}  // namespace Tork
