// subplay's command line: what to read, how to present it, and the host settings.
#pragma once

#include "host/HostSettings.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace Tork::Subplay {

enum class OutputFormat { Json, Srt, Vtt, Text, Sub };
enum class Mode { Default, Format, Play, Probe, Info, Help, Version };

/// What happens to an output file that exists already.
enum class Overwrite { Refuse, Always, Never };

struct Options {
    Mode mode = Mode::Default;
    OutputFormat format = OutputFormat::Text;
    double speed = 1.0;
    std::optional<Host::FrameRatio> frameRate;
    std::optional<std::string> encoding;
    bool ignoreSignature = false;
    bool strict = false;  // answer neither "Lenient" nor "Detect"
    std::optional<std::string> language;
    bool reverse = false;
    std::optional<std::uint32_t> seek;
    std::int64_t offset = 0;  // ms added to every time written
    double scale = 1.0;       // every time written is multiplied by it, before the offset
    Overwrite overwrite = Overwrite::Refuse;
    bool log = false;
    bool quiet = false;  // no warnings: only errors on standard error
    std::optional<std::string> plugin;
    std::optional<std::string> output;  // -o: a file, "-" or a folder ending in "/"
    std::vector<std::string> inputs;    // FILEs or URLs as given; "-" is standard input
};

struct UsageError {
    std::string message;
};

/// The options, or what is wrong with the command line. --help and --version end the
/// parse at once. No FILE means standard input; several need --format and -o DIR/. Without
/// --format, -o FILE takes the format from FILE's extension, and one it does not know is
/// refused.
std::variant<Options, UsageError> parseOptions(const std::vector<std::string_view>& arguments);

/// Milliseconds from "[-][[hh:]mm:]ss[.mmm]" (a bare number is seconds) or from a whole
/// number followed by "ms"; nothing for anything else, minutes or seconds of 60 and more
/// after a larger unit, or a time past 32 bits. A sign only when `signedTime`.
std::optional<std::int64_t> parseTime(std::string_view text, bool signedTime);

/// The output format that a file name's extension stands for (.json, .srt, .vtt, .txt,
/// .sub in any letter case); nothing for another or none.
std::optional<OutputFormat> formatForExtension(std::string_view path);

/// The extension, dot included, that files of `format` are written with.
std::string_view extensionOf(OutputFormat format);

/// One option of the command line: the parser, --help and the manual's list all follow
/// these rows.
struct OptionSpec {
    std::string_view name;   // "--output"
    char letter = 0;         // 'o' for -o, or 0 for none
    std::string_view value;  // what the value stands for, "FILE", or empty for none
    std::string_view help;   // its --help lines, joined by line feeds, without their indent
};

/// Every option, in the order --help lists them.
std::span<const OptionSpec> optionTable();

/// The synopsis and the option list, ending in a line feed.
std::string usageText();
/// The synopsis and where to find the options, for a command line that went wrong.
std::string shortUsageText();

}  // namespace Tork::Subplay
