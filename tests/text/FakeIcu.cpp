// A stand-in for ICU: Latin-1 and UTF-8 converters that count what is opened, and a charset
// detector that names what the text's first line spells ("none" finds nothing, "error"
// fails), its confidence the KiB it was shown. Built several times with other
// function-name suffixes or a function left out.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#define FAKE_ICU_JOIN2(name, suffix) name##suffix
#define FAKE_ICU_JOIN(name, suffix) FAKE_ICU_JOIN2(name, suffix)
#define FAKE_ICU(name) FAKE_ICU_JOIN(name, FAKE_ICU_SUFFIX)
#define FAKE_ICU_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Converter {
    bool utf8;
};

Converter latin1{false};
Converter utf8{true};
int openConverters = 0;
int openCalls = 0;
int nullNames = 0;
long largestTarget = 0;  // the most UTF-16 units one call may write

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

// "fake-latin1" opens cleanly, "fake-warning" with a warning, "fake-error" hands out a
// converter together with an error; "utf8" is the target of every chained conversion.
FAKE_ICU_EXPORT Converter* FAKE_ICU(ucnv_open)(const char* name, std::int32_t* status) {
    ++openCalls;
    if (*status > 0) return nullptr;
    if (!name) ++nullNames;
    Converter* converter = nullptr;
    if (name && std::strcmp(name, "fake-latin1") == 0) {
        converter = &latin1;
    } else if (name && std::strcmp(name, "windows-1252") == 0) {
        converter = &latin1;  // what a detected ISO-8859-1 is read as
    } else if (name && std::strcmp(name, "fake-warning") == 0) {
        converter = &latin1;
        *status = -128;
    } else if (name && std::strcmp(name, "fake-error") == 0) {
        converter = &latin1;
        *status = 2;
    } else if (name && std::strcmp(name, "utf8") == 0) {
        converter = &utf8;
    } else {
        *status = 4;
    }
    if (converter) ++openConverters;
    return converter;
}

FAKE_ICU_EXPORT void FAKE_ICU(ucnv_close)(Converter* converter) {
    if (converter) --openConverters;
}

FAKE_ICU_EXPORT void FAKE_ICU(ucnv_toUnicode)(Converter*, char16_t** target,
                                              const char16_t* targetLimit, const char** source,
                                              const char* sourceLimit, std::int32_t*, std::int8_t,
                                              std::int32_t* status) {
    if (targetLimit - *target > largestTarget) largestTarget = targetLimit - *target;
    while (*source < sourceLimit && *target < targetLimit)
        *(*target)++ = static_cast<unsigned char>(*(*source)++);
    if (*source < sourceLimit) *status = 15;  // buffer overflow
}

#ifndef FAKE_ICU_WITHOUT_FROM_UNICODE
FAKE_ICU_EXPORT void FAKE_ICU(ucnv_fromUnicode)(Converter* converter, char** target,
                                                const char* targetLimit, const char16_t** source,
                                                const char16_t* sourceLimit, std::int32_t*,
                                                std::int8_t, std::int32_t* status) {
    while (*source < sourceLimit) {
        const char16_t unit = **source;
        const int length = !converter->utf8 || unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
        if (targetLimit - *target < length) {
            *status = 15;
            return;
        }
        if (length == 1) {
            *(*target)++ = static_cast<char>(unit);
        } else if (length == 2) {
            *(*target)++ = static_cast<char>(0xC0 | (unit >> 6));
            *(*target)++ = static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            *(*target)++ = static_cast<char>(0xE0 | (unit >> 12));
            *(*target)++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            *(*target)++ = static_cast<char>(0x80 | (unit & 0x3F));
        }
        ++*source;
    }
}
#endif

struct Detector {
    std::string firstLine;
    std::int32_t length;
};

FAKE_ICU_EXPORT Detector* FAKE_ICU(ucsdet_open)(std::int32_t*) {
    return new Detector;
}
FAKE_ICU_EXPORT void FAKE_ICU(ucsdet_close)(Detector* detector) {
    delete detector;
}
FAKE_ICU_EXPORT void FAKE_ICU(ucsdet_setText)(Detector* detector, const char* text,
                                              std::int32_t length, std::int32_t*) {
    const std::string_view all(text, static_cast<std::size_t>(length));
    *detector = {std::string(all.substr(0, all.find('\n'))), length};
}
FAKE_ICU_EXPORT const Detector* FAKE_ICU(ucsdet_detect)(Detector* detector, std::int32_t* status) {
    if (detector->firstLine == "error") *status = 2;
    return detector->firstLine == "none" || *status > 0 ? nullptr : detector;
}
FAKE_ICU_EXPORT const char* FAKE_ICU(ucsdet_getName)(const Detector* match, std::int32_t*) {
    return match->firstLine.c_str();
}
FAKE_ICU_EXPORT std::int32_t FAKE_ICU(ucsdet_getConfidence)(const Detector* match, std::int32_t*) {
    return match->length / 1024;
}
