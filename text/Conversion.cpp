#include "text/Conversion.h"

#include "framework/OrOnException.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
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
        // The source is whole, so every call may flush; a full pivot only means "call again".
        library->toUnicode(decoder.get(), &unitsEnd, pivot.get() + kPivotUnits, &from,
                           source.data() + source.size(), nullptr, /*flush*/ true, &status);
        more = status == kBufferOverflow;
        const char16_t* units = pivot.get();
        for (std::int32_t encoded = kBufferOverflow; encoded == kBufferOverflow;) {
            char* bytesEnd = piece.get();
            encoded = 0;
            library->fromUnicode(encoder.get(), &bytesEnd, piece.get() + kPieceBytes, &units,
                                 unitsEnd, nullptr, /*flush*/ !more, &encoded);
            const std::string_view bytes(piece.get(),
                                         static_cast<std::size_t>(bytesEnd - piece.get()));
            if (!bytes.empty() && !sink(bytes)) return true;
            if (encoded > 0 && encoded != kBufferOverflow) return true;
        }
    }
    return true;
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
    } catch (const ThreadCancellation&) {
        throw;
    } catch (...) {
        return {};  // out of memory
    }
}

bool convertTextToUTF8(const char* converterName, std::string_view source, String& out,
                       const UCNVLibrary* library) {
    try {
        constexpr std::uint64_t kMaxLength = std::numeric_limits<std::uint32_t>::max() - 1;
        std::uint64_t length = 0;
        std::vector<std::string> pieces;
        const auto keep = [&](std::string_view bytes) {
            const std::size_t zero = bytes.find('\0');
            bytes = bytes.substr(0, zero);
            length += bytes.size();
            if (length > kMaxLength) return false;
            pieces.emplace_back(bytes);
            return zero == std::string_view::npos;
        };
        if (!convertInPieces(converterName, source, library, keep) || length == 0 ||
            length > kMaxLength)
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
    } catch (const ThreadCancellation&) {
        throw;
    } catch (...) {
        return false;  // out of memory
    }
}

}  // namespace Tork
