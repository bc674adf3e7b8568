#include "text/Conversion.h"

#include "framework/OrOnException.h"
#include "scan/Scan.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Tork {
namespace {

// ICU's status when the target is full: the rest waits for another call, nothing is wrong.
constexpr std::int32_t kBufferOverflow = 15;
// The longest source that ICU takes in one call.
constexpr std::size_t kMaxSource = std::numeric_limits<std::int32_t>::max();
// UTF-16 units held between the two converters, and UTF-8 bytes handed on at a time: the
// only memory a conversion needs beyond its source and its result.
constexpr std::size_t kPivotUnits = 16 * 1024;
constexpr std::size_t kPieceBytes = 64 * 1024;

// One converter for one conversion, closed again on every path.
class OpenConverter {
public:
    OpenConverter(const UCNVLibrary& library, const char* name) noexcept : library_(library) {
        std::int32_t status = 0;
        converter_ = library.open(name, &status);
        // Only a positive status is an error; some converters open with a warning.
        if (converter_ && status > 0) {
            library.close(converter_);
            converter_ = nullptr;
        }
    }
    OpenConverter(const OpenConverter&) = delete;
    OpenConverter& operator=(const OpenConverter&) = delete;
    ~OpenConverter() { library_.close(converter_); }

    IcuConverter* get() const noexcept { return converter_; }

private:
    const UCNVLibrary& library_;
    IcuConverter* converter_ = nullptr;
};

// Hands `sink` the UTF-8 of `source` piece by piece until the source ends or `sink` answers
// false. False when no conversion could start. Whatever ICU reports, what it produced
// before stopping is the result. Throws std::bad_alloc when the pieces cannot be had.
template <class Sink>
bool convertInPieces(const char* converterName, std::string_view source, const UCNVLibrary* library,
                     Sink&& sink) {
    if (!converterName || !source.data() || source.empty() || source.size() > kMaxSource ||
        !library || !library->usable())
        return false;
    const OpenConverter decoder(*library, converterName);
    const OpenConverter encoder(*library, "utf8");
    if (!decoder.get() || !encoder.get()) return false;
    const auto pivot = std::make_unique_for_overwrite<char16_t[]>(kPivotUnits);
    const auto piece = std::make_unique_for_overwrite<char[]>(kPieceBytes);
    const char* from = source.data();
    for (bool more = true; more;) {
        char16_t* unitsEnd = pivot.get();
        std::int32_t status = 0;
        const char* const before = from;
        // The source is whole, so every call may flush; a full pivot only means "call again".
        library->toUnicode(decoder.get(), &unitsEnd, pivot.get() + kPivotUnits, &from,
                           source.data() + source.size(), nullptr, /*flush*/ true, &status);
        more = status == kBufferOverflow;
        // "Call again" with nothing read or written would be asked forever: the library is
        // bound at run time, and a stand-in or an odd build has said so for a cut character.
        if (more && from == before && unitsEnd == pivot.get()) return false;
        const char16_t* units = pivot.get();
        for (std::int32_t encoded = kBufferOverflow; encoded == kBufferOverflow;) {
            char* bytesEnd = piece.get();
            encoded = 0;
            library->fromUnicode(encoder.get(), &bytesEnd, piece.get() + kPieceBytes, &units,
                                 unitsEnd, nullptr, /*flush*/ !more, &encoded);
            const std::string_view bytes(piece.get(),
                                         static_cast<std::size_t>(bytesEnd - piece.get()));
            if (encoded == kBufferOverflow && bytes.empty()) return false;  // as above
            if (!bytes.empty() && !sink(bytes)) return true;
            if (encoded > 0 && encoded != kBufferOverflow) return true;
        }
    }
    return true;
}

// Well-formed UTF-16 becomes UTF-8 in one way only, so a text that a signature names
// UTF-16 and that is well-formed is converted here, in two passes over the source and
// none over pieces; anything else goes through ICU, whose substitutions stay the only ones.
class Utf16Source {
public:
    Utf16Source(std::string_view bytes, bool bigEndian) noexcept
        : bytes_(reinterpret_cast<const unsigned char*>(bytes.data())),
          units_(bytes.size() / 2),
          high_(bigEndian ? 0 : 1) {}

    // The UTF-8 length of the units; none when they are not well-formed, hold a zero or ICU
    // would see a stray byte at the end. Zeros are rare enough to leave to ICU.
    std::optional<std::uint64_t> utf8Length(bool oddLength) const noexcept {
        std::uint64_t length = 0;
        std::size_t i = 0;
        for (; i < units_; ++i) {
            if (const std::size_t run = asciiRun(i)) {
                length += run;
                i += run - 1;
                continue;
            }
            if (fourAscii(i)) {
                length += 4;
                i += 3;
                continue;
            }
            const char32_t unit = at(i);
            if (unit == 0) return std::nullopt;
            if (unit < 0x80) {
                length += 1;
            } else if (unit < 0x800) {
                length += 2;
            } else if (unit < 0xD800 || unit > 0xDFFF) {
                length += 3;
            } else if (unit <= 0xDBFF && i + 1 < units_ && at(i + 1) >= 0xDC00 &&
                       at(i + 1) <= 0xDFFF) {
                length += 4;
                ++i;
            } else {
                return std::nullopt;  // a surrogate without its other half
            }
        }
        if (oddLength) return std::nullopt;
        return length;
    }

    // Writes what utf8Length measured.
    void write(unsigned char* out, std::uint64_t length) const noexcept {
        unsigned char* const end = out + length;
        for (std::size_t i = 0; out < end; ++i) {
            if (const std::size_t run =
                    writeAsciiRun(i, out, static_cast<std::size_t>(end - out))) {
                out += run;
                i += run - 1;
                continue;
            }
            if (end - out >= 4) {
                if (const std::uint64_t word = fourAscii(i)) {
                    // The low byte of each unit, in order.
                    const auto bytes = static_cast<std::uint32_t>(
                        (word & 0xFF) | (word >> 8 & 0xFF00) | (word >> 16 & 0xFF0000) |
                        (word >> 24 & 0xFF000000));
                    std::memcpy(out, &bytes, sizeof bytes);
                    out += 4;
                    i += 3;
                    continue;
                }
            }
            char32_t unit = at(i);
            if (unit < 0x80) {
                *out++ = static_cast<unsigned char>(unit);
            } else if (unit < 0x800) {
                *out++ = static_cast<unsigned char>(0xC0 | unit >> 6);
                *out++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
            } else if (unit < 0xD800 || unit > 0xDFFF) {
                *out++ = static_cast<unsigned char>(0xE0 | unit >> 12);
                *out++ = static_cast<unsigned char>(0x80 | (unit >> 6 & 0x3F));
                *out++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
            } else {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (at(++i) - 0xDC00);
                *out++ = static_cast<unsigned char>(0xF0 | unit >> 18);
                *out++ = static_cast<unsigned char>(0x80 | (unit >> 12 & 0x3F));
                *out++ = static_cast<unsigned char>(0x80 | (unit >> 6 & 0x3F));
                *out++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
            }
        }
    }

private:
    // The four units from `i` on as a little-endian word, when there are four and all are
    // ASCII but zero; else 0. Subtitle text is mostly ASCII.
    std::uint64_t fourAscii(std::size_t i) const noexcept {
        if constexpr (std::endian::native != std::endian::little) return 0;
        if (units_ - i < 4) return 0;
        std::uint64_t word;
        std::memcpy(&word, bytes_ + 2 * i, sizeof word);
        if (high_ == 0)
            word = (word >> 8 & 0x00FF00FF00FF00FFu) | (word & 0x00FF00FF00FF00FFu) << 8;
        if (word & 0xFF80FF80FF80FF80u) return 0;
        // Below 0x80 each, a unit is not zero where adding 0x7F reaches its bit 7.
        constexpr std::uint64_t kBit7 = 0x0080008000800080u;
        return ((word + 0x007F007F007F007Fu) & kBit7) == kBit7 ? word : 0;
    }

    // How many little-endian units from `i` on lead in groups of eight that are all ASCII
    // but zero.
    std::size_t asciiRun(std::size_t i) const noexcept {
        return high_ != 0 ? Scan::asciiUnits(bytes_ + 2 * i, units_ - i) : 0;
    }
    // asciiRun, within `room` bytes, those units written as bytes at `out`.
    std::size_t writeAsciiRun(std::size_t i, unsigned char* out, std::size_t room) const noexcept {
        return high_ != 0 ? Scan::narrowAsciiUnits(bytes_ + 2 * i, std::min(units_ - i, room), out)
                          : 0;
    }

    char32_t at(std::size_t i) const noexcept {
        return static_cast<char32_t>(bytes_[2 * i + high_] << 8 | bytes_[2 * i + 1 - high_]);
    }

    const unsigned char* bytes_;
    std::size_t units_;
    std::size_t high_;  // which byte of a unit is its high one
};

// The names the signature check gives UTF-16.
std::optional<bool> utf16BigEndian(const char* converterName) {
    if (!converterName) return std::nullopt;
    const std::string_view name(converterName);
    if (name == "UTF16-LE") return false;
    if (name == "UTF16-BE") return true;
    return std::nullopt;
}

}  // namespace

std::string convertToUTF8(const char* converterName, std::string_view source,
                          const UCNVLibrary* library) {
    try {
        std::string text;
        const auto append = [&text](std::string_view bytes) {
            text.append(bytes);
            return true;
        };
        if (!convertInPieces(converterName, source, library, append)) return {};
        return text;
    } catch (...) {
        rethrowIfForeign();
        return {};  // out of memory
    }
}

bool convertTextToUTF8(const char* converterName, std::string_view source, String& out,
                       const UCNVLibrary* library) {
    try {
        constexpr std::uint64_t kMaxLength = std::numeric_limits<std::uint32_t>::max() - 1;
        // Only where ICU is there to do it otherwise: a system without it fails alike.
        const auto bigEndian = utf16BigEndian(converterName);
        if (bigEndian && library && library->usable() && source.data() && !source.empty() &&
            source.size() <= kMaxSource) {
            const Utf16Source units(source, *bigEndian);
            const auto length = units.utf8Length(source.size() % 2 != 0);
            if (length && (*length == 0 || *length > kMaxLength)) return false;
            if (length) {
                String text(out.allocator());
                text.resizeForOverwrite(static_cast<std::uint32_t>(*length));
                units.write(text.data(), *length);
                out = std::move(text);
                return true;
            }
        }
        std::uint64_t length = 0;
        bool startsWithZero = false;
        std::vector<std::string> pieces;
        const auto keep = [&](std::string_view bytes) {
            startsWithZero |= length == 0 && bytes.front() == '\0';
            length += bytes.size();
            if (length > kMaxLength) return false;
            pieces.emplace_back(bytes);
            return true;
        };
        if (!convertInPieces(converterName, source, library, keep) || length == 0 ||
            startsWithZero || length > kMaxLength)
            return false;

        String text(out.allocator());
        text.resizeForOverwrite(static_cast<std::uint32_t>(length));
        unsigned char* at = text.data();
        for (std::string& piece : pieces) {
            std::memcpy(at, piece.data(), piece.size());
            at += piece.size();
            std::string().swap(piece);  // freed as it goes
        }
        out = std::move(text);
        return true;
    } catch (...) {
        rethrowIfForeign();
        return false;  // out of memory
    }
}

}  // namespace Tork
