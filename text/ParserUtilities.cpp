#include "text/ParserUtilities.h"

#include "framework/Logger.h"
#include "framework/Setting.h"
#include "platform/FileHandle.h"
#include "text/Conversion.h"
#include "text/EncodingSignature.h"
#include "text/FileUrl.h"
#include "text/UCNVLibrary.h"
#include "text/UCSDetLibrary.h"
#include "text/Utf.h"

#include <algorithm>
#include <limits>
#include <new>
#include <string>
#include <string_view>

namespace Tork::ParserUtilities {
namespace {

constexpr const char* kCategory = "Utilities";
constexpr const char* kFunction = "Tork::ParserUtilities::readTextFile";

// The largest count whose buffer, with its terminating zero, still fits the signed 32-bit
// size that callers pass.
constexpr std::int64_t kMaxCount = std::numeric_limits<std::int32_t>::max() - 1;

// Reads the requested bytes of the file into `buffer`, one zero byte after them. False,
// after logging why, when the file cannot be opened, sized or read.
bool readRawBytes(const String& path, std::int32_t size, ReadSize mode, String& buffer) {
    // Paths stay UTF-8 bytes for the system; they must be well-formed all the same.
    FileHandle file;
    if (isWellFormedUtf8(path.text()))
        file = FileHandle::open(std::string(path.text()), FileAccess::Read,
                                FileCreation::OpenExisting);
    if (!file.isOpen()) {
        Logger::instance()->write(kCategory, kFunction, __LINE__, "Failed to open file %s\n",
                                  path.c_str());
        return false;
    }

    std::int64_t wanted = size;
    if (size == kWholeFile || mode == ReadSize::AtMost) {
        const std::int64_t length = file.seek(0, SeekOrigin::End);
        if (length < 0 || file.seek(0, SeekOrigin::Start) != 0) {
            Logger::instance()->write(kCategory, kFunction, __LINE__,
                                      "Couldn't allocate %ld bytes\n", 0L);
            return false;
        }
        wanted = size == kWholeFile ? length : std::min<std::int64_t>(length, size);
    }
    if (wanted < 0 || wanted > kMaxCount) {
        // A long has 32 bits on Windows: a larger count is logged as the largest long.
        const std::int64_t count =
            wanted < std::numeric_limits<std::int64_t>::max() ? wanted + 1 : wanted;
        const auto asked =
            static_cast<long>(std::min<std::int64_t>(count, std::numeric_limits<long>::max()));
        Logger::instance()->write(kCategory, kFunction, __LINE__, "Couldn't allocate %ld bytes\n",
                                  asked);
        return false;
    }

    // Read straight into the text's own block: a copy of a large file costs as much again
    // in page faults as the read itself. Only the terminator needs a value beforehand.
    try {
        buffer.resizeForOverwrite(static_cast<std::uint32_t>(wanted));
    } catch (const std::bad_alloc&) {
        Logger::instance()->write(kCategory, kFunction, __LINE__, "Couldn't allocate %ld bytes\n",
                                  static_cast<long>(wanted + 1));
        return false;
    }
    const std::int64_t got = file.read(buffer.data(), static_cast<std::size_t>(wanted));
    file.close();
    if (got != wanted) {
        Logger::instance()->write(kCategory, kFunction, __LINE__,
                                  "Tried to read %ld bytes, got %ld\n", static_cast<long>(wanted),
                                  static_cast<long>(got));
        return false;
    }
    return true;
}

// The text must open with one well-formed character and hold at least one more byte.
bool beginsLikeUtf8(std::string_view text) {
    if (text.empty()) return false;
    const auto* first = reinterpret_cast<const unsigned char*>(text.data());
    return isWellFormedUtf8Sequence(first, first + text.size() - 1);
}

// Whether `text`, which is not well-formed, is UTF-8 for all that detection could tell: with
// fewer ill-formed parts than well-formed characters beyond ASCII (a stray byte in a UTF-8
// file must not have the whole file read in a legacy encoding), once a last sequence that
// a partial read may have cut is set aside.
bool isMostlyUtf8(std::string_view text, bool partial) {
    for (std::size_t cut = 1; partial && cut <= 3 && cut <= text.size(); ++cut) {
        const auto lead = static_cast<unsigned char>(text[text.size() - cut]);
        if (lead < 0x80) break;
        if (lead < 0xC0) continue;  // a continuation byte: look for its lead
        const std::size_t needed = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (cut < needed) text.remove_suffix(cut);
        break;
    }
    const Utf8Census census = countUtf8Sequences(text);
    return census.illFormed < census.multiByte || census.illFormed == 0;
}

// The encoding the detector sees in `raw`, by a name the converters take; empty for none.
String detectedEncoding(std::string_view raw, const UCSDetLibrary& detector) {
    const auto detected = detector.detect(raw);
    if (!detected) return String(charAllocator());
    // The two differ only in 0x80-0x9F, where text files mean windows-1252's letters and
    // punctuation rather than control codes.
    const bool latin1 = detected->name == "ISO-8859-1";
    Logger::instance()->write(kCategory, kFunction, __LINE__, "Detected %s, confidence %d%s",
                              detected->name.c_str(), static_cast<int>(detected->confidence),
                              latin1 ? ", read as windows-1252" : "");
    return String(latin1 ? "windows-1252" : detected->name.c_str(), charAllocator());
}

// `partial`: the buffer holds only the first bytes of the file.
bool decodeText(String& buffer, bool partial, ContainerContext* settings, String& out,
                const UCNVLibrary* converters, const UCSDetLibrary* detector) {
    const unsigned char* bytes = buffer.data();
    std::uint32_t count = buffer.length();
    String name(charAllocator());
    const auto overrideEmbedded = querySettingBoolean(settings, "CodePage", "OverrideEmbedded");
    if (overrideEmbedded.has_value() && !*overrideEmbedded) {
        const auto skipped =
            static_cast<std::uint32_t>(detectEncodingSignature(bytes, count, name));
        bytes += skipped;
        count -= skipped;
    }
    if (name.empty()) {
        if (auto named = querySettingText(settings, "CodePage", "Name")) name = *named;
    }

    const std::string_view raw(reinterpret_cast<const char*>(bytes), count);
    const auto convert = [&](const String& from) {
        String converted(out.allocator());
        if (!convertTextToUTF8(from.c_str(), raw, converted, converters) ||
            !beginsLikeUtf8(converted.bytes()))
            return false;
        out = std::move(converted);
        return true;
    };
    if (!name.empty()) return convert(name);
    const bool wellFormed = isWellFormedUtf8(raw);  // the usual case, and once only
    // Only a guess: a name the converters refuse leaves the text to be taken as UTF-8.
    if (detector && !wellFormed && !isMostlyUtf8(raw, partial)) {
        const String detected = detectedEncoding(raw, *detector);
        if (!detected.empty() && convert(detected)) return true;
    }

    // Taken as it is, but the host is told it is UTF-8: anything ill-formed past the first
    // character becomes U+FFFD.
    if (!beginsLikeUtf8(raw)) return false;
    if (wellFormed) {
        out = std::move(buffer);  // no signature was skipped, so the text is the whole block
        return true;
    }
    const std::size_t repaired = repairedUtf8Length(raw);
    if (repaired >= UINT32_MAX) return false;
    out.resizeForOverwrite(static_cast<std::uint32_t>(repaired));
    writeRepairedUtf8(raw, reinterpret_cast<char*>(out.data()));
    return true;
}

}  // namespace

bool readTextFile(const String& path, ContainerContext* settings, String* out, std::int32_t size,
                  ReadSize mode) noexcept {
    return readTextFile(path, settings, out, size, mode, UCNVLibrary::instance());
}

bool readTextFile(const String& path, ContainerContext* settings, String* out, std::int32_t size,
                  ReadSize mode, const UCNVLibrary* converters,
                  const UCSDetLibrary* detector) noexcept {
    if (!out) return false;
    try {
        String buffer(out->allocator());
        if (!readRawBytes(path, size, mode, buffer)) return false;
        return decodeText(buffer, size != kWholeFile, settings, *out, converters, detector);
    } catch (...) {  // out of memory, or the host's getSetting threw
        return false;
    }
}

ResultCode pathFromUrl(const String& location, String& pathOut) noexcept {
    try {
        const auto path = filePathFromUrl(location.text());
        if (!path || path->size() >= UINT32_MAX) return Result::NotFileUrl;
        pathOut.assign(path->data(), static_cast<std::uint32_t>(path->size()));
        return Result::Ok;
    } catch (...) {
        return Result::NotFileUrl;
    }
}

}  // namespace Tork::ParserUtilities
