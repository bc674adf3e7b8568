#include "microdvd/MicroDVDParser.h"

#include "framework/Logger.h"
#include "microdvd/FormattingCode.h"
#include "microdvd/LineScanner.h"
#include "microdvd/LineSplitter.h"
#include "subtitle/EntryStore.h"
#include "text/ByteWords.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace Tork {
namespace {

constexpr std::size_t kMaxDeclarationLength = 100;

bool startsWithCode(std::string_view text) {
    return !text.empty() && (text[0] == '/' || text[0] == '\\' || text[0] == '{');
}

}  // namespace

bool parseMicroDVD(EntryStore& entries, FrameRate rate, std::size_t maxEntryLength) {
    char* const text = entries.fileText();
    const std::size_t length = entries.fileLength();
    // Every entry takes a line of its own, so the line feeds bound the records needed (but
    // for files that end lines with CR alone, whose records grow as they go).
    entries.reserve(ByteWords::countBytes(text, length, '\n') + 1);
    // Bound once, so that with logging off each entry pays a single test.
    Logger& log = *Logger::instance();
    LineSplitter lines(text, length);
    std::string translated;
    while (const auto line = lines.next()) {
        const ScannedLine scanned = scanSplitLine(line->view());
        if (scanned.conversions == 2) continue;
        if (scanned.conversions < 2) return false;
        if (scanned.start == 1 && scanned.end == 1 && scanned.text.size() < kMaxDeclarationLength) {
            const FrameRateDeclaration declaration = parseFrameRateDeclaration(scanned.text);
            if (declaration.kind == FrameRateDeclaration::Kind::Rate) rate = declaration.rate;
            if (declaration.kind != FrameRateDeclaration::Kind::NotDeclaration) continue;
        }
        // The scanned text lies inside the writable line, so bars become line feeds in place.
        char* body = line->start + (scanned.text.data() - line->start);
        ByteWords::replaceBytes(body, scanned.text.size(), '|', '\n');
        std::string_view final = scanned.text;
        bool copied = false;
        if (startsWithCode(final)) {
            translateFormattingCode(final, translated);
            // Unknown codes are kept whole and dropped letters only cut the front: such a
            // text is still in the line, at its end.
            if (final.ends_with(translated)) {
                final.remove_prefix(final.size() - translated.size());
            } else {
                final = translated;
                copied = true;
            }
        }
        if (final.size() > std::min(maxEntryLength, kMaxEntryLength)) return false;
        const std::uint32_t start = rate.toMilliseconds(scanned.start);
        const auto duration = static_cast<std::int32_t>(rate.toMilliseconds(scanned.end) - start);
        if (copied) {
            entries.addCopy(start, duration, final);
        } else {
            entries.addInPlace(start, duration, final);
        }
        if (log.impl()) {
            log.write("Container", "Tork::MicroDVDContainer::open", __LINE__,
                      "got subtitle start: %d duration: %d '%s'", start, duration,
                      final.data());  // zero-terminated: the line's end or the translation's
        }
    }
    return true;
}

}  // namespace Tork
