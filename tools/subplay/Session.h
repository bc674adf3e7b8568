// One container of the plug-in, driven through its whole life as a player drives it.
#pragma once

#include "host/ManualClock.h"
#include "host/PluginLibrary.h"
#include "host/RecordingPluginHost.h"
#include "host/SettingsContext.h"
#include "tools/subplay/Options.h"
#include "tools/subplay/Writers.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Tork {
class ContainerInterface;
class MediaClock;
class Plugin;
class StreamInterface;
}  // namespace Tork

namespace Tork::Subplay {

/// What the host answers when the plug-in asks for a setting.
struct HostSettings {
    std::optional<FrameRatio> frameRate;
    std::optional<std::string> encoding;
    bool ignoreSignature = false;
    std::optional<std::string> language;
};

/// Makes one component of a loaded plug-in and takes it from initialize to open, program
/// selection and the stream; the destructor closes the container and releases it. The
/// library must stay loaded for as long as the session lives.
class Session {
public:
    /// ready() is false, and error() says why, when the plug-in is not loaded, makes no
    /// component or has no container interface.
    Session(const Host::PluginLibrary& library, const HostSettings& settings);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool ready() const { return container_ != nullptr; }
    const std::string& error() const { return error_; }

    /// The container's probe of `url`; false also when the session is not ready.
    bool probe(const std::string& url);
    enum class OpenOutcome { Opened, Refused, NoStream };
    /// Opens `url`, lists and selects the program and finds the selected stream. Refused
    /// when the plug-in's open fails; NoStream, with error() saying which step, when a
    /// later one does.
    OpenOutcome open(const std::string& url);

    /// The selected stream after a successful open, or null.
    StreamInterface* stream() const { return stream_; }
    StreamDescription describeStream() const;

private:
    Host::RecordingPluginHost host_;
    Host::SettingsContext context_;
    Plugin* plugin_ = nullptr;
    ContainerInterface* container_ = nullptr;
    StreamInterface* stream_ = nullptr;
    bool opened_ = false;
    std::string error_;
};

enum class ReadOutcome { Entry, NotYet, End };

/// One readStream call; a chunk handed out is copied into `entry` and released at once.
ReadOutcome readEntry(StreamInterface& stream, Entry& entry);

/// The latest media time a host clock can show, and the latest start time that the stream
/// hands out against it (it hands an entry out up to 500 ms early).
inline constexpr std::int32_t latestClockTime = 0x7FFFFFFF;
inline constexpr std::uint32_t latestReachableStart = 0x7FFFFFFFu + 500u;

struct ReadPosition {
    bool reverse = false;
    std::optional<std::uint32_t> seek;
};

/// Sets the direction and the starting point as a player does: rate -1000 and reset for
/// reverse, then the seek.
void positionStream(StreamInterface& stream, const ReadPosition& position);

/// The end of the stream's last entry (the one with the latest start), from a key-time
/// query that leaves the cursor alone; nothing when the stream cannot tell.
std::optional<std::uint32_t> lastEntryEnd(StreamInterface& stream);

struct ReadSummary {
    std::uint64_t entries = 0;
    /// Some entries start later than any clock time can reach, so they were left out.
    bool unreachable = false;
};

/// Attaches `clock` (which must outlive the stream's use of it), sets it far ahead, and
/// hands every entry the stream gives out to `writer`, between begin() and end().
ReadSummary readAll(StreamInterface& stream, Host::ManualClock& clock,
                    const StreamDescription& description, EntryWriter& writer);

}  // namespace Tork::Subplay
