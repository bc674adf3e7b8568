#include "player/SubtitleReader.h"

#include "framework/MediaBuffer.h"
#include "framework/ResultCode.h"
#include "framework/StreamInterface.h"
#include "host/ContainerSession.h"
#include "host/HostSettings.h"
#include "host/PluginLibrary.h"
#include "host/SettingsContext.h"
#include "platform/DynamicLibrary.h"
#include "platform/LibraryNames.h"
#include "text/ParserUtilities.h"

#include <fstream>

namespace Tork::Player {

namespace {

std::string pluginPath(std::string_view installedFolder) {
    static const int anchor = 0;
    const std::string here = DynamicLibrary::folderOf(&anchor);
    const std::string file = LibraryNames::pluginLibrary();
    for (const std::string_view folder : {std::string_view("../"), installedFolder}) {
        const std::string path = here + std::string(folder) + file;
        if (std::ifstream(path).good()) return path;
    }
    return here + "../" + file;
}

// Kept loaded for the process, longer than any element or demuxer: the plug-in keeps
// process-wide objects (its logger, its converter binding) that it does not free when
// unloaded.
const Host::PluginLibrary& plugin(std::string_view installedFolder) {
    return Host::PluginLibrary::kept(pluginPath(installedFolder));
}

}  // namespace

struct SubtitleReader::Session {
    explicit Session(std::string_view installedFolder) : session(plugin(installedFolder)) {}
    Host::ContainerSession session;
    Tork::StreamInterface* stream = nullptr;
};

SubtitleReader::SubtitleReader(std::string_view installedPluginFolder)
    : session_(std::make_unique<Session>(installedPluginFolder)) {
    Host::setPlayerPreset(session_->session.context());
}

SubtitleReader::~SubtitleReader() = default;

bool SubtitleReader::probe(const std::string& url, Reading reading) {
    Host::ContainerSession& session = session_->session;
    if (!session.ready()) return false;
    // The plug-in asks for its settings at every call.
    session.context().set(Host::Settings::lenientReading(reading == Reading::Lenient));
    const bool taken = session.probe(Host::FileUrl(url));
    session.context().set(Host::Settings::lenientReading(true));
    return taken;
}

void SubtitleReader::setEncoding(const std::string& encoding) {
    session_->session.context().set(Host::Settings::codePageName(encoding));
}

void SubtitleReader::setFrameRate(std::uint32_t frames, std::uint32_t seconds) {
    session_->session.context().set(Host::Settings::frameRateFramesPerSeconds(frames, seconds));
}

bool SubtitleReader::open(const std::string& url) {
    Host::ContainerSession& session = session_->session;
    if (!session.ready()) {
        error_ = session.error();
        return false;
    }
    session_->stream = session.openStream(Host::FileUrl(url));
    if (!session_->stream) {
        error_ = session.error();
        return false;
    }
    // Every cue is due at once: the player times the cues, not the plug-in's clock.
    session.clock().set(Host::latestClockTime);
    return true;
}

const std::optional<Host::OpenReport>& SubtitleReader::report() const {
    return session_->session.report();
}

std::optional<Cue> SubtitleReader::next() {
    if (!session_->stream) return std::nullopt;
    Host::OwnedChunk chunk;
    if (session_->session.readChunk(chunk) != Host::ReadOutcome::Entry) return std::nullopt;
    Cue cue{chunk->timestamp, chunk->duration, Host::textOf(*chunk), nullptr};
    cue.chunk = std::shared_ptr<MediaChunk>(std::move(chunk));
    return cue;
}

bool SubtitleReader::seek(std::uint32_t time) {
    if (!session_->stream) return false;
    std::uint32_t reached = 0;
    return session_->stream->seekStream(time, &reached, /*reserved*/ 0) == Result::Ok;
}

std::int64_t SubtitleReader::largestFile() {
    return ParserUtilities::kMaxFileSize;
}

}  // namespace Tork::Player
