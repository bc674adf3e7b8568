#include "tools/subplay/Options.h"

#include "host/FrameRateText.h"
#include "text/Ascii.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace Tork::Subplay {

using Host::parseDigits;

namespace {

std::optional<double> parseSpeed(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (!std::isfinite(value) || value <= 0) return std::nullopt;
    return value;
}

struct FormatName {
    std::string_view name, extension;
    OutputFormat format;
};
constexpr FormatName kFormats[] = {{"json", ".json", OutputFormat::Json},
                                   {"srt", ".srt", OutputFormat::Srt},
                                   {"vtt", ".vtt", OutputFormat::Vtt},
                                   {"text", ".txt", OutputFormat::Text},
                                   {"sub", ".sub", OutputFormat::Sub}};

template <class Field, class Value>
std::optional<OutputFormat> formatWhere(Field FormatName::*field, const Value& value) {
    for (const FormatName& format : kFormats) {
        if (format.*field == value) return format.format;
    }
    return std::nullopt;
}

// A factor, or one rate over another as "23.976/25".
std::optional<double> parseScale(std::string_view text) {
    const auto bar = text.find('/');
    if (bar == std::string_view::npos) return parseSpeed(text);
    const auto over = parseSpeed(text.substr(0, bar));
    const auto under = parseSpeed(text.substr(bar + 1));
    if (!over || !under) return std::nullopt;
    return *over / *under;
}

constexpr OptionSpec kOptions[] = {
    {"--format", 0, "FMT",
     "print every entry as json, srt, vtt, text or sub (MicroDVD\n"
     "in UTF-8), then exit (default: the extension of -o FILE;\n"
     "--play on a terminal, text elsewhere)"},
    {"--play", 0, "", "show each subtitle in real time"},
    {"--speed", 0, "X", "playback speed for --play (default 1)"},
    {"--output", 'o', "FILE",
     "write to FILE (- is standard output); with DIR/, convert\n"
     "each FILE into DIR under its name with the format's extension"},
    {"--overwrite", 'y', "", "replace output files that exist (default: refuse them)"},
    {"--no-overwrite", 'n', "", "keep output files that exist and skip their conversion"},
    {"--fps", 0, "RATE",
     "frame rate when the file declares none: 25, 23.976,\n"
     "30000/1001 (default 23.976); also the rate --format sub\n"
     "writes at (default: the rate read)"},
    {"--encoding", 0, "NAME",
     "the file's encoding, an ICU converter name (windows-1250);\n"
     "default: its signature, else detected, else UTF-8"},
    {"--ignore-signature", 0, "", "ignore an encoding signature at the start of the file"},
    {"--strict", 0, "",
     "no skipped lines and no charset detection: the plug-in's\n"
     "reading for a host that asks for neither"},
    {"--language", 0, "TAG", "preferred language: en, en-GB, fre"},
    {"--reverse", 0, "", "read backwards from the end"},
    {"--seek", 0, "TIME", "start at TIME: seconds, [[hh:]mm:]ss[.mmm], or 500ms"},
    {"--offset", 0, "TIME",
     "add TIME to every time written: [-][[hh:]mm:]ss[.mmm] (a\n"
     "bare number is seconds), or -500ms (not with --play)"},
    {"--scale", 0, "X",
     "multiply every time written by X, or by RATE/RATE: 23.976/25\n"
     "moves a 23.976 release's file to a 25 one (not with --play)"},
    {"--probe", 0, "", "only ask whether FILE holds MicroDVD"},
    {"--info", 0, "",
     "how FILE was read: encoding, frame rate, entries, times,\n"
     "skipped lines (as JSON with --format json)"},
    {"--log", 0, "", "the plug-in's log lines on standard error"},
    {"--quiet", 'q', "", "no warnings on standard error, only errors"},
    {"--plugin", 0, "PATH", "the plug-in to load (default: the one installed with subplay)"},
    {"--help", 'h', "", "this text"},
    {"--version", 'V', "", "the versions, the plug-in's path and the libraries found"},
};

const OptionSpec* optionNamed(std::string_view name) {
    for (const OptionSpec& option : kOptions) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

bool takesValue(std::string_view name) {
    const OptionSpec* option = optionNamed(name);
    return option != nullptr && !option->value.empty();
}

// The long name of a short option.
std::string_view longName(std::string_view name) {
    if (name.size() != 2 || name[0] != '-') return name;
    for (const OptionSpec& option : kOptions) {
        if (option.letter != 0 && option.letter == name[1]) return option.name;
    }
    return name;
}

UsageError invalid(std::string_view option, std::string_view value, std::string_view expected) {
    return {"invalid value '" + std::string(value) + "' for " + std::string(option) + ": " +
            std::string(expected)};
}

}  // namespace

std::optional<std::int64_t> parseTime(std::string_view text, bool signedTime) {
    const bool negative = signedTime && text.starts_with('-');
    if (negative) text.remove_prefix(1);
    constexpr std::int64_t limit = std::numeric_limits<std::uint32_t>::max();
    std::optional<std::uint64_t> milliseconds;
    if (text.ends_with("ms")) {
        milliseconds = parseDigits(text.substr(0, text.size() - 2));
    } else {
        std::string_view fraction;
        if (const auto point = text.find('.'); point != std::string_view::npos) {
            fraction = text.substr(point + 1);
            text = text.substr(0, point);
            if (fraction.empty() || fraction.size() > 3) return std::nullopt;
        }
        std::uint64_t total = 0;
        int fields = 0;
        for (std::size_t from = 0;; ++fields) {
            const auto colon = text.find(':', from);
            const auto field = parseDigits(text.substr(from, colon - from));
            // Minutes and seconds after a larger unit stay below 60.
            if (!field || fields > 2 || (fields > 0 && *field >= 60) || *field > limit) {
                return std::nullopt;
            }
            total = total * 60 + *field;
            if (colon == std::string_view::npos) break;
            from = colon + 1;
        }
        const auto thousandths =
            fraction.empty() ? std::optional<std::uint64_t>(0) : parseDigits(fraction);
        if (!thousandths) return std::nullopt;
        std::uint64_t scaled = *thousandths;
        for (std::size_t i = fraction.size(); i < 3; ++i) scaled *= 10;
        milliseconds = total * 1000 + scaled;
    }
    if (!milliseconds || *milliseconds > static_cast<std::uint64_t>(limit)) return std::nullopt;
    const auto value = static_cast<std::int64_t>(*milliseconds);
    return negative ? -value : value;
}

std::variant<Options, UsageError> parseOptions(const std::vector<std::string_view>& arguments) {
    Options options;
    bool formatGiven = false, playGiven = false, probeGiven = false, infoGiven = false;
    std::vector<std::string_view> inputs;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string_view name = argument;
        std::optional<std::string_view> value;
        if (const auto equals = argument.find('='); equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        name = longName(name);
        if (takesValue(name)) {
            if (!value) {
                if (i + 1 == arguments.size()) {
                    return UsageError{"option " + std::string(name) + " needs a value"};
                }
                value = arguments[++i];
            }
        } else if (value) {
            return UsageError{"option " + std::string(name) + " takes no value"};
        }

        if (name == "--help") {
            options.mode = Mode::Help;
            return options;
        }
        if (name == "--version") {
            options.mode = Mode::Version;
            return options;
        }
        if (name == "--format") {
            const auto format = formatWhere(&FormatName::name, *value);
            if (!format) return invalid(name, *value, "json, srt, vtt, text or sub");
            options.format = *format;
            formatGiven = true;
        } else if (name == "--play") {
            playGiven = true;
        } else if (name == "--probe") {
            probeGiven = true;
        } else if (name == "--info") {
            infoGiven = true;
        } else if (name == "--speed") {
            const auto speed = parseSpeed(*value);
            if (!speed) return invalid(name, *value, "a number above 0");
            options.speed = *speed;
        } else if (name == "--fps") {
            options.frameRate = Host::parseFrameRate(*value);
            if (!options.frameRate) {
                return invalid(name, *value, "a rate such as 25, 23.976 or 30000/1001");
            }
        } else if (name == "--encoding") {
            if (value->empty()) return invalid(name, *value, "a converter name");
            options.encoding = std::string(*value);
        } else if (name == "--ignore-signature") {
            options.ignoreSignature = true;
        } else if (name == "--strict") {
            options.strict = true;
        } else if (name == "--language") {
            options.language = std::string(*value);
        } else if (name == "--reverse") {
            options.reverse = true;
        } else if (name == "--seek") {
            const auto seek = parseTime(*value, /*signedTime*/ false);
            if (!seek) return invalid(name, *value, "seconds, [[hh:]mm:]ss[.mmm] or 500ms");
            options.seek = static_cast<std::uint32_t>(*seek);
        } else if (name == "--offset") {
            const auto offset = parseTime(*value, /*signedTime*/ true);
            if (!offset) return invalid(name, *value, "seconds, [-][[hh:]mm:]ss[.mmm] or 500ms");
            options.offset = *offset;
        } else if (name == "--scale") {
            const auto scale = parseScale(*value);
            if (!scale) return invalid(name, *value, "a factor above 0, or RATE/RATE: 23.976/25");
            options.scale = *scale;
        } else if (name == "--overwrite" || name == "--no-overwrite") {
            const Overwrite chosen = name == "--overwrite" ? Overwrite::Always : Overwrite::Never;
            if (options.overwrite != Overwrite::Refuse && options.overwrite != chosen) {
                return UsageError{"-y and -n exclude each other"};
            }
            options.overwrite = chosen;
        } else if (name == "--output") {
            if (value->empty()) return invalid(name, *value, "a file, - or a folder/");
            options.output = std::string(*value);
        } else if (name == "--log") {
            options.log = true;
        } else if (name == "--quiet") {
            options.quiet = true;
        } else if (name == "-i") {
            // ffmpeg's habit: its input option is an argument here.
            const std::string file =
                i + 1 < arguments.size() ? std::string(arguments[i + 1]) : "FILE";
            return UsageError{"-i is not an option of subplay: give " + file + " as an argument"};
        } else if (name == "--plugin") {
            if (value->empty()) return invalid(name, *value, "a library path");
            options.plugin = std::string(*value);
        } else {
            return UsageError{"unknown option " + std::string(name)};
        }
    }

    if (formatGiven && playGiven) return UsageError{"--format and --play exclude each other"};
    if (probeGiven && (formatGiven || playGiven)) {
        return UsageError{"--probe excludes --format and --play"};
    }
    if (infoGiven && (playGiven || probeGiven)) {
        return UsageError{"--info excludes --play and --probe"};
    }
    if (infoGiven && formatGiven && options.format != OutputFormat::Json &&
        options.format != OutputFormat::Text) {
        return UsageError{"--info is written as text or json"};
    }
    if (options.offset != 0 && playGiven) return UsageError{"--offset excludes --play"};
    if (options.scale != 1.0 && playGiven) return UsageError{"--scale excludes --play"};
    const bool intoFolder = options.output && options.output->ends_with('/');
    if (infoGiven && intoFolder) return UsageError{"--info excludes -o DIR/"};
    if (inputs.size() > 1 && !infoGiven && !(formatGiven && intoFolder)) {
        std::string message =
            "more than one FILE or URL given: convert them with --format and -o DIR/";
        // ffmpeg's habit: the output after the input.
        if (inputs.size() == 2 && !options.output && formatForExtension(inputs.back())) {
            message += "; did you mean -o " + std::string(inputs.back()) + "?";
        }
        return UsageError{message};
    }
    if (intoFolder && !formatGiven) return UsageError{"-o DIR/ needs --format"};
    if (options.output && !intoFolder && *options.output != "-" && !formatGiven && !playGiven &&
        !probeGiven && !infoGiven) {
        const auto format = formatForExtension(*options.output);
        if (!format) {
            return UsageError{"cannot tell the format from the name " + *options.output +
                              ": give --format (json, srt, vtt, text or sub)"};
        }
        options.format = *format;
        formatGiven = true;
    }
    if (inputs.empty()) inputs.push_back("-");
    options.inputs.assign(inputs.begin(), inputs.end());
    options.mode = infoGiven     ? Mode::Info
                   : probeGiven  ? Mode::Probe
                   : playGiven   ? Mode::Play
                   : formatGiven ? Mode::Format
                                 : Mode::Default;
    return options;
}

std::optional<OutputFormat> formatForExtension(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) {
        return std::nullopt;
    }
    std::string extension(path.substr(dot));
    for (char& c : extension) c = Ascii::lower(c);
    return formatWhere(&FormatName::extension, extension);
}

std::string_view extensionOf(OutputFormat format) {
    return std::find_if(std::begin(kFormats), std::end(kFormats),
                        [format](const auto& known) { return known.format == format; })
        ->extension;
}

std::string shortUsageText() {
    return "Usage: subplay [OPTIONS] [FILE|URL|-]...\nRun 'subplay --help' for the options.\n";
}

std::span<const OptionSpec> optionTable() {
    return kOptions;
}

std::string usageText() {
    std::string text =
        "Usage: subplay [OPTIONS] [FILE|URL|-]...\n"
        "Plays or converts MicroDVD subtitle files through the MicroDVD plug-in, loaded as a\n"
        "player loads it. The plug-in opens only names ending in .sub or .txt (with\n"
        "--strict in lower case only); with no FILE, or -, subplay reads standard input.\n"
        "\n";
    constexpr std::size_t helpColumn = 22;
    for (const OptionSpec& option : kOptions) {
        std::string names = "  ";
        if (option.letter != 0) names.append("-").append(1, option.letter).append(", ");
        names += option.name;
        if (!option.value.empty()) names.append(" ").append(option.value);
        names.resize(std::max(names.size() + 2, helpColumn), ' ');
        text += names;
        for (std::string_view help = option.help;;) {
            const std::size_t end = help.find('\n');
            text.append(help.substr(0, end)) += '\n';
            if (end == std::string_view::npos) break;
            help.remove_prefix(end + 1);
            text.append(helpColumn, ' ');
        }
    }
    text +=
        "\n"
        "NO_COLOR, or TERM=dumb, turns styling off; TERM=dumb also prints one line per\n"
        "event instead of redrawing.\n"
        "\n"
        "Exit status: 0 success (--probe: the file holds MicroDVD), 1 a file that could not\n"
        "be opened, converted or written, or an output refused to keep a file (--probe: it\n"
        "does not hold MicroDVD), 2 a usage error.\n"
        "\n"
        "More in the manual: man subplay\n";
    return text;
}

}  // namespace Tork::Subplay
