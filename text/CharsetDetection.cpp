// Charset detection: ICU's candidates read through the converters and weighed.
#include "text/CharsetDetection.h"

#include "text/Conversion.h"
#include "text/UCNVLibrary.h"
#include "text/UCSDetLibrary.h"

#include <algorithm>
#include <string>
#include <vector>

namespace Tork {

std::string_view readableCharset(std::string_view detected) noexcept {
    return detected == "ISO-8859-1" ? "windows-1252" : detected;
}

std::optional<CharsetChoice> detectCharset(std::string_view text, const UCSDetLibrary& detector,
                                           const UCNVLibrary* converters) noexcept {
    try {
        const std::string_view sample = text.substr(0, UCSDetLibrary::kMaxSample);
        std::vector<CharsetCandidate> candidates;
        for (DetectedCharset& detected : detector.detect(sample)) {
            // Only what may be chosen costs a conversion.
            if (!isCharsetAdmissible(sample, detected.name, detected.confidence)) continue;
            std::string decoded = convertToUTF8(std::string(readableCharset(detected.name)).c_str(),
                                                sample, converters);
            candidates.push_back(
                {std::move(detected.name), detected.confidence, std::move(decoded)});
        }
        return chooseCharset(sample, candidates);
    } catch (...) {
        return std::nullopt;  // out of memory
    }
}

}  // namespace Tork
