// Helpers that format parsers share: file URLs to paths, and whole text files as UTF-8.
#pragma once

#include "framework/ResultCode.h"
#include "framework/String.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace Tork {

class UCNVLibrary;
class UCSDetLibrary;

namespace ParserUtilities {

/// How readTextFile takes an explicit size.
enum class ReadSize : std::uint8_t {
    Exact,   // exactly that many bytes; a shorter file fails
    AtMost,  // that many bytes, or the whole file when it is shorter
};

/// readTextFile's size for the whole file.
inline constexpr std::int32_t kWholeFile = -1;

/// The largest file readTextFile reads: its buffer, with the terminating zero, still fits
/// the signed 32-bit size that callers pass.
inline constexpr std::int64_t kMaxFileSize = INT32_MAX - 1;

/// How a file's encoding is to be settled: the host's choices, as plain values.
struct EncodingSettings {
    /// Whether a byte-order signature names the encoding. Otherwise the signature is not
    /// looked for and stays in the text.
    bool honourSignature = false;
    /// The converter that the text is in when no signature names one; empty for none.
    String codePage{charAllocator()};
    /// Whether a text that neither names nor UTF-8 settle has its encoding detected.
    bool detect = false;
};

/// How reading a file's bytes ended.
struct FileReadResult {
    enum class Status : std::uint8_t {
        Ok,
        NotFound,  // also a path that is not well-formed UTF-8
        NotRegularFile,
        PermissionDenied,
        TooLarge,    // over what a 32-bit size holds, or a negative size asked
        ReadFailed,  // the system failed, or fewer bytes than asked were there
        OutOfMemory,
    };
    FileReadResult(Status status = Status::Ok, std::int32_t systemError = 0)
        : status(status), systemError(systemError) {}

    Status status;
    std::int32_t systemError;  // where the system said why
    /// When the bytes proved well-formed UTF-8 as they were read: their
    /// LineCount::filledLines. decodeFileText, given it, need not check them again.
    std::optional<std::size_t> wellFormedLines;

    explicit operator bool() const { return status == Status::Ok; }
};

/// Reads the file at `path` (UTF-8) whole (kWholeFile) or its first `size` bytes into
/// `bytes` (keeping its allocator), one zero byte after them. Fails, after logging why,
/// when the file is no regular file or cannot be read, `size` is otherwise negative, the
/// length does not fit a 32-bit size, an Exact read finds fewer bytes or memory runs out.
[[nodiscard]] FileReadResult readFileBytes(const String& path, String& bytes,
                                           std::int32_t size = kWholeFile,
                                           ReadSize mode = ReadSize::Exact);

/// Whether the encoding of `bytes` is still open once their signature has been looked at
/// (when `honourSignature`), so that a code page name would be used.
[[nodiscard]] bool needsCodePageName(const String& bytes, bool honourSignature);

/// How decodeFileText settled the encoding, and why it failed.
struct DecodeReport {
    enum class Status : std::uint8_t {
        Ok,
        UnknownCodePage,   // the converters do not know the name given
        ConversionFailed,  // no converters, or a start that is no UTF-8 character
        NoText,            // empty, or a single character
        OutOfMemory,
    };
    enum class Source : std::uint8_t {
        None,
        Signature,
        CodePage,
        Detected,
        Default,
        Fallback,  // detection settled nothing; the text reads alike in every windows-125x
    };
    Status status = Status::Ok;
    Source source = Source::None;
    std::string encoding;          // the converter name used; "UTF-8" for a text taken as it is
    std::int32_t confidence = -1;  // Detected: the detector's, 0-100
    std::string runnerUp;          // the detector's second guess, when it gives one
    std::int32_t runnerUpConfidence = -1;
    std::int32_t score = -1;  // Detected: the confidence weighed by its reading's letters
    std::int32_t runnerUpScore = -1;
    std::size_t replacements = 0;  // ill-formed sequences that became U+FFFD
    /// Default: the encoding the bytes look like where it is not UTF-8 ("UTF-16LE" for
    /// 16-bit units without a signature); empty when they look like nothing else.
    std::string likelyEncoding;
    /// The text's LineCount::filledLines where checking it counted them on the way (a text
    /// taken as it is); a parser that splits it need not count again.
    std::optional<std::size_t> filledLines;
};

/// Settles the encoding of `bytes` (as readFileBytes gave them; `partial` when they are only
/// the file's first bytes) from their signature or `settings` and hands the text out in
/// `out` as UTF-8, converting named encodings through `converters` (null: none are
/// available). With `settings.detect` and a `detector`, a text that neither a signature
/// nor the code page names and that is not UTF-8 is converted from the encoding the
/// detectCharset() settles, when it settles one, else from windows-1252 when
/// onlySharedPunctuation() holds; with `settings.detect`, 16-bit units without a signature
/// (likelyUtf16()) are converted as what they look like. A text counts as UTF-8
/// when it holds fewer ill-formed parts than characters of two or more bytes, not counting
/// a sequence that a partial read cut off; without a match, or with a name the converters
/// refuse, it is taken as UTF-8 all the same. False, with `out` untouched, when `out` is
/// null, conversion fails, the text does not begin with a well-formed UTF-8 character
/// followed by at least one more byte, or memory runs out; `bytes` may then have been
/// taken. Says how in `*report` (may be null).
[[nodiscard]] bool decodeFileText(String& bytes, bool partial, const EncodingSettings& settings,
                                  String* out, const UCNVLibrary* converters,
                                  const UCSDetLibrary* detector = nullptr,
                                  DecodeReport* report = nullptr);

/// As above with the system's ICU (its detector only when `settings.detect`), bound only
/// when the text needs a conversion or detection. `wellFormedLines` is readFileBytes'
/// FileReadResult::wellFormedLines for `bytes`, if it was given one.
[[nodiscard]] bool decodeFileText(String& bytes, bool partial, const EncodingSettings& settings,
                                  String* out, DecodeReport* report,
                                  std::optional<std::size_t> wellFormedLines = std::nullopt);

/// readFileBytes, then decodeFileText with the system's ICU, bound only when needed.
[[nodiscard]] bool readTextFile(const String& path, const EncodingSettings& settings, String* out,
                                std::int32_t size = kWholeFile, ReadSize mode = ReadSize::Exact);

/// As above, with the given converters and detector.
[[nodiscard]] bool readTextFile(const String& path, const EncodingSettings& settings, String* out,
                                std::int32_t size, ReadSize mode, const UCNVLibrary* converters,
                                const UCSDetLibrary* detector = nullptr);

/// Sets `pathOut` (keeping its allocator) to the local path that the file: URL in
/// `location` (its text up to the first zero) names. Answers Result::NotFileUrl, with
/// `pathOut` untouched, when the URL is refused (see filePathFromUrl) or memory runs out.
[[nodiscard]] ResultCode pathFromUrl(const String& location, String& pathOut);

}  // namespace ParserUtilities
}  // namespace Tork
