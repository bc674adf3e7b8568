#include "microdvd/LineScanner.h"

#include "text/Ascii.h"

#include <limits>

namespace Tork {
namespace {

using Ascii::isBlank;
using Ascii::isDigit;

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Takes `c` after any blanks; false, with `text` left anywhere, when something else stands.
bool take(std::string_view& text, char c) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

bool scanInt32(std::string_view& text, std::int32_t& value) {
    // Bare digits, nearly every number of a file: nine of them cannot overflow.
    std::size_t digits = 0;
    std::int32_t plain = 0;
    for (; digits < text.size() && digits < 9 && isDigit(text[digits]); ++digits)
        plain = plain * 10 + (text[digits] - '0');
    if (digits > 0 && (digits == text.size() || !isDigit(text[digits]))) {
        value = plain;
        text.remove_prefix(digits);
        return true;
    }
    std::size_t i = 0;
    while (i < text.size() && Ascii::isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size() || !isDigit(text[i])) return false;
    // Accumulate towards the limit of the sign's side, then clamp.
    const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                        : std::int64_t{std::numeric_limits<std::int32_t>::max()};
    std::int64_t magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        if (magnitude <= limit) magnitude = magnitude * 10 + (text[i] - '0');
    }
    if (magnitude > limit) magnitude = limit;
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    text.remove_prefix(i);
    return true;
}

ScannedLine scanSplitLineInFull(std::string_view line) {
    ScannedLine result;
    std::string_view rest = line;
    // Each group: '{' must stand right here, then a number, then '}'.
    for (std::int32_t* target : {&result.start, &result.end}) {
        if (rest.empty()) {
            if (result.conversions == 0) result.conversions = -1;
            return result;
        }
        if (rest.front() != '{') return result;
        rest.remove_prefix(1);
        std::string_view afterSpace = rest;
        while (!afterSpace.empty() && Ascii::isSpace(afterSpace.front()))
            afterSpace.remove_prefix(1);
        if (afterSpace.empty()) {
            if (result.conversions == 0) result.conversions = -1;
            return result;
        }
        if (!scanInt32(rest, *target)) return result;
        ++result.conversions;
        if (rest.empty() || rest.front() != '}') return result;
        rest.remove_prefix(1);
    }
    result.text = rest;
    if (!result.text.empty()) ++result.conversions;
    return result;
}

LenientLine scanLenientLine(std::string_view line) {
    LenientLine result;
    // Nearly every line is "{digits}{digits}text", which reads here as by default.
    std::int32_t startFrame = 0, endFrame = 0;
    if (LineScannerDetail::bareFramesLine(line, startFrame, endFrame, result.text)) {
        result.shape = LenientLine::Shape::Frames;
        result.start = startFrame;
        result.end = endFrame;
        return result;
    }
    // A signature left in the text (files joined, or its reading switched off) stands for
    // nothing.
    if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    std::string_view rest = trimBlanks(line);
    if (rest.empty()) {
        result.shape = LenientLine::Shape::Blank;
        return result;
    }
    if (!take(rest, '{') || !scanInt32(rest, result.start) || !take(rest, '}') || !take(rest, '{'))
        return result;
    if (!take(rest, '}')) {
        std::int32_t end = 0;
        if (!scanInt32(rest, end) || !take(rest, '}')) return result;
        result.end = end;
    }
    result.shape = LenientLine::Shape::Frames;
    result.text = trimBlanks(rest);
    return result;
}

ScannedLine scanLine(std::string_view line) {
    ScannedLine result = scanSplitLine(line.substr(0, line.find('\0')));
    if (result.conversions == 3) {
        result.text = result.text.substr(0, result.text.find_first_of("\r\n"));
        if (result.text.empty()) result.conversions = 2;
    }
    return result;
}

}  // namespace Tork
