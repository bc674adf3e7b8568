#include "text/ParserUtilities.h"

#include "framework/Logger.h"
#include "framework/OrOnException.h"
#include "platform/FileHandle.h"
#include "platform/Memory.h"
#include "scan/Scan.h"
#include "text/CharsetDetection.h"
#include "text/Conversion.h"
#include "text/EncodingSignature.h"
#include "text/FileUrl.h"
#include "text/UCNVLibrary.h"
#include "text/UCSDetLibrary.h"
#include "text/Utf.h"

#include <algorithm>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace Tork::ParserUtilities {
namespace {

constexpr const char* kCategory = "Utilities";
constexpr const char* kFunction = "Tork::ParserUtilities::readTextFile";

constexpr std::int64_t kMaxCount = kMaxFileSize;

using ReadStatus = FileReadResult::Status;

ReadStatus readStatusOf(FileOpenFailure::Kind kind) {
    switch (kind) {
        case FileOpenFailure::Kind::NotFound:
            return ReadStatus::NotFound;
        case FileOpenFailure::Kind::NotRegularFile:
            return ReadStatus::NotRegularFile;
        case FileOpenFailure::Kind::PermissionDenied:
            return ReadStatus::PermissionDenied;
        case FileOpenFailure::Kind::None:
        case FileOpenFailure::Kind::Other:
            break;
    }
    return ReadStatus::ReadFailed;
}

// Reads `count` bytes into `data` a piece at a time and checks each piece as UTF-8 while the
// cache still holds it: checked whole afterwards, a large file came from memory twice. Sets
// `wellFormedLines` to the text's filled lines when every piece was well-formed. Answers
// the count read, or -1 when the system reported an error.
std::int64_t readChecking(FileHandle& file, char* data, std::size_t count,
                          std::optional<std::size_t>& wellFormedLines) {
    constexpr std::size_t kPiece = std::size_t{256} << 10;
    // A piece ends before a byte that starts no line break and continues no sequence, so
    // that no sequence and no run of line breaks is checked or counted in two halves.
    constexpr std::size_t kLookBack = 16;
    const auto splitsCleanly = [](char c) {
        return c != '\r' && c != '\n' && (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    };
    std::size_t got = 0, checked = 0, lines = 0;
    bool wellFormed = true;
    while (got < count) {
        const std::int64_t read = file.read(data + got, std::min(kPiece, count - got));
        if (read < 0) return -1;
        if (read == 0) break;
        got += static_cast<std::size_t>(read);
        std::size_t end = got;
        if (got < count) {
            const std::size_t stop = got - std::min(got - checked, kLookBack);
            while (--end > stop && !splitsCleanly(data[end])) {
            }
            if (end == stop) continue;  // checked with the next piece
        }
        // Counted on the way, so that the parser reserves its records once.
        std::size_t pieceLines = 0;
        wellFormed = wellFormed && Scan::isWellFormedUtf8CountingLines(
                                       std::string_view(data + checked, end - checked), pieceLines);
        lines += pieceLines;
        checked = end;
    }
    if (wellFormed && checked == got) wellFormedLines = lines;
    return static_cast<std::int64_t>(got);
}

// Reads the requested bytes of the file into `buffer`, one zero byte after them. Fails,
// after logging why, when the file cannot be opened, sized or read.
FileReadResult readRawBytes(const String& path, std::int32_t size, ReadSize mode, String& buffer) {
    // Paths stay UTF-8 bytes for the system; they must be well-formed all the same.
    FileHandle file;
    FileOpenFailure failure{FileOpenFailure::Kind::NotFound, 0};
    if (isWellFormedUtf8(path.text()))
        file = FileHandle::open(std::string(path.text()), FileAccess::Read,
                                FileCreation::OpenExisting, &failure);
    if (!file.isOpen()) {
        Logger::instance()->write(kCategory, kFunction, __LINE__, "Failed to open file %s\n",
                                  path.c_str());
        return {readStatusOf(failure.kind), failure.systemError};
    }

    std::int64_t wanted = size;
    if (size == kWholeFile || mode == ReadSize::AtMost) {
        const std::int64_t length = file.seek(0, SeekOrigin::End);
        if (length < 0 || file.seek(0, SeekOrigin::Start) != 0) {
            Logger::instance()->write(kCategory, kFunction, __LINE__,
                                      "Couldn't allocate %ld bytes\n", 0L);
            return {ReadStatus::ReadFailed};
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
        return {ReadStatus::TooLarge};
    }

    // Read straight into the text's own block: a copy of a large file costs as much again
    // in page faults as the read itself. Only the terminator needs a value beforehand.
    try {
        buffer.resizeForOverwrite(static_cast<std::uint32_t>(wanted));
    } catch (const std::bad_alloc&) {
        Logger::instance()->write(kCategory, kFunction, __LINE__, "Couldn't allocate %ld bytes\n",
                                  static_cast<long>(wanted + 1));
        return {ReadStatus::OutOfMemory};
    }
    adviseLargePages(buffer.data(), static_cast<std::size_t>(wanted));
    FileReadResult result;
    const std::int64_t got = readChecking(file, reinterpret_cast<char*>(buffer.data()),
                                          static_cast<std::size_t>(wanted), result.wellFormedLines);
    file.close();
    if (got != wanted) {
        Logger::instance()->write(kCategory, kFunction, __LINE__,
                                  "Tried to read %ld bytes, got %ld\n", static_cast<long>(wanted),
                                  static_cast<long>(got));
        return {ReadStatus::ReadFailed};
    }
    return result;
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
String detectedEncoding(std::string_view raw, const UCSDetLibrary& detector,
                        const UCNVLibrary* converters, DecodeReport& report) {
    const auto detected = detectCharset(raw, detector, converters);
    if (!detected) return String(charAllocator());
    report.confidence = detected->confidence;
    report.score = detected->score;
    report.runnerUp = detected->runnerUp;
    report.runnerUpConfidence = detected->runnerUp.empty() ? -1 : detected->runnerUpConfidence;
    report.runnerUpScore = detected->runnerUp.empty() ? -1 : detected->runnerUpScore;
    const std::string readAs(readableCharset(detected->name));
    const std::string runnerUp = detected->runnerUp.empty()
                                     ? std::string()
                                     : ", runner-up " + detected->runnerUp + " " +
                                           std::to_string(detected->runnerUpConfidence);
    const std::string readAsNote = readAs == detected->name ? std::string() : ", read as " + readAs;
    Logger::instance()->write(kCategory, kFunction, __LINE__, "Detected %s, confidence %d%s%s",
                              detected->name.c_str(), static_cast<int>(detected->confidence),
                              runnerUp.c_str(), readAsNote.c_str());
    return String(readAs.c_str(), charAllocator());
}

// Why a named conversion failed: ICU refuses the name, or could not convert.
DecodeReport::Status conversionFailure(const char* name, const UCNVLibrary* converters) {
    if (!converters || !converters->usable()) return DecodeReport::Status::ConversionFailed;
    std::int32_t status = 0;
    IcuConverter* converter = converters->open(name, &status);
    if (!converter) return DecodeReport::Status::UnknownCodePage;
    converters->close(converter);
    return DecodeReport::Status::ConversionFailed;
}

// Too short for the first character and one more byte, or not beginning with a character.
DecodeReport::Status refusalOf(std::string_view text) {
    if (text.empty()) return DecodeReport::Status::NoText;
    const int first = measureUtf8Sequence(text);
    return first > 0 && static_cast<std::size_t>(first) >= text.size()
               ? DecodeReport::Status::NoText
               : DecodeReport::Status::ConversionFailed;
}

// ICU's libraries as decoding asks for them: given, or the system's bound on first need,
// so that a UTF-8 file never has ICU looked for.
class Icu {
public:
    Icu(const UCNVLibrary* converters, const UCSDetLibrary* detector)
        : converters_(converters), detector_(detector), bound_(true) {}
    static Icu system(bool detect) {
        Icu icu(nullptr, nullptr);
        icu.bound_ = false;
        icu.detect_ = detect;
        return icu;
    }
    const UCNVLibrary* converters() {
        bind();
        return converters_;
    }
    const UCSDetLibrary* detector() {
        bind();
        return detector_;
    }

private:
    void bind() {
        if (bound_) return;
        bound_ = true;
        converters_ = UCNVLibrary::instance();
        detector_ = detect_ ? UCSDetLibrary::instance() : nullptr;
    }

    const UCNVLibrary* converters_;
    const UCSDetLibrary* detector_;
    bool bound_;
    bool detect_ = false;
};

bool decodeText(String& buffer, bool partial, const EncodingSettings& settings, String& out,
                Icu& icu, DecodeReport& report, std::optional<std::size_t> wellFormedLines) {
    using Source = DecodeReport::Source;
    const unsigned char* bytes = buffer.data();
    std::uint32_t count = buffer.length();
    String name(charAllocator());
    if (settings.honourSignature) {
        const auto skipped =
            static_cast<std::uint32_t>(detectEncodingSignature(bytes, count, name));
        bytes += skipped;
        count -= skipped;
    }
    report.source = name.empty() ? Source::CodePage : Source::Signature;
    if (name.empty()) name = settings.codePage;

    const std::string_view raw(reinterpret_cast<const char*>(bytes), count);
    const auto convert = [&](const String& from) {
        report.encoding = from.text();
        String converted(out.allocator());
        if (!convertTextToUTF8(from.c_str(), raw, converted, icu.converters())) {
            report.status = conversionFailure(from.c_str(), icu.converters());
            return false;
        }
        if (!beginsLikeUtf8(converted.bytes())) {
            report.status = refusalOf(converted.bytes());
            return false;
        }
        out = std::move(converted);
        return true;
    };
    if (!name.empty()) return convert(name);
    // A guess that did not convert leaves the text to be taken as UTF-8.
    const auto unguessed = [&report] {
        report.status = DecodeReport::Status::Ok;
        report.confidence = report.runnerUpConfidence = -1;
        report.score = report.runnerUpScore = -1;
        report.runnerUp.clear();
    };
    // 16-bit units of ASCII are well-formed UTF-8 with a zero in every other byte; only a
    // text with a zero near its start is looked at twice.
    constexpr std::size_t kZeroLookout = 4096;
    const std::string_view utf16 = raw.substr(0, kZeroLookout).find('\0') != std::string_view::npos
                                       ? likelyUtf16(raw)
                                       : std::string_view();
    if (settings.detect && !utf16.empty()) {
        report.source = Source::Detected;
        report.confidence = report.score = 100;
        Logger::instance()->write(kCategory, kFunction, __LINE__,
                                  "Detected %.*s without a signature",
                                  static_cast<int>(utf16.size()), utf16.data());
        if (convert(String(std::string(utf16).c_str(), charAllocator()))) return true;
        unguessed();
    }
    std::size_t filledLines = 0;  // the usual case, checked once only
    // Checked while read, unless a signature was skipped: the count might differ then.
    const bool checked = wellFormedLines && bytes == buffer.data();
    if (checked) filledLines = *wellFormedLines;
    // A text that was not checked while read is checked, its lines counted, here.
    const bool wellFormed = checked || Scan::isWellFormedUtf8CountingLines(raw, filledLines);
    // Only a guess: a name the converters refuse leaves the text to be taken as UTF-8.
    const UCSDetLibrary* detector = nullptr;
    if (settings.detect && !wellFormed && !isMostlyUtf8(raw, partial) &&
        (detector = icu.detector()) != nullptr) {
        const String detected = detectedEncoding(raw, *detector, icu.converters(), report);
        report.source = Source::Detected;
        if (!detected.empty() && convert(detected)) return true;
        unguessed();
        // English with curly quotes or an ellipsis gives the letters nothing to weigh, and
        // reads alike in every windows-125x code page.
        if (onlySharedPunctuation(raw)) {
            report.source = Source::Fallback;
            Logger::instance()->write(kCategory, kFunction, __LINE__,
                                      "Nothing detected; punctuation only, read as windows-1252");
            if (convert(String("windows-1252", charAllocator()))) return true;
            unguessed();
        }
    }

    // Taken as it is, but the host is told it is UTF-8: anything ill-formed past the first
    // character becomes U+FFFD.
    report.source = Source::Default;
    report.encoding = "UTF-8";
    report.likelyEncoding = utf16;
    if (!beginsLikeUtf8(raw)) {
        report.status = refusalOf(raw);
        return false;
    }
    if (wellFormed) {
        out = std::move(buffer);  // no signature was skipped, so the text is the whole block
        report.filledLines = filledLines;
        return true;
    }
    const std::size_t repaired = repairedUtf8Length(raw, &report.replacements);
    if (repaired >= UINT32_MAX) {
        report.status = DecodeReport::Status::OutOfMemory;
        return false;
    }
    out.resizeForOverwrite(static_cast<std::uint32_t>(repaired));
    writeRepairedUtf8(raw, reinterpret_cast<char*>(out.data()));
    return true;
}

}  // namespace

FileReadResult readFileBytes(const String& path, String& bytes, std::int32_t size, ReadSize mode) {
    try {
        return readRawBytes(path, size, mode, bytes);
    } catch (...) {  // out of memory
        rethrowIfForeign();
        return {FileReadResult::Status::OutOfMemory};
    }
}

bool needsCodePageName(const String& bytes, bool honourSignature) {
    if (!honourSignature) return true;
    try {
        String name(charAllocator());
        return detectEncodingSignature(bytes.data(), bytes.length(), name) == 0;
    } catch (...) {  // out of memory: the name is asked, and decoding meets the same lack
        rethrowIfForeign();
        return true;
    }
}

namespace {

bool decodeWith(Icu icu, String& bytes, bool partial, const EncodingSettings& settings, String* out,
                DecodeReport* report, std::optional<std::size_t> wellFormedLines = std::nullopt) {
    DecodeReport unused;
    DecodeReport& said = report ? *report : unused;
    if (!out) return false;
    try {
        return decodeText(bytes, partial, settings, *out, icu, said, wellFormedLines);
    } catch (...) {  // out of memory
        rethrowIfForeign();
        said.status = DecodeReport::Status::OutOfMemory;
        return false;
    }
}

}  // namespace

bool decodeFileText(String& bytes, bool partial, const EncodingSettings& settings, String* out,
                    const UCNVLibrary* converters, const UCSDetLibrary* detector,
                    DecodeReport* report) {
    return decodeWith(Icu(converters, detector), bytes, partial, settings, out, report);
}

bool decodeFileText(String& bytes, bool partial, const EncodingSettings& settings, String* out,
                    DecodeReport* report, std::optional<std::size_t> wellFormedLines) {
    return decodeWith(Icu::system(settings.detect), bytes, partial, settings, out, report,
                      wellFormedLines);
}

bool readTextFile(const String& path, const EncodingSettings& settings, String* out,
                  std::int32_t size, ReadSize mode) {
    if (!out) return false;
    try {
        String buffer(out->allocator());
        const FileReadResult read = readFileBytes(path, buffer, size, mode);
        return static_cast<bool>(read) &&
               decodeWith(Icu::system(settings.detect), buffer, size != kWholeFile, settings, out,
                          nullptr, read.wellFormedLines);
    } catch (...) {  // out of memory
        rethrowIfForeign();
        return false;
    }
}

bool readTextFile(const String& path, const EncodingSettings& settings, String* out,
                  std::int32_t size, ReadSize mode, const UCNVLibrary* converters,
                  const UCSDetLibrary* detector) {
    if (!out) return false;
    try {
        String buffer(out->allocator());
        const FileReadResult read = readFileBytes(path, buffer, size, mode);
        return static_cast<bool>(read) &&
               decodeWith(Icu(converters, detector), buffer, size != kWholeFile, settings, out,
                          nullptr, read.wellFormedLines);
    } catch (...) {  // out of memory
        rethrowIfForeign();
        return false;
    }
}

ResultCode pathFromUrl(const String& location, String& pathOut) {
    try {
        const auto path = filePathFromUrl(location.text());
        if (!path || path->size() >= UINT32_MAX) return Result::NotFileUrl;
        pathOut.assign(path->data(), static_cast<std::uint32_t>(path->size()));
        return Result::Ok;
    } catch (...) {
        rethrowIfForeign();
        return Result::NotFileUrl;
    }
}

}  // namespace Tork::ParserUtilities
