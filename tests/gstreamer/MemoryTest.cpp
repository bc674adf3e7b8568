// How much memory the element holds beyond what the plug-in needs to hand out a file's cues:
// each measured in a process of its own, whose peak no other run raised.
#include "host/ContainerSession.h"
#include "host/HostSettings.h"
#include "host/PluginLibrary.h"
#include "platform/LibraryNames.h"
#include "tests/support/MicroDVDText.h"
#include "tests/support/TempFolder.h"

#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace {

using namespace Tork;

std::int64_t peakBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
}

// The element reads `path` to its end in a pipeline.
bool playThroughElement(const std::string& path) {
    const std::string description =
        "filesrc location=\"" + path + "\" ! typefind ! torkmicrodvdparse ! fakesink";
    GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
    if (!pipeline) return false;
    GstBus* bus = gst_element_get_bus(pipeline);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, GST_CLOCK_TIME_NONE, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
    if (end) gst_message_unref(end);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(pipeline);
    return ended;
}

// The plug-in opens `path` as the element has it open, and hands out every cue.
bool readThroughPlugIn(const Host::PluginLibrary& plugin, const std::string& path) {
    Host::ContainerSession session(plugin);
    session.context().set(Host::Settings::lenientReading(true));
    session.context().set(Host::Settings::detectEncoding(true));
    if (!session.openStream(Host::FilePath(path))) return false;
    session.clock().set(Host::latestClockTime);
    Host::OwnedChunk chunk;
    while (session.readChunk(chunk) == Host::ReadOutcome::Entry) chunk.reset();
    return true;
}

enum class Reader { PlugIn, Element };

// In a child process: how far reading `path` raises the peak over reading `small` first, which
// loads every library and plug-in the reading needs; -1 when a reading fails.
std::int64_t growthIn(Reader reader, const std::string& small, const std::string& path) {
    if (reader == Reader::Element) {
        g_setenv("GST_PLUGIN_PATH", TORK_GST_PLUGIN_DIR, TRUE);
        g_setenv("GST_REGISTRY", TORK_GST_REGISTRY, TRUE);
        gst_init(nullptr, nullptr);
        if (!playThroughElement(small)) return -1;
        const std::int64_t before = peakBytes();
        return playThroughElement(path) ? peakBytes() - before : -1;
    }
    const Host::PluginLibrary& plugin = Host::PluginLibrary::kept(
        std::string(TORK_BUILD_DIR) + "/lib/" + LibraryNames::pluginLibrary());
    if (!readThroughPlugIn(plugin, small)) return -1;
    const std::int64_t before = peakBytes();
    return readThroughPlugIn(plugin, path) ? peakBytes() - before : -1;
}

std::int64_t measure(Reader reader, const std::string& small, const std::string& path) {
    int channel[2];
    if (pipe(channel) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const std::int64_t growth = growthIn(reader, small, path);
        _exit(write(channel[1], &growth, sizeof growth) == sizeof growth ? 0 : 1);
    }
    close(channel[1]);
    std::int64_t growth = -1;
    if (child < 0 || read(channel[0], &growth, sizeof growth) != sizeof growth) growth = -1;
    close(channel[0]);
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
    return growth;
}

TEST(MemoryTest, TheElementHoldsOnlyTheCueItPushes) {
    constexpr std::size_t kFile = 8 << 20;
    struct Row {
        const char* description;
        std::string bytes;
        // The element's own share: the Pango text of the largest cue, which downstream gets
        // whole, over the file's size.
        double times;
    };
    const Row rows[] = {
        // Each "/|" is an italic line of its own: "<i></i>\n", 4 times the bytes.
        {"one cue of empty italic lines", Testing::repeated("/|", kFile, "{0}{25}") + "\n", 4},
        {"a cue of italic lines on each line",
         Testing::repeated("{0}{25}/|/|/|/|/|/|/|/|\n", kFile) + "\n", 4},
        // An "&" is "&amp;" in Pango.
        {"one cue of ampersands", Testing::repeated("&", kFile, "{0}{25}") + "\n", 5},
    };
    const Testing::TempFolder folder;
    const std::string small = folder.write("small.sub", "{0}{25}/|&|<i>x</i>\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        const std::string large = folder.write("large.sub", row.bytes);
        const std::int64_t plugIn = measure(Reader::PlugIn, small, large);
        const std::int64_t element = measure(Reader::Element, small, large);
        ASSERT_GE(plugIn, 0);
        ASSERT_GE(element, 0);
        // GStreamer's own: its threads, the type finder's peek and the file's buffer.
        constexpr std::int64_t kGStreamer = 4 << 20;
        EXPECT_LE(element - plugIn,
                  static_cast<std::int64_t>(row.times * static_cast<double>(row.bytes.size())) +
                      kGStreamer)
            << "the plug-in alone grew by " << plugIn << " bytes, the element by " << element;
    }
}

}  // namespace
