// Real GStreamer pipelines through the element: type finding, cues, seeking and playbin.
#include "gstreamer/PangoMarkup.h"
#include "tests/gstreamer/Pipelines.h"

#include <glib/gstdio.h>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace Tork::Gst::Test {
namespace {

// filesrc ! typefind ! [between !] the element ! appsink, with `options` on the element.
Outcome parse(const std::string& path, const std::string& options = {},
              const std::optional<GstClockTime>& seekTo = std::nullopt,
              const std::string& between = {}) {
    GstElement* pipeline = launch("filesrc location=\"" + path + "\" ! typefind ! " +
                                  (between.empty() ? "" : between + " ! ") + "torkmicrodvdparse " +
                                  options + " ! appsink name=out sync=false");
    if (!pipeline) return {};
    if (seekTo) {
        gst_element_set_state(pipeline, GST_STATE_PAUSED);
        gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND);
        EXPECT_TRUE(gst_element_seek_simple(pipeline, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH,
                                            static_cast<gint64>(*seekTo)));
    }
    Outcome run = collect(pipeline, sinkOf(pipeline));
    gst_object_unref(pipeline);
    return run;
}

struct ExampleCase {
    const char* description;
    const char* file;
    const char* options;
    std::vector<Cue> cues;
};

class ExampleTest : public testing::TestWithParam<ExampleCase> {};

TEST_P(ExampleTest, GivesEveryCueInPango) {
    const Outcome run = parse(example(GetParam().file), GetParam().options);
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.cues, GetParam().cues);
}

const ExampleCase examples[] = {
    {"lighthouse", "lighthouse.sub", "", lighthouse()},
    // windows-1250 without a signature, a header, a credit line and codes on every line.
    {"polish_detected",
     "latarnia-pl-1250.sub",
     "",
     {
         {2000, 3000, "Latarnia zgasła kwadrans po dziewiątej."},
         {6000, 3000, "<i>Ktoś musi wejść po schodach.</i>"},
         {9600, 3200, "<b>Nie ja.</b>\nWchodziłem tam wczoraj."},
         {13200, 2800,
          "<span foreground=\"#00FF00\">Zielone światło znaczy, że port jest wolny.</span>"},
         {16400, 2800, "To czemu miga na czerwono?"},
         {20000, 3000, "<i>Bo port</i>\n<u>wcale nie jest wolny.</u>"},
         {23600, 2400, "Przynieś kanister z olejem."},
         {25600, 4000, "<i>Olej skończył się w marcu,\npowiedział stróż.</i>"},
         {30000, 3200, "Ściemnia się coraz bardziej."},
         {33200, 2800,
          "<span font_family=\"Times New Roman\"><span size=\"22528\">Zapalimy ją "
          "ręcznie.</span></span>"},
         {36400, 3600, "<span foreground=\"#FF00FF\">Czym? Świeczką z urodzin?</span>"},
     }},
    // Too short a sample for the detector to tell it from windows-1252: named, as decodebin
    // and playbin name it to every subtitle parser.
    {"czech_named",
     "lighthouse-cs-1250.sub",
     "subtitle-encoding=windows-1250",
     {
         {1000, 3000, "Maják zhasl ve čtvrt na deset."},
         {4400, 3200, "<i>Někdo musí vyjít po schodech.</i>"},
         {8000, 3200, "<b>Já ne.\nŠel jsem včera.</b>"},
         {11600, 3200, "Přines kanystr s olejem."},
         {15200, 3200, "<span foreground=\"#00FF00\">Olej došel v březnu, řekl žák.</span>"},
     }},
};

INSTANTIATE_TEST_SUITE_P(Examples, ExampleTest, testing::ValuesIn(examples),
                         [](const auto& info) { return std::string(info.param.description); });

TEST(PipelineTest, ReadsTheLastCueOfAFileWithoutAFinalLineFeed) {
    TempFolder folder;
    const std::string file =
        folder.write("open.sub", "{1}{1}25\r\n{25}{50}first\r\n{75}{100}a < b & c");
    const Outcome run = parse(file);
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.cues,
              (std::vector<Cue>{{1000, 1000, "first"}, {3000, 1000, "a &lt; b &amp; c"}}));
}

// A duration of -400 ms read as unsigned would show the cue for ever.
TEST(PipelineTest, GivesACueThatEndsBeforeItStartsNoDuration) {
    TempFolder folder;
    const Outcome run = parse(folder.write("back.sub", "{1}{1}25\n{100}{90}backwards\n"));
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.cues, (std::vector<Cue>{{4000, 0, "backwards"}}));
}

// A queue cannot be pulled from: upstream pushes the file, which the element lets go by.
TEST(PipelineTest, ReadsTheSameWhenUpstreamOnlyPushes) {
    const Outcome run = parse(example("lighthouse.sub"), "", std::nullopt, "queue");
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.cues, lighthouse());
}

// The element reads leniently: a zero byte shows as U+FFFD, and the viewer hears of it.
TEST(PipelineTest, WarnsOfAZeroByte) {
    TempFolder folder;
    const Outcome run =
        parse(folder.write("zero.sub", std::string("{1}{1}25\n{25}{50}a\0b\n", 21)));
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.cues, (std::vector<Cue>{{1000, 1000,
                                           "a\xEF\xBF\xBD"
                                           "b"}}));
    EXPECT_NE(run.warning.find("a zero byte on line 2 shows as U+FFFD"), std::string::npos)
        << run.warning;
}

TEST(PipelineTest, ReportsAFileThePlugInRefusesAsAnError) {
    TempFolder folder;
    // The plug-in opens only names ending in .sub or .txt, in any letter case when lenient.
    const Outcome run = parse(folder.write("film.srt", "{1}{1}25\n{25}{50}first\n"));
    EXPECT_TRUE(run.cues.empty());
    EXPECT_NE(run.error.find("Could not read"), std::string::npos) << run.error;
}

TEST(PipelineTest, SeeksInTimeThroughThePlugInsStream) {
    const Outcome run = parse(example("lighthouse.sub"), "", 31 * GST_SECOND);
    EXPECT_EQ(run.error, "");
    // The cue from 30 s to 32.8 s has not ended at 31 s, so it comes first.
    EXPECT_EQ(run.cues, std::vector<Cue>(lighthouse().end() - 5, lighthouse().end()));
    ASSERT_TRUE(run.firstSegment);
    EXPECT_EQ(run.firstSegment->start, 31 * GST_SECOND);
}

struct FoundType {
    std::string name;
    guint probability = 0;
};

// The caps typefind gives a file, as decodebin and playbin see them, and how sure it was.
FoundType typeOf(const std::string& path) {
    GstElement* pipeline =
        launch("filesrc location=\"" + path + "\" ! typefind name=find ! fakesink");
    GstElement* find = gst_bin_get_by_name(GST_BIN(pipeline), "find");
    FoundType found;
    g_signal_connect(find, "have-type",
                     G_CALLBACK(+[](GstElement*, guint probability, GstCaps* caps, gpointer out) {
                         auto* type = static_cast<FoundType*>(out);
                         type->name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
                         type->probability = probability;
                     }),
                     &found);
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(find);
    gst_object_unref(pipeline);
    return found;
}

constexpr const char* kMicroDVD = "application/x-tork-microdvd";

TEST(TypeFinderTest, IsSureOfMicroDVDOnlyWhenAFrameLineComesFirst) {
    TempFolder folder;
    // GStreamer's own type finder wants a few cues before it names SubRip.
    std::string subRip;
    for (int i = 1; i < 10; ++i) {
        subRip += std::to_string(i) + "\n00:00:0" + std::to_string(i) + ",000 --> 00:00:0" +
                  std::to_string(i) + ",500\nLine\n\n";
    }
    std::string header;
    while (header.size() < 5000) header += "Translated by somebody who liked long credits.\n";
    struct Row {
        const char* description;
        std::string path;
        std::string type;
        guint probability;
    };
    const Row rows[] = {
        {"frame lines first", example("lighthouse.sub"), kMicroDVD, GST_TYPE_FIND_MAXIMUM},
        {"blank lines before them", folder.write("blank.sub", "\r\n\n" + textThenFrames(2000, "")),
         kMicroDVD, GST_TYPE_FIND_MAXIMUM},
        // A header and a credit line before the first frame line.
        {"a header first", example("latarnia-pl-1250.sub"), kMicroDVD,
         GST_TYPE_FIND_NEARLY_CERTAIN},
        // Beyond the 4 KB once peeked, and in UTF-8 long enough for GStreamer to be 95% sure
        // it is text.
        {"5 KB of credits first", folder.write("credits.sub", textThenFrames(40000, header)),
         kMicroDVD, GST_TYPE_FIND_NEARLY_CERTAIN},
        {"a note with one frame line",
         folder.write("note.txt", "Shopping\n\nbread\n{0}{}milk\ncandles\n"), kMicroDVD,
         GST_TYPE_FIND_NEARLY_CERTAIN},
        {"SubRip with a stray frame line", folder.write("film.srt", subRip + "{0}{25}x\n"),
         "application/x-subtitle", GST_TYPE_FIND_MAXIMUM},
        {"SubRip", folder.write("plain.srt", subRip), "application/x-subtitle",
         GST_TYPE_FIND_MAXIMUM},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        const FoundType found = typeOf(row.path);
        EXPECT_EQ(found.name, row.type);
        EXPECT_EQ(found.probability, row.probability);
    }
}

// The probe's copy of the first bytes goes in the runtime folder, or the temporary one when
// that is unusable, and never stays.
TEST(TypeFinderTest, ProbesThroughAFileItRemoves) {
    TempFolder runtime;
    const std::string path = runtime.path();
    for (const std::string& folder : {path, path + "/missing", std::string("relative")}) {
        SCOPED_TRACE(folder);
        g_setenv("XDG_RUNTIME_DIR", folder.c_str(), TRUE);
        EXPECT_EQ(typeOf(example("lighthouse.sub")).name, kMicroDVD);
        GDir* dir = g_dir_open(path.c_str(), 0, nullptr);
        ASSERT_NE(dir, nullptr);
        EXPECT_EQ(g_dir_read_name(dir), nullptr);
        g_dir_close(dir);
    }
    g_unsetenv("XDG_RUNTIME_DIR");
}

TEST(TypeFinderTest, RanksAboveGStreamersSubtitleTypeFinder) {
    GstPluginFeature* ours = gst_registry_lookup_feature(gst_registry_get(), "tork-microdvd");
    GstPluginFeature* theirs = gst_registry_lookup_feature(gst_registry_get(), "subparse_typefind");
    ASSERT_NE(ours, nullptr);
    ASSERT_NE(theirs, nullptr);
    EXPECT_GT(gst_plugin_feature_get_rank(ours), gst_plugin_feature_get_rank(theirs));
    gst_object_unref(ours);
    gst_object_unref(theirs);
}

TEST(PlaybinTest, PlaysTheExamplesBesideAClipFromSuburi) {
    TempFolder folder;
    const std::string clip = folder.path("clip.avi");
    GstElement* maker = launch(
        "videotestsrc num-buffers=25 ! video/x-raw,width=64,height=48,framerate=25/1 ! jpegenc "
        "! avimux ! filesink location=\"" +
        clip + "\"");
    GstBus* bus = gst_element_get_bus(maker);
    gst_element_set_state(maker, GST_STATE_PLAYING);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 20 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(GST_MESSAGE_TYPE(end), GST_MESSAGE_EOS);
    gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(maker, GST_STATE_NULL);
    gst_object_unref(maker);

    // Repeated: the element once started pushing before decodebin had linked its pad, and
    // lost every cue to not-linked in about one run in twenty. The two examples read without
    // a named encoding take turns: playbin does not hand its subtitle-encoding to the
    // decodebins it makes when playing starts.
    for (int round = 0; round < 20; ++round) {
        const ExampleCase& sample = examples[round % 2];
        SCOPED_TRACE(sample.description);
        GstElement* playbin = gst_element_factory_make("playbin", nullptr);
        ASSERT_NE(playbin, nullptr);
        GstElement* text = gst_element_factory_make("appsink", "out");
        g_object_set(text, "sync", FALSE, nullptr);
        GstElement* video = gst_element_factory_make("fakesink", nullptr);
        g_object_set(video, "sync", FALSE, nullptr);
        g_object_set(playbin, "uri", uriOf(clip).c_str(), "suburi",
                     uriOf(example(sample.file)).c_str(), "text-sink", text, "video-sink", video,
                     nullptr);
        // Without a clock nothing waits for the media time: playsink makes its text sink sync.
        gst_pipeline_use_clock(GST_PIPELINE(playbin), nullptr);
        const Outcome run = collect(playbin, GST_APP_SINK(text));
        gst_object_unref(playbin);
        EXPECT_EQ(run.error, "");
        EXPECT_EQ(run.cues, sample.cues);
        if (run.cues != sample.cues) break;
    }
}

// Whatever the plug-in's text holds, GMarkup (and so Pango) takes the result.
TEST(PangoMarkupTest, IsWellFormedForAnyMixOfTagsAndBytes) {
    // clang-format off
    const std::string pieces[] = {
        "<i>", "</i>", "<B>", "</b>", "<u>", "</U>", "<s>", "</s>", "<font color=\"#00ff00\">",
        "<font color=\"#zz0000\">", "<font face=\"", "<font size=\"", "\">", "</font>", "&",
        "&amp;", "<", ">", "\"", "'", "\n", "\x01", "\xFF", "\xC4", "\x85", "x", "ą", "&#1;",
        "<!--", "]]>",
    };
    // clang-format on
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 24);
    for (int round = 0; round < 5000; ++round) {
        std::string input;
        for (int i = length(random); i > 0; --i) input += pieces[pick(random)];
        const std::string pango = "<markup>" + Tork::Gst::toPangoMarkup(input) + "</markup>";
        GMarkupParser parser{};
        GMarkupParseContext* context =
            g_markup_parse_context_new(&parser, G_MARKUP_DEFAULT_FLAGS, nullptr, nullptr);
        GError* error = nullptr;
        const bool parsed = g_markup_parse_context_parse(
                                context, pango.data(), static_cast<gssize>(pango.size()), &error) &&
                            g_markup_parse_context_end_parse(context, &error);
        EXPECT_TRUE(parsed) << (error ? error->message : "") << " for " << input;
        g_clear_error(&error);
        g_markup_parse_context_free(context);
        if (!parsed) break;
    }
}

}  // namespace
}  // namespace Tork::Gst::Test
