// The UTF codecs: the strict decoder, the one-sequence test, every path of the whole-text
// check and the lenient codec must agree on well-formed input, and no codec may write past
// the room it is given.
#include "fuzz/FuzzCheck.h"
#include "text/Utf.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace Tork {
namespace {

constexpr std::string_view kSignature = "\xEF\xBB\xBF";

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

std::u16string upToZero(std::u16string units) {
    return units.substr(0, units.find(u'\0'));
}

// The strict decoding of `text`, which must agree with isWellFormedUtf8 and stop where the
// one-sequence test fails.
std::u16string checkStrict(std::string_view text, bool wellFormed) {
    const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = begin + text.size();
    std::u16string units(text.size(), u'\0');  // never more units than bytes
    const unsigned char* source = begin;
    char16_t* target = units.data();
    const Utf8Decode result = decodeUtf8Strict(&source, end, &target, units.data() + units.size());
    FUZZ_CHECK(result != Utf8Decode::TargetFull);
    FUZZ_CHECK((result == Utf8Decode::Complete) == wellFormed);
    FUZZ_CHECK(isWellFormedUtf8(text.substr(0, static_cast<std::size_t>(source - begin))));
    if (result != Utf8Decode::Complete) FUZZ_CHECK(!isWellFormedUtf8Sequence(source, end));
    if (wellFormed) {
        for (const unsigned char* p = begin; p < end; ++p)
            FUZZ_CHECK(isWellFormedUtf8Sequence(p, end) == !isContinuation(*p));
    }
    units.resize(static_cast<std::size_t>(target - units.data()));
    return units;
}

void checkLenientAgrees(std::string_view text, std::u16string strict) {
    const bool signature = text.starts_with(kSignature);
    std::u16string units(text.size(), u'\0');
    bool hadSignature = !signature;
    const std::int32_t count =
        utf8ToUtf16(reinterpret_cast<const unsigned char*>(text.data()), text.size(), units.data(),
                    static_cast<std::int32_t>(units.size()), &hadSignature);
    FUZZ_CHECK(hadSignature == signature);
    if (signature) strict.erase(0, 1);  // the strict decoder keeps U+FEFF
    FUZZ_CHECK(count >= 0);
    units.resize(static_cast<std::size_t>(count));
    FUZZ_CHECK(units == strict);

    std::string bytes(strict.size() * 3 + kSignature.size(), '\0');
    const std::int32_t written =
        utf16ToUtf8(strict.data(), strict.size(), reinterpret_cast<unsigned char*>(bytes.data()),
                    static_cast<std::int32_t>(bytes.size()),
                    signature ? Utf8Signature::Write : Utf8Signature::Omit);
    FUZZ_CHECK(written >= 0);
    bytes.resize(static_cast<std::size_t>(written));
    FUZZ_CHECK(bytes == text);

    const std::string_view withoutSignature = signature ? text.substr(kSignature.size()) : text;
    const std::u16string wide = utf8ToWide(text);
    FUZZ_CHECK(wide == upToZero(strict));
    FUZZ_CHECK(wideToUtf8(wide) == withoutSignature.substr(0, withoutSignature.find('\0')));
}

// Codecs given less room than they need must stop inside it; ASan watches the edges.
void checkRoom(std::string_view text, std::size_t room) {
    std::vector<char16_t> units(room);
    const std::int32_t count =
        utf8ToUtf16(reinterpret_cast<const unsigned char*>(text.data()), text.size(), units.data(),
                    static_cast<std::int32_t>(room), nullptr);
    FUZZ_CHECK(count >= -1 && count <= static_cast<std::int32_t>(room));

    std::u16string wide(text.size() / 2, u'\0');
    std::memcpy(wide.data(), text.data(), wide.size() * 2);
    std::vector<unsigned char> bytes(room);
    const std::int32_t written = utf16ToUtf8(wide.data(), wide.size(), bytes.data(),
                                             static_cast<std::int32_t>(room), Utf8Signature::Write);
    FUZZ_CHECK(written >= -1 && written <= static_cast<std::int32_t>(room));
}

bool isWellFormedUtf16(std::u16string_view units) {
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i] >= 0xDC00 && units[i] <= 0xDFFF) return false;
        if (units[i] >= 0xD800 && units[i] <= 0xDBFF) {
            if (++i == units.size() || units[i] < 0xDC00 || units[i] > 0xDFFF) return false;
        }
    }
    return true;
}

// Well-formed UTF-16 goes to UTF-8 and back through the strict decoder unchanged.
void checkUtf16(std::string_view bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    std::memcpy(units.data(), bytes.data(), units.size() * 2);
    std::string text(units.size() * 3, '\0');
    const std::int32_t written =
        utf16ToUtf8(units.data(), units.size(), reinterpret_cast<unsigned char*>(text.data()),
                    static_cast<std::int32_t>(text.size()), Utf8Signature::Omit);
    if (!isWellFormedUtf16(units)) return;
    FUZZ_CHECK(written >= 0);
    text.resize(static_cast<std::size_t>(written));
    FUZZ_CHECK(isWellFormedUtf8(text));
    FUZZ_CHECK(checkStrict(text, true) == units);
}

}  // namespace
}  // namespace Tork

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace Tork;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool wellFormed = isWellFormedUtf8(text);
    const std::u16string strict = checkStrict(text, wellFormed);
    if (wellFormed) checkLenientAgrees(text, strict);

    const std::string repaired = replaceIllFormedUtf8(text);
    FUZZ_CHECK(isWellFormedUtf8(repaired));
    FUZZ_CHECK((repaired == text) == wellFormed);

    checkUtf16(text);
    if (size > 0) checkRoom(text.substr(1), data[0] % (size + 1));
    return 0;
}
