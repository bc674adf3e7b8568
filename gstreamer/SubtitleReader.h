// The Tork plug-in as the GStreamer element uses it: the only file that talks to the host kit.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Tork::Gst {

/// One cue as the plug-in's stream hands it out, its text in the plug-in's mark-up.
struct Cue {
    std::uint32_t start = 0;    // ms
    std::int32_t duration = 0;  // ms; the plug-in may answer a negative one
    std::string text;
};

/// One MicroDVD file read through the Tork plug-in, with the settings a player for people
/// wants: the lenient reading and charset detection. Not thread-safe: the element uses it
/// under its stream lock, from one thread at a time.
class SubtitleReader {
public:
    SubtitleReader();
    ~SubtitleReader();
    SubtitleReader(const SubtitleReader&) = delete;
    SubtitleReader& operator=(const SubtitleReader&) = delete;

    /// Whether the plug-in's probe takes the file at `url` (a file: URL) for MicroDVD; false
    /// also when the plug-in cannot be loaded.
    [[nodiscard]] bool probe(const std::string& url);
    /// Reads the file in `encoding` (an ICU converter name) rather than the detected one; a
    /// byte-order signature still wins. Takes effect at the next open.
    void setEncoding(const std::string& encoding);
    /// Opens the file at `url`; false, with error() saying why, when the plug-in cannot be
    /// loaded or refuses the file.
    [[nodiscard]] bool open(const std::string& url);
    const std::string& error() const { return error_; }
    /// What the plug-in worked around in the file opened that a viewer should hear of (a
    /// zero byte in its text); empty when nothing.
    const std::string& warning() const { return warning_; }

    /// The next cue in time order, or none at the end (or before a successful open).
    [[nodiscard]] std::optional<Cue> next();
    /// Moves to the first cue that has not ended by `time` (ms); false when nothing is open
    /// or the stream refuses.
    [[nodiscard]] bool seek(std::uint32_t time);

    /// The Tork plug-in's path: beside this module in the build tree, or where the install
    /// puts it relative to GStreamer's plug-in folder.
    static std::string pluginPath();

private:
    struct Session;
    std::unique_ptr<Session> session_;
    std::string error_;
    std::string warning_;
};

}  // namespace Tork::Gst
