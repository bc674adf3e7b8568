// subplay: plays or converts a MicroDVD file through the plug-in, loaded as a player loads it.
#include "framework/StreamInterface.h"
#include "host/ContainerSession.h"
#include "host/HostSettings.h"
#include "host/ManualClock.h"
#include "host/PluginLibrary.h"
#include "host/UrlLocation.h"
#include "logging/TorkLog.h"
#include "platform/DynamicLibrary.h"
#include "platform/FatalSignals.h"
#include "platform/FileHandle.h"
#include "platform/LibraryNames.h"
#include "platform/Terminal.h"
#include "text/FileUrl.h"
#include "text/ParserUtilities.h"
#include "text/UCNVLibrary.h"
#include "text/Utf.h"
#include "tools/subplay/Diagnosis.h"
#include "tools/subplay/Options.h"
#include "tools/subplay/OutputFile.h"
#include "tools/subplay/OutputPlan.h"
#include "tools/subplay/OutputText.h"
#include "tools/subplay/Player.h"
#include "tools/subplay/Report.h"
#include "tools/subplay/Stream.h"
#include "tools/subplay/TemporaryFiles.h"
#include "tools/subplay/Writers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

using namespace Tork;
using namespace Tork::Subplay;

constexpr int exitSuccess = 0;
constexpr int exitCannotOpen = 1;
constexpr int exitUsage = 2;

// A batch's progress line stands on standard error; a message replaces it.
bool progressShown = false;

// Every message goes through printable(): names and texts come from strangers.
void warn(const std::string& message) {
    if (progressShown) std::cerr << "\r\x1b[K";
    std::cerr << "subplay: " << printable(message) << '\n';
}

int fail(const std::string& message) {
    warn(message);
    return exitCannotOpen;
}

// -q silences what is said of a run that went well; errors are always said.
bool quiet = false;

void notice(const std::string& message) {
    if (!quiet) warn(message);
}

void warnUnreachable() {
    notice("entries that start after " + formatTime(latestReachableStart) +
           " cannot be read through the stream's clock and were left out");
}

// The logging library the plug-in binds: beside it, else found by its bare name.
std::string loggingLibraryBeside(const std::string& pluginPath) {
    const std::string file = LibraryNames::loggingLibrary();
    const auto slash = pluginPath.rfind('/');
    return slash == std::string::npos ? file : pluginPath.substr(0, slash + 1) + file;
}

/// Has the plug-in's logging library write to standard error; loaded before the plug-in
/// logs anything, so both share one configuration. Says why not when it cannot.
std::optional<DynamicLibrary> logToStandardError(const std::string& pluginPath) {
    const std::string path = loggingLibraryBeside(pluginPath);
    std::optional<DynamicLibrary> library(std::in_place, path);
    if (!library->loaded()) {
        warn("--log: cannot load " + path);
        return std::nullopt;
    }
    using Configure = decltype(&TorkLog_configure);
    const auto configure = reinterpret_cast<Configure>(library->symbol("TorkLog_configure"));
    if (!configure || configure(/*enabled*/ true, nullptr) != TORKLOG_OK) {
        warn("--log: " + path + " cannot log to standard error");
        return std::nullopt;
    }
    return library;
}

int convert(StreamInterface& stream, const StreamDescription& description, const Options& options,
            Host::ManualClock& clock, std::ostream& out) {
    positionStream(stream, {options.reverse, options.seek});
    // MicroDVD is written at the rate asked for, else at the one read, so frames stay as
    // they were; else the plug-in's own default. It is written to the thousandth, where
    // 24000/1001 and 23.976 are one rate.
    Host::FrameRatio rate = Host::defaultFrameRate;
    const auto& report = description.report;
    if (report && report->rateNumerator && report->rateDenominator)
        rate = {report->rateNumerator, report->rateDenominator};
    const Timing timing{options.scale, options.offset, options.frameRate.value_or(rate)};
    const auto writer = makeWriter(options.format, out, timing);
    const ReadSummary summary = readAll(stream, clock, description, *writer);
    if (summary.unreachable) warnUnreachable();
    return exitSuccess;
}

bool dumbTerminal() {
    const char* term = std::getenv("TERM");
    return term && std::string_view(term) == "dumb";
}

int playInRealTime(StreamInterface& stream, const Options& options,
                   std::optional<PlaybackClock>& clock, std::ostream& out, bool toTerminal) {
    const std::optional<std::uint32_t> lastEnd = lastEntryEnd(stream);
    positionStream(stream, {options.reverse, options.seek});
    double origin = 0;
    if (options.seek) {
        origin = *options.seek;
    } else if (options.reverse && lastEnd) {
        origin = std::min<double>(*lastEnd, Host::latestClockTime);
    }
    clock.emplace(origin, options.speed, options.reverse);
    stream.setClock(&*clock);
    PlayerSettings settings;
    // A dumb terminal cannot move its cursor: it gets the event lines.
    settings.terminal = toTerminal && !dumbTerminal();
    const char* noColor = std::getenv("NO_COLOR");
    settings.styled = !(noColor && *noColor) && !dumbTerminal();
    settings.columns = terminalColumns(StandardStream::Output);
    settings.lastEnd = lastEnd;
    StreamSource source(stream);
    setLineOpen(StandardStream::Output, settings.terminal);
    const PlaySummary summary = play(source, *clock, settings, out);
    setLineOpen(StandardStream::Output, false);
    if (summary.unreachable) warnUnreachable();
    return exitSuccess;
}

std::string pluginPathFor(const Options& options) {
    if (options.plugin) return *options.plugin;
    return Host::PluginLibrary::besideProgram(LibraryNames::pluginLibrary(),
                                              {"../lib/", TORK_INSTALLED_PLUGIN_FOLDER, ""});
}

void printVersion(const std::string& pluginPath) {
    std::cout << "subplay " << TORK_VERSION << '\n';
    const Host::PluginLibrary& library = Host::PluginLibrary::kept(pluginPath);
    std::cout << "plug-in: " << pluginPath
              << (library.loaded() ? "" : " (cannot be loaded: " + library.error() + ")") << '\n';
    const std::string logging = loggingLibraryBeside(pluginPath);
    const bool found =
        FileHandle::open(logging, FileAccess::Read, FileCreation::OpenExisting).isOpen();
    std::cout << "logging library: " << logging << (found ? "" : " (not found)") << '\n';
    std::string icu = "not found: only UTF-8 files open";
    if (UCNVLibrary::instance() && UCNVLibrary::instance()->usable()) {
        icu = "found";
        for (const std::string& name : UCNVLibrary::systemCandidates()) {
            if (DynamicLibrary::isLoaded(name)) {
                icu = name;
                break;
            }
        }
    }
    std::cout << "ICU: " << icu << '\n';
}

// Whether ICU, as the plug-in binds it, has a converter named `name`; true when there is
// no ICU to ask, and the plug-in says so itself.
bool knownEncoding(const std::string& name) {
    const UCNVLibrary* icu = UCNVLibrary::instance();
    if (!icu || !icu->usable()) return true;
    std::int32_t status = 0;
    IcuConverter* converter = icu->open(name.c_str(), &status);
    icu->close(converter);
    return converter != nullptr;
}

// Follows the span of the entries read for --info.
struct SpanWriter : EntryWriter {
    void begin(const StreamDescription&) override {}
    void write(const EntryView& entry) override {
        const std::uint32_t end = cueEnd(entry.start, entry.duration);
        span.first = span.read++ ? std::min(span.first, entry.start) : entry.start;
        span.last = std::max(span.last, end);
    }
    void end() override {}
    EntrySpan span;
};

/// Plays or converts one location into `out`; `shown` names it in messages.
int runOne(const Options& options, const Host::PluginLibrary& library, const std::string& shown,
           const Host::FileLocation& file, std::ostream& out, bool toTerminal) {
    const std::optional<std::string> local =
        !file.path().empty() ? std::optional(file.path()) : filePathFromUrl(file.url());
    // The stream keeps the clock it is given until the component is released.
    std::optional<PlaybackClock> playback;
    Host::ContainerSession session(library);
    if (!session.ready()) return fail(session.error());
    applySettings(session.context(), options);

    if (options.mode == Mode::Probe) {
        if (session.probe(file)) return exitSuccess;
        const std::string why = session.report() ? failureText(*session.report()) : "";
        return fail(shown + ": not recognised as MicroDVD" + (why.empty() ? "" : ": " + why));
    }
    const auto opened = session.open(file);
    const std::optional<Host::OpenReport>& report = session.report();
    if (opened != Host::ContainerSession::OpenOutcome::Opened) {
        if (report && !report->opened())
            return fail(shown + ": cannot open: " + openFailureText(*report, local));
        return fail(shown + ": " + session.error());
    }
    // --info says all of it on standard output.
    if (report && options.mode != Mode::Info) {
        for (const std::string& warning : readingWarnings(*report, shown)) notice(warning);
    }
    StreamInterface& stream = *session.stream();
    StreamDescription description = describeStream(stream);
    if (report) description.encoding = report->encoding;
    description.report = report;
    if (options.mode == Mode::Info) {
        if (!report) return fail(shown + ": the plug-in gives no reading report");
        SpanWriter span;
        (void)readAll(stream, session.clock(), description, span);
        // The stream hands out only what its clock reaches; the report counts every entry.
        span.span.pastClock =
            std::max<std::uint64_t>(report->entries, span.span.read) - span.span.read;
        out << printable(infoText(*report, shown, span.span, options.format == OutputFormat::Json));
        return exitSuccess;
    }
    return options.mode == Mode::Play ? playInRealTime(stream, options, playback, out, toTerminal)
                                      : convert(stream, description, options, session.clock(), out);
}

/// Plays, converts or tells of one input into `out`; standard input ("-") is kept in a
/// private temporary file first, since the plug-in reads files.
int runInput(const Options& options, const Host::PluginLibrary& library, const std::string& input,
             std::ostream& out, bool toTerminal) {
    std::optional<TemporaryFiles::PrivateFolder> folder;
    std::string shown = input;
    std::optional<Host::FileLocation> file;
    if (input == "-") {
        shown = "standard input";
        // No file larger than the plug-in reads.
        const auto kept = TemporaryFiles::keepStream(0, folder.emplace(), "stdin.sub",
                                                     ParserUtilities::kMaxFileSize);
        if (kept.path.empty()) return fail(shown + ": " + kept.error);
        file.emplace(Host::FilePath(kept.path));
    } else if (Host::isUrl(input)) {
        file.emplace(Host::FileUrl(input));
    } else if (!isWellFormedUtf8(input)) {
        // A file: URL names files in UTF-8, and a name from an older system (a Latin-1
        // byte) is none: the plug-in opens it through a link of a name it can take.
        const auto linked = TemporaryFiles::linkTo(input, folder.emplace());
        if (linked.path.empty()) return fail(shown + ": " + linked.error);
        file.emplace(Host::FilePath(linked.path));
    } else {
        file.emplace(Host::FilePath(input));
    }
    return runOne(options, library, shown, *file, out, toTerminal);
}

struct Ran {
    int status = exitSuccess;
    bool wrote = false;  // some input's output was written
};

/// Every input in turn into `out`: the one of a conversion, or each one's --info.
Ran runInputs(const Options& options, const Host::PluginLibrary& library,
              const std::vector<std::string>& inputs, std::ostream& out, bool toTerminal) {
    Ran ran;
    for (const std::string& input : inputs) {
        if (runInput(options, library, input, out, toTerminal) == exitSuccess) {
            ran.wrote = true;
        } else {
            ran.status = exitCannotOpen;
        }
    }
    return ran;
}

/// Runs `inputs` into the file `target`, which has passed checkTarget(): it is replaced
/// only when something was written, so a failed conversion leaves it as it was.
int runIntoFile(const Options& options, const Host::PluginLibrary& library,
                const std::vector<std::string>& inputs, const std::string& target) {
    OutputFile out(target);
    if (!out.isOpen()) return fail(target + ": cannot be written: " + out.error());
    const Ran ran = runInputs(options, library, inputs, out.stream(), /*toTerminal*/ false);
    if (!ran.wrote) return ran.status;
    if (!out.commit()) return fail(target + ": cannot be written: " + out.error());
    return ran.status;
}

/// Whether `target` may be written; says why not on standard error.
TargetCheck checked(const std::string& target, const Options& options) {
    const TargetVerdict verdict = checkTarget(target, options.inputs, options.overwrite);
    if (verdict.check == TargetCheck::Refuse) warn(target + ": " + verdict.message);
    if (verdict.check == TargetCheck::Skip) notice(target + ": " + verdict.message);
    return verdict.check;
}

/// Runs every input into `target` (none or "-": standard output). A descriptor of this
/// process (/dev/stdout, /dev/fd/3) is written as the shell set it up, appending included;
/// a file is checked first, and written only when it may be.
int runInto(const Options& options, const Host::PluginLibrary& library,
            const std::optional<std::string>& target) {
    const bool standardOutput = !target || *target == "-";
    const std::optional<int> fd = standardOutput ? 1 : ownDescriptor(*target);
    if (!fd) {
        const TargetCheck check = checked(*target, options);
        if (check != TargetCheck::Write)
            return check == TargetCheck::Skip ? exitSuccess : exitCannotOpen;
        return runIntoFile(options, library, options.inputs, *target);
    }
    const std::string named = *fd == 1 ? "standard output" : *target;
    if (descriptorIsInput(*fd, options.inputs)) {
        return fail(named + " is an input; it is never written over");
    }
    DescriptorBuffer buffer(*fd);
    std::ostream out(&buffer);
    const bool toTerminal = *fd == 1 && isTerminal(StandardStream::Output);
    const Ran ran = runInputs(options, library, options.inputs, out, toTerminal);
    out.flush();
    if (buffer.error() != 0) {
        return fail("cannot write to " + named + ": " + std::string(std::strerror(buffer.error())));
    }
    return ran.status;
}

int run(const std::vector<std::string_view>& arguments) {
    const auto parsed = parseOptions(arguments);
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        std::cerr << "subplay: " << error->message << '\n' << shortUsageText();
        return exitUsage;
    }
    Options options = std::get<Options>(parsed);
    if (options.mode == Mode::Help) {
        std::cout << usageText();
        return exitSuccess;
    }
    if (options.encoding && !knownEncoding(*options.encoding)) {
        std::cerr << "subplay: invalid value '" << printable(*options.encoding)
                  << "' for --encoding: ICU has no converter of that name\n"
                  << shortUsageText();
        return exitUsage;
    }
    quiet = options.quiet;
    const std::string pluginPath = pluginPathFor(options);
    if (options.mode == Mode::Version) {
        printVersion(pluginPath);
        return exitSuccess;
    }
    if (options.mode == Mode::Default) {
        const bool toTerminal = !options.output && isTerminal(StandardStream::Output);
        options.mode = toTerminal ? Mode::Play : Mode::Format;
    }
    std::optional<DynamicLibrary> logging;
    if (options.log) logging = logToStandardError(pluginPath);
    cleanUpOnFatalSignals();
    const Host::PluginLibrary& library = Host::PluginLibrary::kept(pluginPath);
    // A probe writes nothing, so it touches no output.
    if (options.mode == Mode::Probe) {
        std::ostream none(nullptr);
        return runInput(options, library, options.inputs.front(), none, /*toTerminal*/ false);
    }
    if (!options.output || !options.output->ends_with('/')) {
        return runInto(options, library, options.output);
    }

    // Many files into one folder, as a subtitle archive is converted.
    if (const auto why = missingFolder(*options.output)) {
        return fail(*options.output + ": cannot write there: " + *why);
    }
    std::vector<std::string> targets;
    for (const std::string& input : options.inputs) {
        targets.push_back(outputIn(*options.output, input, options.format));
    }
    if (const auto shared = sharedOutput(options.inputs, targets)) {
        warn(shared->first + " and " + shared->second + " would both be written to " +
             shared->output + "; nothing was written");
        return exitUsage;
    }
    const bool progress = isTerminal(StandardStream::Error);
    std::size_t done = 0, failed = 0;
    for (std::size_t i = 0; i < options.inputs.size(); ++i) {
        if (progress) {
            std::cerr << "\r\x1b[K[" << ++done << '/' << options.inputs.size() << "] "
                      << printable(options.inputs[i]) << std::flush;
            progressShown = true;
            setLineOpen(StandardStream::Error, true);
        }
        const TargetCheck check = checked(targets[i], options);
        if (check == TargetCheck::Refuse ||
            (check == TargetCheck::Write &&
             runIntoFile(options, library, {options.inputs[i]}, targets[i]) != exitSuccess)) {
            ++failed;
        }
    }
    if (progress) {
        std::cerr << "\r\x1b[K" << options.inputs.size() - failed << " of " << options.inputs.size()
                  << " converted into " << printable(*options.output) << '\n';
        setLineOpen(StandardStream::Error, false);
    }
    return failed == 0 ? exitSuccess : exitCannotOpen;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(std::vector<std::string_view>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::cerr << "subplay: " << error.what() << '\n';
        return exitCannotOpen;
    }
}
