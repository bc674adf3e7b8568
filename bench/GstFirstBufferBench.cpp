// Time from PLAYING to the first subtitle buffer in playbin: the Tork element, then GStreamer's
// own parser on the same file; then the floor under the element's time, the plug-in's open of
// that file in the element's settings alone. Usage: gst_first_buffer_bench [LINES] [RUNS]
#include "host/ContainerSession.h"
#include "host/SettingsContext.h"
#include "host/HostSettings.h"
#include "host/PluginLibrary.h"
#include "platform/LibraryNames.h"
#include "tests/support/MicroDVDText.h"
#include "tests/support/TempFolder.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string uriOf(const std::string& path) {
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    std::string text = uri;
    g_free(uri);
    return text;
}

bool makeClip(const std::string& path) {
    const std::string description =
        "videotestsrc num-buffers=25 ! video/x-raw,width=64,height=48,framerate=25/1 ! jpegenc "
        "! avimux ! filesink location=\"" +
        path + "\"";
    GstElement* maker = gst_parse_launch(description.c_str(), nullptr);
    if (!maker) return false;
    GstBus* bus = gst_element_get_bus(maker);
    gst_element_set_state(maker, GST_STATE_PLAYING);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 20 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool made = end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
    if (end) gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(maker, GST_STATE_NULL);
    gst_object_unref(maker);
    return made;
}

// Milliseconds to the first text buffer, or a negative value when none came.
double firstBuffer(const std::string& clip, const std::string& subtitles, GstClockTime* pts) {
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GstElement* text = gst_element_factory_make("appsink", nullptr);
    GstElement* video = gst_element_factory_make("fakesink", nullptr);
    g_object_set(text, "sync", FALSE, nullptr);
    g_object_set(video, "sync", FALSE, nullptr);
    g_object_set(playbin, "uri", uriOf(clip).c_str(), "suburi", uriOf(subtitles).c_str(),
                 "text-sink", text, "video-sink", video, nullptr);
    gst_pipeline_use_clock(GST_PIPELINE(playbin), nullptr);
    const auto start = std::chrono::steady_clock::now();
    gst_element_set_state(playbin, GST_STATE_PLAYING);
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(text), 30 * GST_SECOND);
    const auto end = std::chrono::steady_clock::now();
    double milliseconds = -1;
    if (sample) {
        milliseconds = std::chrono::duration<double, std::milli>(end - start).count();
        *pts = GST_BUFFER_PTS(gst_sample_get_buffer(sample));
        gst_sample_unref(sample);
    }
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(playbin);
    return milliseconds;
}

// Milliseconds the plug-in takes to open the file, read leniently with detection as the
// element reads it, or a negative value when it refuses.
double openAlone(const Tork::Host::PluginLibrary& plugin, const std::string& subtitles) {
    Tork::Host::ContainerSession session(plugin);
    Tork::Host::setPlayerPreset(session.context());
    const auto start = std::chrono::steady_clock::now();
    const bool opened = session.openStream(Tork::Host::FileUrl(uriOf(subtitles))) != nullptr;
    const auto end = std::chrono::steady_clock::now();
    return opened ? std::chrono::duration<double, std::milli>(end - start).count() : -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    const std::size_t lines = argc > 1 ? std::stoul(argv[1]) : 200000;
    const int runs = argc > 2 ? std::stoi(argv[2]) : 5;
    const Tork::Testing::TempFolder folder;
    const std::string clip = folder.path("clip.avi");
    const std::string subtitles = folder.write("big.sub", Tork::Testing::randomFilm(lines));
    if (!makeClip(clip)) {
        std::fprintf(stderr, "gst_first_buffer_bench: cannot make the clip\n");
        return 1;
    }
    GstPlugin* tork = gst_registry_find_plugin(gst_registry_get(), "torkmicrodvd");
    if (!tork) {
        std::fprintf(stderr, "gst_first_buffer_bench: torkmicrodvd not found (GST_PLUGIN_PATH)\n");
        return 1;
    }
    struct Mode {
        const char* name;
        std::vector<double> times;
        GstClockTime pts = GST_CLOCK_TIME_NONE;
    } modes[] = {{"torkmicrodvdparse", {}}, {"subparse", {}}};
    for (Mode& mode : modes) {
        // GStreamer's parser gets the file once the Tork plug-in is out of the registry.
        if (&mode == &modes[1]) gst_registry_remove_plugin(gst_registry_get(), tork);
        for (int run = 0; run < runs; ++run) {
            const double time = firstBuffer(clip, subtitles, &mode.pts);
            if (time < 0) {
                std::fprintf(stderr, "gst_first_buffer_bench: no buffer through %s\n", mode.name);
                return 1;
            }
            mode.times.push_back(time);
        }
        std::printf("%-18s first buffer at %" GST_TIME_FORMAT ": median %.1f ms of %d runs\n",
                    mode.name, GST_TIME_ARGS(mode.pts), median(mode.times), runs);
    }
    gst_object_unref(tork);
    const Tork::Host::PluginLibrary& plugin =
        Tork::Host::PluginLibrary::kept(Tork::Host::PluginLibrary::besideProgram(
            Tork::LibraryNames::pluginLibrary(), {"../lib/"}));
    std::vector<double> opens;
    for (int run = 0; run < runs; ++run) {
        opens.push_back(openAlone(plugin, subtitles));
        if (opens.back() < 0) {
            std::fprintf(stderr, "gst_first_buffer_bench: the plug-in refuses the file\n");
            return 1;
        }
    }
    std::printf("%-18s alone, lenient and detecting: median %.2f ms of %d runs\n", "plug-in open",
                median(opens), runs);
    std::printf("%zu lines: subparse / torkmicrodvdparse = %.2f\n", lines,
                median(modes[1].times) / median(modes[0].times));
    return 0;
}
