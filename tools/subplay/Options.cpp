#include "tools/subplay/Options.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace Tork::Subplay {

namespace {

std::optional<std::uint64_t> parseDigits(std::string_view text) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

std::optional<std::uint32_t> parseUnsigned32(std::string_view text) {
    const auto value = parseDigits(text);
    if (!value || *value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::optional<double> parseSpeed(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (!std::isfinite(value) || value <= 0) return std::nullopt;
    return value;
}

std::optional<OutputFormat> parseFormat(std::string_view text) {
    if (text == "json") return OutputFormat::Json;
    if (text == "srt") return OutputFormat::Srt;
    if (text == "vtt") return OutputFormat::Vtt;
    if (text == "text") return OutputFormat::Text;
    return std::nullopt;
}

bool takesValue(std::string_view name) {
    for (const std::string_view option :
         {"--format", "--speed", "--fps", "--encoding", "--language", "--seek", "--plugin"}) {
        if (name == option) return true;
    }
    return false;
}

UsageError invalid(std::string_view option, std::string_view value, std::string_view expected) {
    return {"invalid value '" + std::string(value) + "' for " + std::string(option) + ": " +
            std::string(expected)};
}

}  // namespace

std::optional<FrameRatio> parseFrameRate(std::string_view text) {
    std::optional<std::uint64_t> numerator, denominator;
    if (const auto bar = text.find('/'); bar != std::string_view::npos) {
        numerator = parseDigits(text.substr(0, bar));
        denominator = parseDigits(text.substr(bar + 1));
    } else if (const auto point = text.find_first_of(".,"); point != std::string_view::npos) {
        const std::string_view fraction = text.substr(point + 1);
        // 10^9 is the largest power of ten that still fits the 32-bit denominator.
        if (fraction.size() > 9) return std::nullopt;
        numerator = parseDigits(std::string(text.substr(0, point)) + std::string(fraction));
        denominator = 1;
        for (std::size_t i = 0; i < fraction.size(); ++i) *denominator *= 10;
        if (point == 0) numerator.reset();
    } else {
        numerator = parseDigits(text);
        denominator = 1;
    }
    constexpr std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
    if (!numerator || !denominator || *numerator == 0 || *denominator == 0 || *numerator > limit ||
        *denominator > limit) {
        return std::nullopt;
    }
    return FrameRatio{static_cast<std::uint32_t>(*denominator),
                      static_cast<std::uint32_t>(*numerator)};
}

std::variant<Options, UsageError> parseOptions(const std::vector<std::string_view>& arguments) {
    Options options;
    bool formatGiven = false, playGiven = false, probeGiven = false;
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
            const auto format = parseFormat(*value);
            if (!format) return invalid(name, *value, "json, srt, vtt or text");
            options.format = *format;
            formatGiven = true;
        } else if (name == "--play") {
            playGiven = true;
        } else if (name == "--probe") {
            probeGiven = true;
        } else if (name == "--speed") {
            const auto speed = parseSpeed(*value);
            if (!speed) return invalid(name, *value, "a number above 0");
            options.speed = *speed;
        } else if (name == "--fps") {
            options.frameRate = parseFrameRate(*value);
            if (!options.frameRate) {
                return invalid(name, *value, "a rate such as 25, 23.976 or 30000/1001");
            }
        } else if (name == "--encoding") {
            if (value->empty()) return invalid(name, *value, "a converter name");
            options.encoding = std::string(*value);
        } else if (name == "--ignore-signature") {
            options.ignoreSignature = true;
        } else if (name == "--language") {
            options.language = std::string(*value);
        } else if (name == "--reverse") {
            options.reverse = true;
        } else if (name == "--seek") {
            const auto seek = parseUnsigned32(*value);
            if (!seek) return invalid(name, *value, "milliseconds from 0 to 4294967295");
            options.seek = *seek;
        } else if (name == "--log") {
            options.log = true;
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
    if (inputs.empty()) return UsageError{"no FILE or URL given"};
    if (inputs.size() > 1) return UsageError{"more than one FILE or URL given"};
    options.input = std::string(inputs.front());
    options.mode = probeGiven    ? Mode::Probe
                   : playGiven   ? Mode::Play
                   : formatGiven ? Mode::Format
                                 : Mode::Default;
    return options;
}

std::string shortUsageText() {
    return "Usage: subplay [OPTIONS] FILE|URL\nRun 'subplay --help' for the options.\n";
}

std::string usageText() {
    return "Usage: subplay [OPTIONS] FILE|URL\n"
           "Plays or converts a MicroDVD subtitle file through the MicroDVD plug-in.\n"
           "\n"
           "  --format FMT        print every entry as json, srt, vtt or text, then exit\n"
           "  --play              show each subtitle in real time (default on a terminal)\n"
           "  --speed X           playback speed for --play (default 1)\n"
           "  --fps RATE          frame rate: 25, 23.976, 30000/1001\n"
           "  --encoding NAME     the file's encoding, an ICU converter name (windows-1250)\n"
           "  --ignore-signature  ignore an encoding signature at the start of the file\n"
           "  --language TAG      preferred language: en, en-GB, fre\n"
           "  --reverse           read backwards from the end\n"
           "  --seek MS           seek to MS milliseconds before reading\n"
           "  --probe             only ask whether FILE holds MicroDVD (exit 0 yes, 1 no)\n"
           "  --log               the plug-in's log lines on standard error\n"
           "  --plugin PATH       the plug-in to load (default: the one beside subplay)\n"
           "  --help, --version\n";
}

}  // namespace Tork::Subplay
