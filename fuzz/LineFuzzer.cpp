// MicroDVD lines one at a time: the splitter (its line-end searches against a plain one), the frame
// groups (against the C library's own scan, the split-line scan against the general one, the
// lenient scan against both), the frame-rate declaration and the formatting-code translations (the
// lenient one and its bar replacement against plain versions).
#include "fuzz/FuzzCheck.h"
#include "microdvd/CodeTable.h"
#include "microdvd/FormattingCode.h"
#include "microdvd/FrameRate.h"
#include "microdvd/LineCodes.h"
#include "microdvd/LineScanner.h"
#include "microdvd/LineSplitter.h"
#include "scan/ByteWords.h"
#include "tests/support/PlainCodes.h"
#include "text/Utf.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace Tork {
namespace {

std::int32_t saturated(long long value) {
    return static_cast<std::int32_t>(std::clamp<long long>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// The scanner claims sscanf's answer with numbers saturated at the 32-bit limits; "%lld"
// saturates at 64 bits, so clamping it gives the same numbers.
void checkScan(std::string_view line) {
    const ScannedLine scanned = scanLine(line);
    const std::string copy(line);
    long long start = 0, end = 0;
    std::string text(copy.size() + 1, '\0');
    const int conversions =
        std::sscanf(copy.c_str(), "{%lld}{%lld}%[^\r\n]", &start, &end, text.data());
    FUZZ_CHECK(scanned.conversions == conversions);
    if (conversions >= 1) FUZZ_CHECK(scanned.start == saturated(start));
    if (conversions >= 2) FUZZ_CHECK(scanned.end == saturated(end));
    if (conversions == 3) FUZZ_CHECK(scanned.text == std::string_view(text.c_str()));
}

// Tags added by the largest translation (a colour) less the code it replaces.
constexpr std::size_t kMostAdded = 23;

void checkCode(std::string_view text) {
    std::string out = "left from an earlier line";
    translateFormattingCode(text, out);
    FUZZ_CHECK(out == Testing::plainFormattingCode(text));
    if (isWellFormedUtf8(text)) FUZZ_CHECK(isWellFormedUtf8(out));
    if (text.find('\0') == std::string_view::npos) FUZZ_CHECK(out.find('\0') == std::string::npos);
    FUZZ_CHECK(out.size() <= text.size() + kMostAdded);
    if (text.empty() || (text[0] != '/' && text[0] != '\\' && text[0] != '{'))
        FUZZ_CHECK(out == text);
}

// Every line the default reading takes, the lenient one takes alike, its text trimmed.
void checkLenientScan(std::string_view line) {
    const ScannedLine strict = scanSplitLine(line);
    const LenientLine lenient = scanLenientLine(line);
    if (lenient.shape == LenientLine::Shape::Frames) {
        FUZZ_CHECK(lenient.text.empty() ||
                   (lenient.text.front() != ' ' && lenient.text.back() != ' '));
    }
    if (strict.conversions != 3) return;
    FUZZ_CHECK(lenient.shape == LenientLine::Shape::Frames);
    FUZZ_CHECK(lenient.start == strict.start && lenient.end == strict.end);
    FUZZ_CHECK(strict.text.find(lenient.text) != std::string_view::npos);
}

// Bars become line feeds, and the answer is whether a later line begins as a code may.
void checkBars(std::string_view text) {
    std::string plain(text);
    ByteWords::replaceBytes(plain.data(), plain.size(), '|', '\n');
    bool codeAfterBar = false;
    for (std::size_t feed = plain.find('\n'); feed != std::string::npos && feed + 1 < plain.size();
         feed = plain.find('\n', feed + 1))
        codeAfterBar |= plain[feed + 1] == '/' || plain[feed + 1] == '\\' || plain[feed + 1] == '{';
    std::string replaced(text);
    FUZZ_CHECK(barsToLineFeeds(replaced.data(), replaced.size()) == codeAfterBar &&
               replaced == plain);
}

// The mark-up is well nested: with no '<' in the text, every tag is the translation's own.
void checkLineCodes(std::string_view text) {
    std::string out;
    translateLineCodes(text, out);
    FUZZ_CHECK(out == Testing::plainLineCodes(text));
    if (isWellFormedUtf8(text)) FUZZ_CHECK(isWellFormedUtf8(out));
    if (text.find('\0') == std::string_view::npos) FUZZ_CHECK(out.find('\0') == std::string::npos);
    if (text.find('<') != std::string_view::npos) return;
    std::vector<char> open;
    for (std::size_t at = out.find('<'); at != std::string::npos; at = out.find('<', at + 1)) {
        const bool closing = out[at + 1] == '/';
        const char kind = static_cast<char>(out[at + (closing ? 2 : 1)] | 0x20);  // </B> too
        if (!closing) {
            open.push_back(kind);
            continue;
        }
        FUZZ_CHECK(!open.empty() && open.back() == kind);
        open.pop_back();
    }
    FUZZ_CHECK(open.empty());
}

// What the declaration text says when read with the C library's scans, for texts short
// enough that no scan overflows: the rate, or nothing for a text that gives none.
struct Expected {
    bool declaration = false;
    bool usable = false;
    FrameRate rate;
};

Expected expectedDeclaration(std::string_view text) {
    Expected expected;
    std::string digits;
    std::size_t separators = 0, afterPoint = 0;
    char separator = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits += c;
            if (separator == '.' || separator == ',') ++afterPoint;
        } else if (c == '.' || c == ',' || c == '/' || c == '\\') {
            separator = c;
            ++separators;
        } else {
            return expected;
        }
    }
    if (text.empty() || separators > 1) return expected;
    expected.declaration = true;
    const bool fraction = separator == '/' || separator == '\\';
    long long numerator = 0, denominator = 1;
    if (fraction) {
        std::string slashed(text);
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        int a = 0, b = 0;
        if (std::sscanf(slashed.c_str(), "%d/%d", &a, &b) != 2) return expected;
        numerator = a;
        denominator = b;
    } else if (separator) {
        if (std::sscanf(digits.c_str(), "%lld", &numerator) != 1) return expected;
    } else {
        int whole = 0;
        if (std::sscanf(digits.c_str(), "%d", &whole) != 1) return expected;
        numerator = whole;
    }
    for (std::size_t i = 0; i < afterPoint; ++i) denominator *= 10;
    expected.usable = numerator != 0 && denominator != 0;
    expected.rate = {static_cast<std::uint64_t>(numerator),
                     static_cast<std::uint64_t>(denominator)};
    return expected;
}

void checkDeclaration(std::string_view text) {
    const FrameRateDeclaration declaration = parseFrameRateDeclaration(text);
    if (declaration.kind == FrameRateDeclaration::Kind::Rate) {
        FUZZ_CHECK(declaration.rate.numerator != 0);
        const FrameClock clock(declaration.rate);
        for (const std::int32_t frame :
             {0, 1, -1, 4294967, 4294968, 171798692, std::numeric_limits<std::int32_t>::max(),
              std::numeric_limits<std::int32_t>::min()})
            FUZZ_CHECK(clock.toMilliseconds(frame) == declaration.rate.toMilliseconds(frame));
    }
    // Nine digits fit "%d"; eighteen fit "%lld" and their power of ten.
    const auto digitCount =
        std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const bool point = text.find_first_of(".,") != std::string_view::npos;
    if (digitCount > (point ? 18 : 9) || text.size() > 20) return;
    const Expected expected = expectedDeclaration(text);
    FUZZ_CHECK((declaration.kind != FrameRateDeclaration::Kind::NotDeclaration) ==
               expected.declaration);
    FUZZ_CHECK((declaration.kind == FrameRateDeclaration::Kind::Rate) == expected.usable);
    if (expected.usable) FUZZ_CHECK(declaration.rate == expected.rate);
}

}  // namespace
}  // namespace Tork

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace Tork;
    std::string text(reinterpret_cast<const char*>(data), size);
    checkCode(text);
    checkLineCodes(text);
    FUZZ_CHECK(Testing::quickPathsDisagree(text).empty());
    checkBars(text);
    checkDeclaration(text);
    // Whatever the text around it, a rate line's rate is one a film plays at.
    if (const auto rate = parseRateLine(text)) {
        __extension__ using Wide = unsigned __int128;
        FUZZ_CHECK(Wide{rate->denominator} * 3 < rate->numerator &&
                   rate->numerator < Wide{rate->denominator} * 200);
    }
    LineSplitter lines(text.data(), text.size());
    std::size_t count = 0;
    while (const auto line = lines.next()) {
        FUZZ_CHECK(++count <= size);
        FUZZ_CHECK(line->length > 0);
        FUZZ_CHECK(line->view().find_first_of(std::string_view("\r\n\0", 3)) ==
                   std::string_view::npos);
        checkScan(line->view());
        const ScannedLine general = scanLine(line->view()), split = scanSplitLine(line->view());
        FUZZ_CHECK(split.conversions == general.conversions && split.start == general.start &&
                   split.end == general.end && split.text == general.text);
        // The groups read a word at a time against the scan that reads them a byte at a time.
        const ScannedLine full = scanSplitLineInFull(line->view());
        FUZZ_CHECK(split.conversions == full.conversions && split.start == full.start &&
                   split.end == full.end && split.text == full.text);
        checkLenientScan(line->view());
        checkCode(line->view());
        FUZZ_CHECK(Testing::quickPathsDisagree(line->view()).empty());
        checkDeclaration(line->view());
    }
    return 0;
}
