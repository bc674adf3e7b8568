// What subplay tells about a file's reading, all of it taken from the plug-in's report.
#pragma once

#include "host/OpenReport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Tork::Subplay {

/// A detected encoding below this confidence (0-100) is said to be a guess on standard
/// error; ICU gives a clean single-byte text about 30-40 when it cannot tell the language.
inline constexpr std::int32_t kLowConfidence = 50;

/// The warnings about the file `shown`, one message each: skipped lines by reason with their
/// numbers (blank lines and frames without text are not worth a word), a zero byte in the
/// text, U+FFFD standing in for bytes, and a detected encoding of low confidence, each with
/// the option that helps.
std::vector<std::string> readingWarnings(const Host::OpenReport& report, const std::string& shown);

/// Why the open failed, with the system's reason where the report gives an error number.
std::string failureText(const Host::OpenReport& report);

/// What the entries of an opened file span, in milliseconds.
struct EntrySpan {
    std::uint64_t read = 0;       // entries the stream handed out
    std::uint64_t pastClock = 0;  // entries that start later than any clock time reaches
    std::uint32_t first = 0;      // the earliest start of those read
    std::uint32_t last = 0;       // the latest end of those read
};

/// The reading as a JSON object, as the "reading" member of every JSON output.
void appendReadingJson(const Host::OpenReport& report, std::string& out);

/// --info for the file `shown`: the reading and the entries' span, as "name: value" lines
/// or, when `json`, as one JSON object.
std::string infoText(const Host::OpenReport& report, const std::string& shown,
                     const EntrySpan& span, bool json);

}  // namespace Tork::Subplay
