// Charset detection: ICU's candidates read through the converters and weighed.
#include "text/CharsetDetection.h"

#include "text/Conversion.h"
#include "text/UCNVLibrary.h"
#include "text/UCSDetLibrary.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace Tork {
namespace {

constexpr std::pair<std::string_view, std::string_view> kSiblings[] = {
    {"ISO-8859-2", "windows-1250"},   {"ISO-8859-7", "windows-1253"},
    {"ISO-8859-9", "windows-1254"},   {"ISO-8859-8", "windows-1255"},
    {"ISO-8859-8-I", "windows-1255"}, {"ISO-8859-6", "windows-1256"},
};

}  // namespace

std::string_view readableCharset(std::string_view detected) noexcept {
    return detected == "ISO-8859-1" ? "windows-1252" : detected;
}

std::optional<CharsetChoice> detectCharset(std::string_view text, const UCSDetLibrary& detector,
                                           const UCNVLibrary* converters) noexcept {
    try {
        const std::string_view sample = text.substr(0, UCSDetLibrary::kMaxSample);
        std::vector<CharsetCandidate> candidates;
        const auto offer = [&](std::string name, std::int32_t confidence) {
            // Only what may be chosen costs a conversion.
            if (!isCharsetAdmissible(sample, name, confidence)) return;
            std::string decoded =
                convertToUTF8(std::string(readableCharset(name)).c_str(), sample, converters);
            candidates.push_back({std::move(name), confidence, std::move(decoded)});
        };
        for (DetectedCharset& detected : detector.detect(sample)) {
            offer(detected.name, detected.confidence);
            // ICU names the ISO encoding whenever no byte is in 0x80-0x9F, though its
            // Windows sibling puts some letters elsewhere (Ą, Ś and Ź; Greek's Ά): the
            // sibling is offered after it, at its confidence, for the letters to decide.
            for (const auto& [iso, windows] : kSiblings)
                if (detected.name == iso) offer(std::string(windows), detected.confidence);
        }
        return chooseCharset(sample, candidates);
    } catch (...) {
        return std::nullopt;  // out of memory
    }
}

}  // namespace Tork
