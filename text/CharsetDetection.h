// Charset detection: ICU's candidates for a text, read through the converters and weighed.
#pragma once

#include "text/CharsetChoice.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Tork {

class UCNVLibrary;
class UCSDetLibrary;

/// About how many bytes of a text detection weighs: some fifty lines that tell encodings
/// apart, as many as a subtitle's statistics need. ICU's detector makes some forty passes
/// over what it is shown: the sample's size sets the cost of detection.
inline constexpr std::size_t kDetectionSampleBytes = 2 * 1024;

/// The converter a detected encoding is read with: windows-1252 for ISO-8859-1, which
/// differ only in 0x80-0x9F, where text files mean windows-1252's letters and punctuation
/// rather than control codes; any other name as it is.
[[nodiscard]] std::string_view readableCharset(std::string_view detected) noexcept;

/// What detection looks at in `text`: its lines that hold bytes beyond ASCII, in order, each
/// ended by a line feed, until about kDetectionSampleBytes (a single longer line is cut
/// there). A text with a zero byte among its first UCSDetLibrary::kMaxSample bytes gives
/// those bytes instead: lines of 16- or 32-bit units are no lines of bytes. Throws
/// std::bad_alloc when memory runs out.
[[nodiscard]] std::string detectionSample(std::string_view text);

/// The encoding of `text` as far as its detectionSample() tells: `detector`'s admissible
/// candidates, each decoded through `converters` (as readableCharset() names it), chosen by
/// chooseCharset(). The names and confidences are the detector's. None when the detector
/// or the converters are not usable, nothing is admissible or can be decoded, or memory
/// runs out. Only the unwinding of a cancelled thread passes.
[[nodiscard]] std::optional<CharsetChoice> detectCharset(std::string_view text,
                                                         const UCSDetLibrary& detector,
                                                         const UCNVLibrary* converters);

/// Whether `text` holds bytes beyond ASCII and every one of them is the ellipsis, a dash, a
/// curly quote or the bullet, which every windows-125x code page puts at 0x85 and 0x91-0x97:
/// a text that reads alike in all of them.
[[nodiscard]] bool onlySharedPunctuation(std::string_view text) noexcept;

/// "UTF-16LE" or "UTF-16BE" when `bytes`, read from their start without a signature, look
/// like 16-bit units of text that is mostly ASCII or Latin (as frame lines are): in at least
/// a third of the byte pairs one side is zero, and next to none has a zero on the other side
/// or on both. Empty otherwise; only the first 4 KiB are looked at.
[[nodiscard]] std::string_view likelyUtf16(std::string_view bytes) noexcept;

}  // namespace Tork
