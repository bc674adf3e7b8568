#include "text/Utf.h"

#include "scan/Scan.h"
#include "scan/Utf8Sequence.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace Tork {
namespace {

// What stands in for each maximal ill-formed part: U+FFFD.
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

constexpr auto kMaxUnits = std::numeric_limits<std::int32_t>::max();

// Continuation bytes that a lead byte announces, as the strict decoder counts them.
int continuationCount(unsigned char lead) noexcept {
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 1;
    if (lead < 0xF0) return 2;
    if (lead < 0xF8) return 3;
    if (lead < 0xFC) return 4;
    return 5;
}

// The scalar value of a sequence that Utf8Sequence::measure accepted.
char32_t decodeSequence(const unsigned char* p, int length) noexcept {
    static constexpr unsigned char leadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t value = p[0] & leadMask[length];
    for (int i = 1; i < length; ++i) value = (value << 6) | (p[i] & 0x3F);
    return value;
}

}  // namespace

Utf8Decode decodeUtf8Strict(const unsigned char** source, const unsigned char* sourceEnd,
                            char16_t** target, char16_t* targetEnd) noexcept {
    const unsigned char* s = *source;
    char16_t* t = *target;
    Utf8Decode result = Utf8Decode::Complete;
    while (s < sourceEnd) {
        const int more = continuationCount(*s);
        if (sourceEnd - s <= more) {
            result = Utf8Decode::Truncated;
            break;
        }
        if (Utf8Sequence::measure(s, more + 1) != more + 1) {
            result = Utf8Decode::IllFormed;
            break;
        }
        const char32_t value = decodeSequence(s, more + 1);
        if (value < 0x10000) {
            if (t >= targetEnd) {
                result = Utf8Decode::TargetFull;
                break;
            }
            *t++ = static_cast<char16_t>(value);
        } else {
            if (targetEnd - t < 2) {
                result = Utf8Decode::TargetFull;
                break;
            }
            *t++ = static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
            *t++ = static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
        }
        s += more + 1;
    }
    *source = s;
    *target = t;
    return result;
}

bool isWellFormedUtf8Sequence(const unsigned char* start, const unsigned char* end) noexcept {
    if (!start || !end || end <= start) return false;
    const int length = 1 + continuationCount(*start);
    if (end - start < length) return false;
    return Utf8Sequence::measure(start, static_cast<std::size_t>(length)) == length;
}

int measureUtf8Sequence(std::string_view text) noexcept {
    return Utf8Sequence::measure(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

bool isWellFormedUtf8(std::string_view text) noexcept {
    return Scan::isWellFormedUtf8(text);
}

Utf8Census countUtf8Sequences(std::string_view text) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    Utf8Census census;
    for (std::size_t i = 0; i < text.size();) {
        // Detection asks this of every legacy file whole: its ASCII passes a block at a time.
        i = Scan::asciiRun(text, i);
        if (i == text.size()) break;
        const int length = Utf8Sequence::measure(p + i, text.size() - i);
        if (length > 1) ++census.multiByte;
        if (length < 0) ++census.illFormed;
        i += static_cast<std::size_t>(length < 0 ? -length : length);
    }
    return census;
}

std::size_t repairedUtf8Length(std::string_view text, std::size_t* replaced) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size();) {
        const int measured = Utf8Sequence::measure(p + i, text.size() - i);
        length += measured > 0 ? static_cast<std::size_t>(measured) : kReplacement.size();
        if (measured < 0 && replaced) ++*replaced;
        i += static_cast<std::size_t>(measured < 0 ? -measured : measured);
    }
    return length;
}

void writeRepairedUtf8(std::string_view text, char* out) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t copied = 0;
    for (std::size_t i = 0; i < text.size();) {
        const int length = Utf8Sequence::measure(p + i, text.size() - i);
        if (length > 0) {
            i += static_cast<std::size_t>(length);
            continue;
        }
        out = std::copy(text.begin() + copied, text.begin() + i, out);
        out = std::copy(kReplacement.begin(), kReplacement.end(), out);
        i += static_cast<std::size_t>(-length);
        copied = i;
    }
    std::copy(text.begin() + copied, text.end(), out);
}

std::string replaceIllFormedUtf8(std::string_view text, std::size_t* replaced) {
    std::string result(repairedUtf8Length(text, replaced), '\0');
    writeRepairedUtf8(text, result.data());
    return result;
}

std::int32_t utf8ToUtf16(const unsigned char* source, std::size_t length, char16_t* target,
                         std::int32_t capacity, bool* hadSignature) noexcept {
    const bool signature =
        length >= 3 && source[0] == 0xEF && source[1] == 0xBB && source[2] == 0xBF;
    if (hadSignature) *hadSignature = signature;
    std::int32_t written = 0;
    for (std::size_t i = signature ? 3 : 0; i < length;) {
        const unsigned char lead = source[i++];
        char32_t value;
        int more;
        if (lead < 0x80) {
            value = lead;
            more = 0;
        } else if (lead < 0xC0) {
            return -1;
        } else if (lead < 0xE0) {
            value = lead & 0x1F;
            more = 1;
        } else if (lead < 0xF0) {
            value = lead & 0x0F;
            more = 2;
        } else if (lead < 0xF8) {
            value = lead & 0x07;
            more = 3;
        } else {
            return -1;
        }
        for (; more > 0; --more) {
            if (i >= length || (source[i] & 0xC0) != 0x80) return -1;
            value = (value << 6) | (source[i++] & 0x3F);
        }
        if (value < 0x10000) {
            if (written >= capacity) return -1;
            target[written++] = static_cast<char16_t>(value);
        } else if (value < 0x110000) {
            if (capacity - written < 2) return -1;
            target[written++] = static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
            target[written++] = static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
        } else {
            return -1;
        }
    }
    return written;
}

std::int32_t utf16ToUtf8(const char16_t* source, std::size_t length, unsigned char* target,
                         std::int32_t capacity, Utf8Signature signature) noexcept {
    std::int32_t written = 0;
    const auto put = [&](char32_t byte) {
        if (written >= capacity) return false;
        target[written++] = static_cast<unsigned char>(byte);
        return true;
    };
    if (signature == Utf8Signature::Write && !(put(0xEF) && put(0xBB) && put(0xBF))) return -1;
    for (std::size_t i = 0; i < length;) {
        char32_t value = source[i++];
        if (value >= 0xD800 && value <= 0xDBFF) {
            if (i >= length || source[i] < 0xDC00 || source[i] > 0xDFFF) return -1;
            value = 0x10000 + (((value & 0x3FF) << 10) | (source[i++] & 0x3FF));
        }
        bool fits;
        if (value < 0x80) {
            fits = put(value);
        } else if (value < 0x800) {
            fits = put(0xC0 | (value >> 6)) && put(0x80 | (value & 0x3F));
        } else if (value < 0x10000) {
            fits = put(0xE0 | (value >> 12)) && put(0x80 | ((value >> 6) & 0x3F)) &&
                   put(0x80 | (value & 0x3F));
        } else {
            fits = put(0xF0 | (value >> 18)) && put(0x80 | ((value >> 12) & 0x3F)) &&
                   put(0x80 | ((value >> 6) & 0x3F)) && put(0x80 | (value & 0x3F));
        }
        if (!fits) return -1;
    }
    return written;
}

std::u16string utf8ToWide(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(kMaxUnits)) return {};
    // Never more units than bytes.
    std::u16string wide(text.size(), u'\0');
    const std::int32_t units =
        utf8ToUtf16(reinterpret_cast<const unsigned char*>(text.data()), text.size(), wide.data(),
                    static_cast<std::int32_t>(text.size()), nullptr);
    if (units < 0) return {};
    wide.resize(static_cast<std::size_t>(units));
    wide.resize(std::min(wide.find(u'\0'), wide.size()));
    return wide;
}

std::string wideToUtf8(std::u16string_view text) {
    if (text.size() > static_cast<std::size_t>(kMaxUnits / 3)) return {};
    // Never more than three bytes a unit: a surrogate pair takes four for two.
    std::string bytes(text.size() * 3, '\0');
    const std::int32_t count =
        utf16ToUtf8(text.data(), text.size(), reinterpret_cast<unsigned char*>(bytes.data()),
                    static_cast<std::int32_t>(bytes.size()), Utf8Signature::Omit);
    if (count < 0) return {};
    bytes.resize(static_cast<std::size_t>(count));
    bytes.resize(std::min(bytes.find('\0'), bytes.size()));
    return bytes;
}

}  // namespace Tork
