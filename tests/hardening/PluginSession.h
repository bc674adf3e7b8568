// A host for the loaded plug-in: each session makes one component with its own settings,
// clock and announcements, and drives it as a player does.
#pragma once

#include "framework/ContainerInterface.h"
#include "framework/InterfaceId.h"
#include "framework/List.h"
#include "framework/MediaBuffer.h"
#include "framework/Plugin.h"
#include "framework/ResultCode.h"
#include "framework/StreamInterface.h"
#include "host/ManualClock.h"
#include "host/PluginLibrary.h"
#include "host/RecordingPluginHost.h"
#include "host/SettingsContext.h"
#include "host/UrlLocation.h"
#include "tests/support/ReadEntries.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace Tork::Hardening {

/// The plug-in under test, loaded once per process and never unloaded, so that the leak
/// check at exit can still name the plug-in's functions in its reports.
inline const Host::PluginLibrary& plugin() {
    static const auto* library = new Host::PluginLibrary(TORK_PLUGIN_PATH);
    return *library;
}

using Testing::Entry;

/// The latest time the host's clock can show.
inline constexpr std::int32_t kLatest = std::numeric_limits<std::int32_t>::max();

class Session {
public:
    Session() {
        if (!plugin().loaded()) throw std::runtime_error(plugin().error());
        plugin_ = plugin().create(&host_);
        if (!plugin_) throw std::runtime_error("the plug-in made no component");
        void* face = nullptr;
        if (plugin_->queryInterface(InterfaceId::container, &face) != Result::Ok)
            throw std::runtime_error("no container face");
        container_ = static_cast<ContainerInterface*>(face);
        container_->initialize(&context_, 0x0000000200000003ull);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { release(); }

    /// Drops the component (once), closed or not.
    void release() {
        if (plugin_) plugin_->release();
        plugin_ = nullptr;
        container_ = nullptr;
    }

    ContainerInterface& container() const { return *container_; }
    Host::SettingsContext& context() { return context_; }
    Host::RecordingPluginHost& host() { return host_; }
    Host::ManualClock& clock() { return clock_; }

    /// Opens `url`, selects the program and answers the newest stream with the session's
    /// clock attached; null when the open fails.
    StreamInterface* open(const std::string& url) {
        const Host::UrlLocation location(url);
        if (container_->open(location.get()) != Result::Ok) return nullptr;
        const List<std::uint64_t> programs = container_->getProgramIds();
        if (programs.count != 1 || container_->selectProgram(programs.head->value) != Result::Ok)
            return nullptr;
        const auto added = context_.streamsAdded();
        if (added.empty()) return nullptr;
        added.back()->setClock(&clock_);
        return added.back();
    }

    bool probe(const std::string& url) {
        const Host::UrlLocation location(url);
        return container_->probe(location.get(), 0, nullptr);
    }

    /// Opens `url` and reads it whole at the latest clock time; nothing when it fails.
    std::optional<std::vector<Entry>> read(const std::string& url) {
        StreamInterface* stream = open(url);
        if (!stream) return std::nullopt;
        clock_.set(kLatest);
        return readAll(*stream);
    }

    /// Whether, after everything so far, the host was ever told of a stream.
    bool announcedStreams() {
        const List<std::uint64_t> programs = container_->getProgramIds();
        if (programs.count == 1) (void)container_->selectProgram(programs.head->value);
        return !context_.streamsAdded().empty();
    }

    /// Every entry due now, in reading order.
    static std::vector<Entry> readAll(StreamInterface& stream) { return Testing::readAll(stream); }

private:
    Host::RecordingPluginHost host_;
    Host::SettingsContext context_;
    Host::ManualClock clock_;
    Plugin* plugin_ = nullptr;
    ContainerInterface* container_ = nullptr;
};

}  // namespace Tork::Hardening
