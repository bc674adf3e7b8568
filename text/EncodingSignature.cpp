#include "text/EncodingSignature.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace Tork {
namespace {

struct Signature {
    std::string_view lead;
    std::string_view lastByteChoices;  // empty: the lead is the whole signature
    const char* converterName;
};

// UTF-7's "+/v8" may end its base64 run at once: the "-" that says so belongs to the
// signature, or the text would begin with it.
constexpr std::string_view kUtf7Closed = "+/v8-";

// Tried in order: UTF-32LE's FF FE 00 00 must win over UTF-16LE's FF FE. The names are
// spelled as the converter library's alias matching expects them.
constexpr std::array<Signature, 9> kSignatures{{
    {{"\x00\x00\xFE\xFF", 4}, {}, "UTF32-BE"},
    {{"\xFF\xFE\x00\x00", 4}, {}, "UTF32-LE"},
    {"\xFE\xFF", {}, "UTF16-BE"},
    {"\xFF\xFE", {}, "UTF16-LE"},
    {"\xEF\xBB\xBF", {}, "UTF8"},
    {"+/v", "89+/", "UTF7"},
    {"\x0E\xFE\xFF", {}, "SCSU"},
    {"\xFB\xEE\x28", {}, "BOCU-1"},
    {"\x84\x31\x95\x33", {}, "GB-18030"},
}};

}  // namespace

std::int32_t detectEncodingSignature(const unsigned char* bytes, std::size_t count,
                                     String& nameOut) {
    if (!bytes) return 0;
    const std::string_view contents(reinterpret_cast<const char*>(bytes),
                                    std::min<std::size_t>(count, kUtf7Closed.size()));
    for (const Signature& signature : kSignatures) {
        const std::size_t length =
            signature.lead.size() + (signature.lastByteChoices.empty() ? 0 : 1);
        if (contents.size() < length || !contents.starts_with(signature.lead)) continue;
        if (!signature.lastByteChoices.empty() &&
            signature.lastByteChoices.find(contents[signature.lead.size()]) ==
                std::string_view::npos)
            continue;
        nameOut = String(signature.converterName, nameOut.allocator());
        return static_cast<std::int32_t>(contents.starts_with(kUtf7Closed) ? kUtf7Closed.size()
                                                                           : length);
    }
    return 0;
}

}  // namespace Tork
