// What the element's pipeline tests share: GStreamer set up on the build's element, files in a
// private folder, and a pipeline run to its end with the cues it gave.
#pragma once

#include "tests/support/TempFolder.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Tork::Gst::Test {

struct Cue {
    guint64 start;     // ms
    guint64 duration;  // ms
    std::string text;
    bool operator==(const Cue&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Cue& cue);

struct Outcome {
    std::vector<Cue> cues;
    std::string error;
    std::string warning;  // the first one
    std::optional<GstSegment> firstSegment;
};

/// The cues of examples/lighthouse.sub.
const std::vector<Cue>& lighthouse();

std::string example(const char* name);
/// `text`, then MicroDVD frame lines until the whole is `bytes` long or a little longer.
std::string textThenFrames(std::size_t bytes, const std::string& text = {});
std::string uriOf(const std::string& path);

using Testing::TempFolder;

/// XDG_RUNTIME_DIR, where the element keeps its files, set to a folder of the test's own for
/// as long as it lives.
class RuntimeFolder : public TempFolder {
public:
    RuntimeFolder() { g_setenv("XDG_RUNTIME_DIR", path().c_str(), TRUE); }
    ~RuntimeFolder() { g_unsetenv("XDG_RUNTIME_DIR"); }
    /// The element's files there, beside what other parts of GStreamer keep (dconf's).
    std::vector<std::string> elementFiles() const;
};

/// The pipeline `description` (null, with a test failure, when GStreamer refuses it).
GstElement* launch(const std::string& description);
/// The appsink called "out" in `pipeline`.
GstAppSink* sinkOf(GstElement* pipeline);
/// Plays `pipeline` to its end (or its first error) and collects what `sink` receives.
Outcome collect(GstElement* pipeline, GstAppSink* sink);
/// SOURCE ! typefind ! the element ! appsink, played to its end.
Outcome parseFrom(const std::string& source);

}  // namespace Tork::Gst::Test
