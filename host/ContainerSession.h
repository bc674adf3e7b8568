// One container component driven as a player drives it: made, initialised with the host's
// settings, probed, opened, its program selected, its stream read, closed and released.
#pragma once

#include "host/ManualClock.h"
#include "host/OpenReport.h"
#include "host/PluginLibrary.h"
#include "host/RecordingPluginHost.h"
#include "host/SettingsContext.h"
#include "host/UrlLocation.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace Tork {
class ContainerInterface;
class MediaChunk;
class Plugin;
class PluginHost;
class StreamInterface;
struct StreamFormat;
}  // namespace Tork

namespace Tork::Host {

/// One entry as a stream handed it out.
struct Entry {
    std::uint32_t start = 0;    // ms
    std::int32_t duration = 0;  // ms; may be negative
    std::string text;           // UTF-8 with the plug-in's mark-up; "\n" between lines
    bool operator==(const Entry&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Entry& entry);

/// Ends a chunk with its release(). One made with a share of the plug-in's library keeps
/// the library loaded until then: a chunk's release runs the plug-in's code.
class ChunkRelease {
public:
    ChunkRelease() = default;
    explicit ChunkRelease(std::shared_ptr<const void> library) : library_(std::move(library)) {}
    void operator()(MediaChunk* chunk) const;

private:
    std::shared_ptr<const void> library_;
};
/// A chunk the host holds; released when the owner goes.
using OwnedChunk = std::unique_ptr<MediaChunk, ChunkRelease>;

enum class ReadOutcome { Entry, NotYet, End };

/// One readStream call. End also when the stream answers a failure; a chunk comes only with
/// Entry, and keeps the ChunkRelease `chunk` had. For the stream of a loaded library use
/// ContainerSession::readChunk, whose chunks keep the library loaded.
ReadOutcome readChunk(StreamInterface& stream, OwnedChunk& chunk);
/// The chunk's text: its size bytes, at most its capacity. It lasts as long as the chunk.
std::string_view textOf(MediaChunk& chunk);
/// The chunk's time and a copy of its text.
Entry entryOf(MediaChunk& chunk);
/// One readStream call; a chunk handed out is copied into `entry` and released at once.
ReadOutcome readEntry(StreamInterface& stream, Entry& entry);
/// Every entry due at the stream's clock, in reading order.
std::vector<Entry> readDue(StreamInterface& stream);

/// An entry read without a copy of its text: the chunk stays held with its data locked, and
/// text() points into it, until the next read into this object, reset() or its end. For a
/// host that hands the text on (a writer, a GStreamer buffer) rather than keeping it: a copy
/// of a large entry costs as much memory again.
class EntryChunk {
public:
    EntryChunk() = default;
    ~EntryChunk() { reset(); }
    EntryChunk(const EntryChunk&) = delete;
    EntryChunk& operator=(const EntryChunk&) = delete;

    std::uint32_t start() const { return start_; }       // ms
    std::int32_t duration() const { return duration_; }  // ms; may be negative
    /// The chunk's size bytes, at most its capacity; empty when no chunk is held.
    std::string_view text() const { return text_; }
    /// The chunk held, or null; it stays this object's.
    MediaChunk* chunk() const { return chunk_.get(); }
    /// Unlocks and releases the chunk held, if any.
    void reset();

private:
    friend ReadOutcome readEntryChunk(StreamInterface& stream, EntryChunk& entry);
    friend class ContainerSession;
    void hold(OwnedChunk chunk);

    OwnedChunk chunk_;
    std::uint32_t start_ = 0;
    std::int32_t duration_ = 0;
    std::string_view text_;
};

/// One readStream call. The chunk held before is released first, so that only one is held
/// at a time; a chunk handed out is held in `entry` as it is. End also when the stream
/// answers a failure, and then nothing is held.
ReadOutcome readEntryChunk(StreamInterface& stream, EntryChunk& entry);

/// The component, its host, its context with the settings, and a clock the host sets. The
/// destructor closes an opened container and releases the component; a stream keeps its
/// clock until then, so the session's own clock lives as long.
class ContainerSession {
public:
    /// Makes the component, given the host it reports to; answers null when it cannot.
    using Factory = std::function<Plugin*(PluginHost*)>;

    /// A component of the loaded `library`; the session and the chunks it hands out keep
    /// the library loaded.
    explicit ContainerSession(const PluginLibrary& library);
    /// A component the host makes itself, holding one reference the session takes over.
    explicit ContainerSession(const Factory& make);
    ~ContainerSession();
    ContainerSession(const ContainerSession&) = delete;
    ContainerSession& operator=(const ContainerSession&) = delete;

    /// False, with error() saying why, when there is no library, no component or no
    /// container interface.
    bool ready() const { return container_ != nullptr; }
    const std::string& error() const { return error_; }

    Plugin* plugin() const { return plugin_; }
    ContainerInterface& container() const { return *container_; }
    SettingsContext& context() { return context_; }
    RecordingPluginHost& host() { return host_; }
    ManualClock& clock() { return clock_; }

    /// The container's probe of `file`; false also when the session is not ready.
    bool probe(const FileLocation& file, std::vector<StreamFormat>* formats = nullptr);

    enum class OpenOutcome { Opened, Refused, NoStream };
    /// Opens `file` (a FilePath or a FileUrl), then selectProgram(). Refused when the
    /// container's open fails; error() then says why as the component's report does
    /// ("film.sub: line 12: ..."), or as far as the host can tell (no such file, not a
    /// file: URL) from a component without a report.
    OpenOutcome open(const FileLocation& file);
    /// What the component reported of the last open or probe, successful or not; nothing
    /// before either or from a component without a report.
    const std::optional<OpenReport>& report() const { return report_; }
    /// Lists the programs, selects the first and takes the stream the container selected.
    /// NoStream, with error() saying which step failed, when any does.
    OpenOutcome selectProgram();
    /// The stream the container selected last, or null.
    StreamInterface* stream() const { return stream_; }

    /// open() with the session's clock attached to the stream: the stream, or null.
    StreamInterface* openStream(const FileLocation& file);
    /// One readChunk() on the selected stream (End without one); the chunk keeps the
    /// plug-in's library loaded until it is released, after the session too.
    ReadOutcome readChunk(OwnedChunk& chunk);
    /// readEntryChunk() on the selected stream (End without one); the chunk held keeps the
    /// plug-in's library loaded until it is released, after the session too.
    ReadOutcome readEntryChunk(EntryChunk& entry);
    /// Opens `file` and reads it whole at the latest clock time; nothing, with error()
    /// saying why, when it fails.
    std::optional<std::vector<Entry>> read(const FileLocation& file);

    /// close(flag) on the container; an opened session is closed at the end otherwise.
    std::int32_t close(bool flag = false);
    /// Releases the component (once); the container is gone afterwards.
    void release();

private:
    std::shared_ptr<const void> library_;  // first in, last out: the component's code
    RecordingPluginHost host_;
    SettingsContext context_;
    ManualClock clock_;
    Plugin* plugin_ = nullptr;
    ContainerInterface* container_ = nullptr;
    StreamInterface* stream_ = nullptr;
    bool opened_ = false;
    std::string error_;
    std::optional<OpenReport> report_;
};

/// The latest media time a host clock can show.
inline constexpr std::int32_t latestClockTime = 0x7FFFFFFF;

}  // namespace Tork::Host
