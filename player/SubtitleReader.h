// The Tork plug-in as the player modules (GStreamer, VLC) use it: the only file of theirs
// that talks to the host kit.
#pragma once

#include "host/OpenReport.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace Tork::Player {

/// One cue as the plug-in's stream hands it out, its text in the plug-in's mark-up. The text
/// is the chunk's own, not a copy: it lasts as long as the cue.
struct Cue {
    std::uint32_t start = 0;    // ms
    std::int32_t duration = 0;  // ms; the plug-in may answer a negative one
    std::string_view text;
    std::shared_ptr<const void> chunk;  // holds the text
};

/// One MicroDVD file read through the Tork plug-in, with the settings a player for people
/// wants: the lenient reading and charset detection. Not thread-safe: a module uses it from
/// one thread at a time.
class SubtitleReader {
public:
    /// Finds the Tork plug-in beside the module holding this code in the build tree, or at
    /// `installedPluginFolder` (relative, ending in '/') from that module's folder once
    /// installed.
    explicit SubtitleReader(std::string_view installedPluginFolder);
    ~SubtitleReader();
    SubtitleReader(const SubtitleReader&) = delete;
    SubtitleReader& operator=(const SubtitleReader&) = delete;

    /// The plug-in's readings: the default one wants a frame line before any other text, the
    /// lenient one skips what is not a frame line.
    enum class Reading { Default, Lenient };

    /// Whether the plug-in's probe, in `reading`, takes the file at `url` (a file: URL) for
    /// MicroDVD; false also when the plug-in cannot be loaded. Opens stay lenient.
    [[nodiscard]] bool probe(const std::string& url, Reading reading = Reading::Lenient);
    /// Reads the file in `encoding` (an ICU converter name) rather than the detected one; a
    /// byte-order signature still wins. Takes effect at the next open.
    void setEncoding(const std::string& encoding);
    /// The frame rate of a file that declares none, `frames` per `seconds`; a zero in either
    /// leaves the plug-in's default. Takes effect at the next open.
    void setFrameRate(std::uint32_t frames, std::uint32_t seconds);
    /// Opens the file at `url`; false, with error() saying why, when the plug-in cannot be
    /// loaded or refuses the file.
    [[nodiscard]] bool open(const std::string& url);
    const std::string& error() const { return error_; }
    /// What the plug-in said of the last open; nothing before one, or when it said nothing.
    const std::optional<Host::OpenReport>& report() const;

    /// The next cue in time order, or none at the end (or before a successful open).
    [[nodiscard]] std::optional<Cue> next();
    /// Moves to the first cue that has not ended by `time` (ms); false when nothing is open
    /// or the stream refuses.
    [[nodiscard]] bool seek(std::uint32_t time);
    /// The largest file the plug-in reads, in bytes.
    static std::int64_t largestFile();

private:
    struct Session;
    std::unique_ptr<Session> session_;
    std::string error_;
};

}  // namespace Tork::Player
