#include "gstreamer/SubtitleReader.h"

#include "framework/ResultCode.h"
#include "framework/StreamInterface.h"
#include "host/ContainerSession.h"
#include "host/HostSettings.h"
#include "host/PluginLibrary.h"
#include "platform/DynamicLibrary.h"
#include "platform/LibraryNames.h"

#include <fstream>

namespace Tork::Gst {

namespace {

// Kept loaded for the process, longer than any element: the plug-in keeps process-wide
// objects (its logger, its converter binding) that it does not free when unloaded.
const Host::PluginLibrary& plugin() {
    return Host::PluginLibrary::kept(SubtitleReader::pluginPath());
}

void configure(Host::ContainerSession& session) {
    session.context().set(Host::Settings::lenientReading(true));
    session.context().set(Host::Settings::detectEncoding(true));
}

}  // namespace

struct SubtitleReader::Session {
    Host::ContainerSession session{plugin()};
    Tork::StreamInterface* stream = nullptr;
};

SubtitleReader::SubtitleReader() : session_(std::make_unique<Session>()) {
    configure(session_->session);
}

SubtitleReader::~SubtitleReader() = default;

std::string SubtitleReader::pluginPath() {
    static const int anchor = 0;
    const std::string here = DynamicLibrary::folderOf(&anchor);
    const std::string file = LibraryNames::sharedLibrary("tork_microdvd");
    for (const char* folder : {"../", TORK_INSTALLED_PLUGIN_FOLDER}) {
        if (std::ifstream(here + folder + file).good()) return here + folder + file;
    }
    return here + "../" + file;
}

bool SubtitleReader::probe(const std::string& url) {
    return session_->session.ready() && session_->session.probe(Host::FileUrl(url));
}

void SubtitleReader::setEncoding(const std::string& encoding) {
    session_->session.context().set(Host::Settings::codePageName(encoding));
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
    warning_ = session.report() ? session.report()->zeroByte() : std::string();
    // Every cue is due at once: GStreamer times the buffers, not the plug-in's clock.
    session.clock().set(Host::latestClockTime);
    return true;
}

std::optional<Cue> SubtitleReader::next() {
    if (!session_->stream) return std::nullopt;
    Host::Entry entry;
    if (Host::readEntry(*session_->stream, entry) != Host::ReadOutcome::Entry) {
        return std::nullopt;
    }
    return Cue{entry.start, entry.duration, std::move(entry.text)};
}

bool SubtitleReader::seek(std::uint32_t time) {
    if (!session_->stream) return false;
    std::uint32_t reached = 0;
    return session_->stream->seekStream(time, &reached, /*reserved*/ 0) == Result::Ok;
}

}  // namespace Tork::Gst
