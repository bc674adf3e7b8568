// subplay: plays or converts a MicroDVD file through the plug-in, loaded as a player loads it.
#include "framework/StreamInterface.h"
#include "host/ContainerSession.h"
#include "host/ManualClock.h"
#include "host/PluginLibrary.h"
#include "host/UrlLocation.h"
#include "platform/LibraryNames.h"
#include "platform/Terminal.h"
#include "tools/subplay/Diagnosis.h"
#include "tools/subplay/Options.h"
#include "tools/subplay/PlaybackClock.h"
#include "tools/subplay/Player.h"
#include "tools/subplay/PluginLog.h"
#include "tools/subplay/Stream.h"
#include "tools/subplay/Writers.h"

#include <algorithm>
#include <exception>
#include <filesystem>
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

int fail(const std::string& message) {
    std::cerr << "subplay: " << printable(message) << '\n';
    return exitCannotOpen;
}

void warnUnreachable() {
    std::cerr << "subplay: entries that start after " << formatTime(latestReachableStart)
              << " cannot be read through the stream's clock and were left out\n";
}

std::string workingFolder() {
    std::error_code error;
    const auto folder = std::filesystem::current_path(error);
    return error ? std::string("/") : folder.string();
}

int convert(StreamInterface& stream, const StreamDescription& description, const Options& options,
            Host::ManualClock& clock) {
    positionStream(stream, {options.reverse, options.seek});
    const auto writer = makeWriter(options.format, std::cout);
    const ReadSummary summary = readAll(stream, clock, description, *writer);
    if (summary.unreachable) warnUnreachable();
    return exitSuccess;
}

int playInRealTime(StreamInterface& stream, const Options& options,
                   std::optional<PlaybackClock>& clock) {
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
    settings.terminal = isTerminal(StandardStream::Output);
    settings.columns = terminalColumns(StandardStream::Output);
    settings.lastEnd = lastEnd;
    StreamSource source(stream);
    const PlaySummary summary = play(source, *clock, settings, std::cout);
    if (summary.unreachable) warnUnreachable();
    return exitSuccess;
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
    if (options.mode == Mode::Version) {
        std::cout << "subplay " << TORK_VERSION << '\n';
        return exitSuccess;
    }
    if (options.mode == Mode::Default) {
        options.mode = isTerminal(StandardStream::Output) ? Mode::Play : Mode::Format;
    }

    const std::string pluginPath =
        options.plugin
            ? *options.plugin
            : Host::PluginLibrary::besideProgram(LibraryNames::sharedLibrary("tork_microdvd"),
                                                 {"../lib/", TORK_INSTALLED_PLUGIN_FOLDER, ""});
    // Loaded before the plug-in logs anything, so it binds the configured library.
    std::optional<PluginLog> log;
    if (options.log) {
        log.emplace(pluginPath);
        if (!log->enabled()) std::cerr << "subplay: --log: " << log->error() << '\n';
    }
    const std::string url = Host::locationFor(options.input, workingFolder());
    const HostSettings settings{options.frameRate, options.encoding, options.ignoreSignature,
                                options.language};
    const Host::PluginLibrary& library = Host::PluginLibrary::kept(pluginPath);
    // The stream keeps the clock it is given until the component is released.
    std::optional<PlaybackClock> playback;
    Host::ContainerSession session(library);
    if (!session.ready()) return fail(session.error());
    applySettings(session.context(), settings);

    // A player probes before it opens; the answer also says which line the plug-in disliked.
    const bool recognised = session.probe(url);
    if (options.mode == Mode::Probe) {
        if (recognised) return exitSuccess;
        return fail(options.input + ": not recognised as MicroDVD: " +
                    explainFailure(url, Attempt::Probe, recognised));
    }
    switch (session.open(url)) {
        case Host::ContainerSession::OpenOutcome::Opened:
            break;
        case Host::ContainerSession::OpenOutcome::Refused:
            return fail(options.input +
                        ": cannot open: " + explainFailure(url, Attempt::Open, recognised));
        case Host::ContainerSession::OpenOutcome::NoStream:
            return fail(options.input + ": " + session.error());
    }
    StreamInterface& stream = *session.stream();
    const int status = options.mode == Mode::Play
                           ? playInRealTime(stream, options, playback)
                           : convert(stream, describeStream(stream), options, session.clock());
    std::cout.flush();
    if (!std::cout) return fail("cannot write to standard output");
    return status;
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
