// Stopping the element while the plug-in opens a large file: the stop does not wait for the
// open, which ends on its own thread and drops what it read.
#include "tests/gstreamer/Pipelines.h"
#include "tests/support/MicroDVDText.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace Tork::Gst::Test {
namespace {

// Some 32 MB of Polish in windows-1250, which the plug-in detects, converts and parses: long
// against the moment a stop takes.
std::string largePolishFile() {
    const std::string words[] = {"za\xBF\xF3\xB3\xE6",
                                 "g\xEA\x9Cl\xB9",
                                 "ja\x9F\xF1",
                                 "\xA3\xF3"
                                 "d\x9F",
                                 "\x9Cwie\xBFy",
                                 "chleb"};
    return Testing::MicroDVDLines()
        .text([&](std::size_t line) {
            std::string text;
            for (std::size_t i = line * 8; i < line * 8 + 8; ++i)
                text += words[i % std::size(words)] + ' ';
            return text;
        })
        .bytes(32u << 20);
}

struct Segment {
    std::mutex mutex;
    std::condition_variable seen;
    bool arrived = false;
};

GstPadProbeReturn onEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_SEGMENT) {
        auto* segment = static_cast<Segment*>(data);
        {
            std::lock_guard lock(segment->mutex);
            segment->arrived = true;
        }
        segment->seen.notify_all();
    }
    return GST_PAD_PROBE_OK;
}

// A source that is no local file, so the plug-in reads a copy whose life shows the open's: it
// goes when the open is over.
TEST(StopTest, DoesNotWaitForTheOpen) {
    TempFolder folder;
    const std::string file = folder.write("large.sub", largePolishFile());
    RuntimeFolder runtime;
    const int fd = g_open(file.c_str(), O_RDONLY, 0);
    ASSERT_GE(fd, 0);
    GstElement* pipeline = launch("fdsrc fd=" + std::to_string(fd) +
                                  " ! typefind ! torkmicrodvdparse ! fakesink name=out");
    ASSERT_NE(pipeline, nullptr);
    // The element sends its segment while the plug-in opens the file.
    Segment segment;
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, onEvent, &segment, nullptr);
    gst_object_unref(pad);
    gst_object_unref(sink);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    {
        std::unique_lock lock(segment.mutex);
        ASSERT_TRUE(
            segment.seen.wait_for(lock, std::chrono::minutes(5), [&] { return segment.arrived; }));
    }
    ASSERT_EQ(runtime.elementFiles().size(), 1u) << "the copy the plug-in opens";

    EXPECT_EQ(gst_element_set_state(pipeline, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
    // Stopped, and the open still under way.
    EXPECT_EQ(runtime.elementFiles().size(), 1u);
    gst_object_unref(pipeline);
    ::close(fd);

    // It ends alone, and its copy goes with its result.
    for (int waited = 0; !runtime.elementFiles().empty() && waited < 60000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(runtime.elementFiles(), std::vector<std::string>());
}

}  // namespace
}  // namespace Tork::Gst::Test
