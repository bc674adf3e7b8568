// A stand-in for ICU: Latin-1, UTF-8, UTF-16, UTF-32 and (the letters the tests use of)
// windows-1250 converters that count what is opened, and a charset detector that names what
// the first line it is shown lists ("none" finds nothing, "error" fails), a confidence not
// given being the KiB it was shown. Built several times with other function-name suffixes or a
// function left out.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#define FAKE_ICU_JOIN2(name, suffix) name##suffix
#define FAKE_ICU_JOIN(name, suffix) FAKE_ICU_JOIN2(name, suffix)
#define FAKE_ICU(name) FAKE_ICU_JOIN(name, FAKE_ICU_SUFFIX)
#define FAKE_ICU_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum class Converter { Latin1, Windows1250, Utf8, Utf16Le, Utf16Be, Utf32Le, Utf32Be, Stuck };

// "fake-latin1" opens cleanly, "fake-warning" with a warning, "fake-error" hands out a
// converter together with an error, "fake-stuck" asks to be called again without moving;
// "utf8" is the target of every chained conversion.
const struct {
    const char* name;
    Converter converter;
    std::int32_t status;
} named[] = {
    {"fake-latin1", Converter::Latin1, 0},
    {"fake-warning", Converter::Latin1, -128},
    {"fake-error", Converter::Latin1, 2},
    {"ISO-8859-1", Converter::Latin1, 0},
    {"fake-stuck", Converter::Stuck, 0},
    {"windows-1252", Converter::Latin1, 0},  // what a detected ISO-8859-1 is read as
    {"utf8", Converter::Utf8, 0},
    {"UTF8", Converter::Utf8, 0},
    {"UTF-8", Converter::Utf8, 0},
    {"UTF16-LE", Converter::Utf16Le, 0},
    {"UTF16-BE", Converter::Utf16Be, 0},
    {"UTF32-LE", Converter::Utf32Le, 0},
    {"UTF32-BE", Converter::Utf32Be, 0},
    {"windows-1250", Converter::Windows1250, 0},
    {"UTF-16LE", Converter::Utf16Le, 0},  // as the detector names it
};
int openConverters = 0;
int openCalls = 0;
int nullNames = 0;
long largestTarget = 0;  // the most UTF-16 units one call may write

// The next character of the source (UTF-16 unit by unit), or -1 when it ends inside one.
std::int64_t next(Converter converter, const unsigned char*& s, const unsigned char* end) {
    static constexpr std::int64_t letters1250[][2] = {{0x8A, 0x160}, {0x8D, 0x164}, {0x8E, 0x17D},
                                                      {0x9A, 0x161}, {0x9D, 0x165}, {0x9E, 0x17E}};
    const bool little = converter == Converter::Utf16Le || converter == Converter::Utf32Le;
    const int width = converter == Converter::Utf16Le || converter == Converter::Utf16Be   ? 2
                      : converter == Converter::Utf32Le || converter == Converter::Utf32Be ? 4
                      : converter != Converter::Utf8 || *s < 0xC0                          ? 1
                      : *s < 0xE0                                                          ? 2
                      : *s < 0xF0                                                          ? 3
                                                                                           : 4;
    if (end - s < width) return -1;
    std::int64_t c = 0;
    for (int i = 0; i < width; ++i) {
        const unsigned char byte = s[little ? width - 1 - i : i];
        c = converter != Converter::Utf8 ? c << 8 | byte
            : i == 0                     ? byte & (0x7F >> (width - 1 + (width > 1)))
                                         : c << 6 | (byte & 0x3F);
    }
    s += width;
    for (const auto& letter : letters1250)
        if (converter == Converter::Windows1250 && c == letter[0]) c = letter[1];
    return c;
}

}  // namespace

FAKE_ICU_EXPORT int fakeIcuOpenConverters() {
    return openConverters;
}
FAKE_ICU_EXPORT int fakeIcuOpenCalls() {
    return openCalls;
}
FAKE_ICU_EXPORT int fakeIcuNullNames() {
    return nullNames;
}
FAKE_ICU_EXPORT int fakeIcuLargestTarget() {
    return static_cast<int>(largestTarget);
}

FAKE_ICU_EXPORT const Converter* FAKE_ICU(ucnv_open)(const char* name, std::int32_t* status) {
    ++openCalls;
    if (*status > 0) return nullptr;
    if (!name) ++nullNames;
    for (const auto& entry : named) {
        if (!name || std::strcmp(name, entry.name) != 0) continue;
        *status = entry.status;
        ++openConverters;
        return &entry.converter;
    }
    *status = 4;
    return nullptr;
}

FAKE_ICU_EXPORT void FAKE_ICU(ucnv_close)(const Converter* converter) {
    if (converter) --openConverters;
}

FAKE_ICU_EXPORT void FAKE_ICU(ucnv_toUnicode)(const Converter* converter, char16_t** target,
                                              const char16_t* targetLimit, const char** source,
                                              const char* sourceLimit, std::int32_t*, std::int8_t,
                                              std::int32_t* status) {
    if (targetLimit - *target > largestTarget) largestTarget = targetLimit - *target;
    if (*converter == Converter::Stuck) {
        *status = 15;
        return;
    }
    auto* s = reinterpret_cast<const unsigned char*>(*source);
    const auto* end = reinterpret_cast<const unsigned char*>(sourceLimit);
    while (s < end && *target < targetLimit) {
        const unsigned char* start = s;
        const std::int64_t c = next(*converter, s, end);
        if (c < 0 || (c >= 0x10000 && targetLimit - *target < 2)) {
            s = start;
            break;
        }
        if (c >= 0x10000) *(*target)++ = static_cast<char16_t>(0xD7C0 + (c >> 10));
        *(*target)++ = static_cast<char16_t>(c >= 0x10000 ? 0xDC00 | (c & 0x3FF) : c);
    }
    *source = reinterpret_cast<const char*>(s);
    // A character cut by the end of a flushed source is ICU's U_TRUNCATED_CHAR_FOUND (11),
    // not a full target.
    if (s < end) *status = *target < targetLimit ? 11 : 15;
}

#ifndef FAKE_ICU_WITHOUT_FROM_UNICODE
FAKE_ICU_EXPORT void FAKE_ICU(ucnv_fromUnicode)(const Converter* converter, char** target,
                                                const char* targetLimit, const char16_t** source,
                                                const char16_t* sourceLimit, std::int32_t*,
                                                std::int8_t, std::int32_t* status) {
    while (*source < sourceLimit) {
        std::int64_t c = **source;
        const bool pair = c >= 0xD800 && c < 0xDC00 && sourceLimit - *source > 1;
        if (pair) c = 0x10000 + ((c - 0xD800) << 10) + ((*source)[1] - 0xDC00);
        const int length = *converter != Converter::Utf8 || c < 0x80 ? 1
                           : c < 0x800                               ? 2
                           : c < 0x10000                             ? 3
                                                                     : 4;
        if (targetLimit - *target < length) {
            *status = 15;
            return;
        }
        static constexpr unsigned char leads[] = {0, 0, 0xC0, 0xE0, 0xF0};
        *(*target)++ = static_cast<char>(length == 1 ? c : leads[length] | c >> 6 * (length - 1));
        for (int i = length - 2; i >= 0; --i)
            *(*target)++ = static_cast<char>(0x80 | ((c >> 6 * i) & 0x3F));
        *source += pair ? 2 : 1;
    }
}
#endif

struct Match {
    std::string name;
    std::int32_t confidence;
};

struct Detector {
    std::vector<Match> matches;
    std::vector<const Match*> found;
    bool error = false;
};

FAKE_ICU_EXPORT Detector* FAKE_ICU(ucsdet_open)(std::int32_t*) {
    return new Detector;
}
FAKE_ICU_EXPORT void FAKE_ICU(ucsdet_close)(Detector* detector) {
    delete detector;
}
// The first line lists the matches, best first: "NAME CONFIDENCE,NAME,...".
FAKE_ICU_EXPORT void FAKE_ICU(ucsdet_setText)(Detector* detector, const char* text,
                                              std::int32_t length, std::int32_t*) {
    const std::string_view all(text, static_cast<std::size_t>(length));
    std::string_view line = all.substr(0, all.find('\n'));
    *detector = {};
    // Text may follow a confidence on the line, after a blank.
    while (!line.empty()) {
        const std::string_view item = line.substr(0, line.find(','));
        line.remove_prefix(std::min(line.size(), item.size() + 1));
        const auto blank = item.find(' ');
        const std::string name(item.substr(0, blank));
        if (name == "none") break;
        detector->error = name == "error";
        if (detector->error) break;
        const std::int32_t confidence =
            blank == std::string_view::npos
                ? length / 1024
                : std::atoi(std::string(item.substr(blank + 1)).c_str());
        detector->matches.push_back({name, confidence});
    }
    for (const Match& match : detector->matches) detector->found.push_back(&match);
}
FAKE_ICU_EXPORT const Match** FAKE_ICU(ucsdet_detectAll)(Detector* detector, std::int32_t* count,
                                                         std::int32_t* status) {
    if (detector->error) *status = 2;
    *count = static_cast<std::int32_t>(detector->found.size());
    return *count == 0 || *status > 0 ? nullptr : detector->found.data();
}
FAKE_ICU_EXPORT const char* FAKE_ICU(ucsdet_getName)(const Match* match, std::int32_t*) {
    return match->name.c_str();
}
FAKE_ICU_EXPORT std::int32_t FAKE_ICU(ucsdet_getConfidence)(const Match* match, std::int32_t*) {
    return match->confidence;
}
