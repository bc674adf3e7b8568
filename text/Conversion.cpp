#include "text/Conversion.h"

#include <cstdint>
#include <limits>
#include <new>

namespace Tork {
namespace {

// Output room per input element, as ICU may expand; the largest input whose buffer length
// still fits ICU's 32-bit lengths.
constexpr std::size_t kRoomPerElement = 4;
constexpr std::size_t kMaxSource = (std::numeric_limits<std::int32_t>::max() - 1) / kRoomPerElement;

// One converter for one call, closed again on every path.
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

template <class Source>
bool acceptable(const char* converterName, Source source, const UCNVLibrary* library) {
    return converterName && source.data() && !source.empty() && source.size() <= kMaxSource &&
           library && library->usable();
}

}  // namespace

std::optional<std::u16string> convertToUTF16(const char* converterName, std::string_view source,
                                             const UCNVLibrary* library) noexcept {
    if (!acceptable(converterName, source, library)) return std::nullopt;
    try {
        std::u16string units(source.size() * kRoomPerElement, u'\0');
        const OpenConverter converter(*library, converterName);
        if (!converter.get()) return std::nullopt;
        char16_t* target = units.data();
        const char* from = source.data();
        std::int32_t status = 0;
        // Whatever ICU reports, the units it produced before stopping are the result.
        library->toUnicode(converter.get(), &target, units.data() + units.size(), &from,
                           source.data() + source.size(), nullptr, /*flush*/ true, &status);
        units.resize(static_cast<std::size_t>(target - units.data()));
        return units;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<std::string> convertFromUTF16(const char* converterName, std::u16string_view source,
                                            const UCNVLibrary* library) noexcept {
    if (!acceptable(converterName, source, library)) return std::nullopt;
    try {
        std::string bytes(source.size() * kRoomPerElement, '\0');
        const OpenConverter converter(*library, converterName);
        if (!converter.get()) return std::nullopt;
        char* target = bytes.data();
        const char16_t* from = source.data();
        std::int32_t status = 0;
        library->fromUnicode(converter.get(), &target, bytes.data() + bytes.size(), &from,
                             source.data() + source.size(), nullptr, /*flush*/ true, &status);
        bytes.resize(static_cast<std::size_t>(target - bytes.data()));
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::string convertToUTF8(const char* converterName, std::string_view source,
                          const UCNVLibrary* library) noexcept {
    const auto units = convertToUTF16(converterName, source, library);
    if (!units) return {};
    auto bytes = convertFromUTF16("utf8", *units, library);
    if (!bytes) return {};
    return std::move(*bytes);
}

}  // namespace Tork
