#include "tests/gstreamer/Pipelines.h"

#include "tests/support/MicroDVDText.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Tork::Gst::Test {

namespace {

class GstEnvironment : public testing::Environment {
public:
    void SetUp() override {
        g_setenv("GST_PLUGIN_PATH", TORK_GST_PLUGIN_DIR, TRUE);
        g_setenv("GST_REGISTRY", TORK_GST_REGISTRY, TRUE);
#ifdef TORK_GST_SCAN_IN_PROCESS
        g_setenv("GST_REGISTRY_FORK", "no", TRUE);
#endif
        gst_init(nullptr, nullptr);
    }
};
testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GstEnvironment);

// The first error on the bus, noting the first warning before it in `run` (popping the
// one discards the other).
std::string errorOn(GstBus* bus, Outcome& run) {
    const auto types = static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_WARNING);
    while (GstMessage* message = gst_bus_pop_filtered(bus, types)) {
        GError* error = nullptr;
        const bool isError = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
        if (isError) {
            gst_message_parse_error(message, &error, nullptr);
        } else {
            gst_message_parse_warning(message, &error, nullptr);
        }
        std::string text = error ? error->message : isError ? "error" : "warning";
        g_clear_error(&error);
        gst_message_unref(message);
        if (isError) return text;
        if (run.warning.empty()) run.warning = text;
    }
    return {};
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const Cue& cue) {
    return out << '{' << cue.start << ", " << cue.duration << ", \"" << cue.text << "\"}";
}

const std::vector<Cue>& lighthouse() {
    static const std::vector<Cue> cues = {
        {2000, 3000, "The lamp went out at a quarter past nine."},
        {6000, 3000, "<i>Somebody has to climb the stairs.</i>"},
        {9600, 3200, "<b>Not me.\nI climbed them yesterday.</b>"},
        {13200, 2800, "<span foreground=\"#00FF00\">Green means the harbour is clear.</span>"},
        {16400, 2800, "Then why is it flashing red?"},
        {20000, 3000, "<i>Because the harbour\nis not clear.</i>"},
        {23600, 2400, "Fetch the oil can."},
        {25600, 4000, "We ran out of oil in March."},
        {30000, 2800, "<b><i>Then we light it by hand.</i></b>"},
        {33200, 2800, "With what, a birthday candle?"},
        {36400, 3600, "<span foreground=\"#FF00FF\">With whatever burns.</span>"},
        {40400, 3600, "Bread &amp; matches: the keeper&apos;s dinner."},
        {44800, 3200, "<i>...and there they are.\nUnder the bread.</i>"},
    };
    return cues;
}

std::string example(const char* name) {
    return std::string(TORK_SOURCE_DIR) + "/examples/" + name;
}

std::string textThenFrames(std::size_t bytes, const std::string& text) {
    return Testing::MicroDVDLines()
        .head(text)
        .text([](std::size_t) { return "A line of the film, in plain words."; })
        .bytes(bytes);
}

std::string uriOf(const std::string& path) {
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    std::string text = uri;
    g_free(uri);
    return text;
}

std::vector<std::string> RuntimeFolder::elementFiles() const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(native(path()))) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("tork-")) files.push_back(name);
    }
    return files;
}

Outcome collect(GstElement* pipeline, GstAppSink* sink) {
    Outcome run;
    GstBus* bus = gst_element_get_bus(pipeline);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    for (int waited = 0; waited < 300 && run.error.empty() && !gst_app_sink_is_eos(sink);) {
        GstSample* sample = gst_app_sink_try_pull_sample(sink, 100 * GST_MSECOND);
        if (!sample) {
            ++waited;
            run.error = errorOn(bus, run);
            continue;
        }
        if (!run.firstSegment) run.firstSegment = *gst_sample_get_segment(sample);
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_READ);
        run.cues.push_back({GST_BUFFER_PTS(buffer) / GST_MSECOND,
                            GST_BUFFER_DURATION(buffer) / GST_MSECOND,
                            std::string(reinterpret_cast<const char*>(map.data), map.size)});
        gst_buffer_unmap(buffer, &map);
        gst_sample_unref(sample);
    }
    if (run.error.empty()) run.error = errorOn(bus, run);
    if (run.error.empty() && !gst_app_sink_is_eos(sink)) run.error = "no end of stream";
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    return run;
}

GstElement* launch(const std::string& description) {
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    EXPECT_EQ(error, nullptr) << (error ? error->message : "") << " in " << description;
    g_clear_error(&error);
    return pipeline;
}

GstAppSink* sinkOf(GstElement* pipeline) {
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_object_unref(sink);  // the pipeline holds it
    return GST_APP_SINK(sink);
}

Outcome parseFrom(const std::string& source) {
    GstElement* pipeline =
        launch(source + " ! typefind ! torkmicrodvdparse ! appsink name=out sync=false");
    if (!pipeline) return {};
    Outcome run = collect(pipeline, sinkOf(pipeline));
    gst_object_unref(pipeline);
    return run;
}

}  // namespace Tork::Gst::Test

#if defined(__SANITIZE_THREAD__)
// GLib and GStreamer hand their own allocations from thread to thread under GLib's futex locks,
// which ThreadSanitizer does not see; its reports of those name GLib's allocator.
extern "C" const char* __tsan_default_suppressions() {
    return "race:g_malloc\nrace:g_malloc0\nrace:g_realloc\nrace:g_slice_alloc\n"
           "race:g_slice_alloc0\n";
}
#endif

#if defined(__SANITIZE_ADDRESS__)
// Scanning GStreamer's plug-ins in this process runs their libraries' constructors, which keep
// what they take from GLib for the process's life. GLib has no frame pointers, so such a
// report ends in its allocator and says no more.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\n";
}
#endif
