// Why a location could not be opened, and what the plug-in worked around in a file it
// opened, as far as the host can tell.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tork::Subplay {

enum class Attempt { Probe, Open };

struct FailureContext {
    std::string url;
    bool probeAccepted = false;           // the probe liked the first line
    std::optional<std::string> encoding;  // the host's converter name
    std::string pluginLog;                // the plug-in's log lines of a failed open
    bool lenient = false;                 // the host asked for the lenient reading
};

/// What the plug-in's own log lines of a failed open say went wrong: the file could not be
/// opened, memory ran out, the file was too large, or it changed while it was read.
/// Nothing when they name none of these.
std::optional<std::string> reasonFromPluginLog(std::string_view lines);

/// What the plug-in's log lines of an open say it worked around.
struct WorkedAround {
    std::vector<std::size_t> skippedLines;        // by the lenient reading, 1-based
    std::vector<std::size_t> droppedLines;        // ending before frame 0, 1-based
    std::optional<std::string> detectedEncoding;  // what detection had the file read as
};
WorkedAround workedAroundInPluginLog(std::string_view lines);

/// Whether some line of `bytes` is one that only the lenient reading takes or skips: not
/// empty and not beginning "{digits}{digits or nothing}". Lines end at CR, LF or both. When
/// no line is, the plug-in's log (a line per entry) need not be read to find skipped lines.
bool hasLineForLenience(std::string_view bytes);

/// The whole of the regular file at `path`; empty for anything else or when it cannot be
/// read. Never blocks on a FIFO or a device.
std::string regularFileBytes(const std::string& path);

/// The warnings about the file `shown`, one "subplay: " line each: how many lines were
/// skipped and how many entries dropped, with the first few line numbers, and, when `replaced`,
/// that U+FFFD stands in for bytes (with a hint at --encoding). Empty when there is nothing to
/// tell.
std::string readingWarnings(const WorkedAround& workedAround, bool replaced,
                            const std::string& shown);

/// A short reason for the failure of `attempt`: not a local file: URL or not UTF-8, an
/// extension the plug-in refuses (open only), a missing, special or unreadable file, what
/// the plug-in's log says, an empty or too large file, a converter name ICU does not know
/// or no ICU for one, or, when the host sees nothing else wrong, what the plug-in must have
/// disliked about the content, told apart by whether the probe accepted the first line.
/// Never opens anything but a regular file.
std::string explainFailure(const FailureContext& context, Attempt attempt);

}  // namespace Tork::Subplay
