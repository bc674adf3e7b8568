// Charset detection: ICU's candidates read through the converters and weighed.
#include "text/CharsetDetection.h"

#include "framework/OrOnException.h"
#include "scan/Scan.h"
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

std::string detectionSample(std::string_view text) {
    const std::string_view start = text.substr(0, UCSDetLibrary::kMaxSample);
    if (start.find('\0') != std::string_view::npos) return std::string(start);
    // Lines of ASCII read alike in every candidate, and a subtitle's are mostly frame numbers
    // and codes: left out, they would only cost time and thin the statistics.
    std::string sample;
    for (std::size_t at = Scan::asciiRun(text, 0);
         at < text.size() && sample.size() < kDetectionSampleBytes;) {
        const std::size_t lineStart = text.rfind('\n', at) + 1;  // npos + 1 is 0
        const std::size_t lineEnd = std::min(text.find('\n', at), text.size());
        const std::size_t room = kDetectionSampleBytes - sample.size();
        sample.append(text.substr(lineStart, std::min(lineEnd - lineStart, room)));
        sample += '\n';
        at = lineEnd < text.size() ? Scan::asciiRun(text, lineEnd + 1) : text.size();
    }
    return sample;
}

std::optional<CharsetChoice> detectCharset(std::string_view text, const UCSDetLibrary& detector,
                                           const UCNVLibrary* converters) {
    try {
        const std::string sample = detectionSample(text);
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
        rethrowIfForeign();
        return std::nullopt;  // out of memory
    }
}

bool onlySharedPunctuation(std::string_view text) noexcept {
    bool found = false;
    for (std::size_t at = Scan::asciiRun(text, 0); at < text.size();
         at = Scan::asciiRun(text, at + 1)) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte != 0x85 && (byte < 0x91 || byte > 0x97)) return false;
        found = true;
    }
    return found;
}

std::string_view likelyUtf16(std::string_view bytes) noexcept {
    const std::size_t pairs = std::min<std::size_t>(bytes.size(), 4096) / 2;
    if (pairs < 4) return {};
    std::size_t zeroFirst = 0, zeroSecond = 0, zeroBoth = 0;
    for (std::size_t i = 0; i < pairs; ++i) {
        const bool first = bytes[2 * i] == '\0', second = bytes[2 * i + 1] == '\0';
        zeroBoth += first && second;
        zeroFirst += first && !second;
        zeroSecond += second && !first;
    }
    // Few units of such text have a zero low byte (U+0100, U+2000); zeros in whole pairs
    // are UTF-32, or no text.
    const auto fits = [&](std::size_t side, std::size_t other) {
        return side * 3 >= pairs && (other + zeroBoth) * 16 <= pairs;
    };
    if (fits(zeroSecond, zeroFirst)) return "UTF-16LE";
    if (fits(zeroFirst, zeroSecond)) return "UTF-16BE";
    return {};
}

}  // namespace Tork
