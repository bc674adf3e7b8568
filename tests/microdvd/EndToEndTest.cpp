// The plug-in as a player uses it: loaded with dlopen from a folder of its own, beside a
// recording logging library, and driven through a container's whole life.
#include "framework/ContainerInterface.h"
#include "framework/InterfaceId.h"
#include "framework/MediaBuffer.h"
#include "framework/Plugin.h"
#include "framework/StreamFormat.h"
#include "framework/StreamInterface.h"
#include "host/ContainerSession.h"
#include "host/HostSettings.h"
#include "host/UrlLocation.h"
#include "microdvd/OverlayText.h"
#include "platform/LibraryNames.h"
#include "tests/support/MicroDVDText.h"
#include "tests/support/StandInIcu.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Utf16Bytes.h"
#include "text/Utf.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace Tork {
namespace {

using Host::RecordingPluginHost;
using Host::SettingsContext;
using ::testing::ElementsAre;
using Testing::TempFolder;

struct Logged {
    std::string category, function, format, text;
};

// One installation of the plug-in: its own folder, with the recording library under the
// logging library's name, so the plug-in binds it as it would the real one.
class Installation {
public:
    explicit Installation(const char* plugin) {
        namespace fs = std::filesystem;
        const std::string pluginFile = folder_.path(LibraryNames::pluginLibrary());
        const std::string loggingFile = folder_.path(LibraryNames::loggingLibrary());
        fs::copy_file(plugin, TempFolder::native(pluginFile));
        fs::copy_file(TORK_RECORDING_LIBRARY_PATH, TempFolder::native(loggingFile));
        library_ = std::make_unique<Host::PluginLibrary>(pluginFile);
        logging_ = std::make_unique<DynamicLibrary>(loggingFile);
    }

    const Host::PluginLibrary& library() const { return *library_; }
    const TempFolder& files() const { return files_; }

    std::vector<Logged> logs() const {
        using Visitor =
            void (*)(void*, const char*, const char*, std::int32_t, const char*, const char*);
        auto forEach = reinterpret_cast<void (*)(Visitor, void*)>(
            logging_->symbol("TorkLogRecording_forEach"));
        std::vector<Logged> logs;
        if (!forEach) return logs;
        forEach(
            [](void* out, const char* category, const char* function, std::int32_t,
               const char* format, const char* text) {
                static_cast<std::vector<Logged>*>(out)->push_back(
                    {category, function, format, text});
            },
            &logs);
        return logs;
    }

    void clearLogs() const {
        if (auto clear = reinterpret_cast<void (*)()>(logging_->symbol("TorkLogRecording_clear")))
            clear();
    }

private:
    TempFolder folder_;
    TempFolder files_;
    std::unique_ptr<Host::PluginLibrary> library_;
    std::unique_ptr<DynamicLibrary> logging_;
};

const Installation& installation() {
    static const Installation shared(TORK_PLUGIN_PATH);
    return shared;
}

// The same plug-in built to find no ICU, as on a machine without it.
const Installation& installationWithoutIcu() {
    static const Installation shared(TORK_PLUGIN_WITHOUT_ICU_PATH);
    return shared;
}

using Host::Entry;
using Host::readDue;

// A component of an installation's plug-in, and files written beside it.
class Session : public Host::ContainerSession {
public:
    explicit Session(const Installation& installation = Tork::installation())
        : ContainerSession(installation.library()), installation_(installation) {}

    /// Opens a file of `contents` and reads it whole; nothing when the open fails.
    std::optional<std::vector<Entry>> readFile(const std::string& name, std::string_view contents) {
        return read(Host::FileUrl(Testing::fileUrl(installation_.files().write(name, contents))));
    }

private:
    const Installation& installation_;
};

const std::string kSample =
    "{1}{1}25\r\n"
    "{25}{75}/Hello|world\r\n"
    "{100}{150}{y:b}Bold\r\n"
    "{50}{60}Early\r\n";

TEST(EndToEnd, PlaysAFileThroughTheWholeLife) {
    installation().clearLogs();
    const std::string path = installation().files().write("life.sub", kSample);
    const std::string url = Testing::fileUrl(path);
    Session session;
    ASSERT_TRUE(session.ready());
    Plugin* plugin = session.plugin();
    ContainerInterface& container = session.container();
    {
        const Host::UrlLocation location(url);
        std::vector<StreamFormat> formats;
        EXPECT_TRUE(container.probe(location.get(), 0, &formats));
        EXPECT_TRUE(formats.empty());
        EXPECT_THAT(session.host().formatsChecked(), ElementsAre("UTF8"));

        ASSERT_EQ(session.open(Host::FileUrl(url)), Host::ContainerSession::OpenOutcome::Opened);
        StreamInterface* stream = session.stream();
        const std::uint64_t streamId = stream->id();
        EXPECT_THAT(session.context().streamsSelected(), ElementsAre(std::make_pair(streamId, 1)));
        EXPECT_EQ(std::string(stream->getFormat()->code, 8), std::string("UTF8\0\0\0\0", 8));
        String name;
        EXPECT_TRUE(stream->getInfo(&name, nullptr, nullptr, 0));
        EXPECT_EQ(name.text(), "life.sub");
        EXPECT_EQ(container.getLocation().text(), path);
        std::uint64_t size = 0;
        EXPECT_EQ(container.getFileSize(&size), 0);
        EXPECT_EQ(size, kSample.size());

        EXPECT_EQ(stream->readStream(nullptr), static_cast<std::int32_t>(0x80100001u));
        MediaChunk* chunk = nullptr;
        EXPECT_EQ(stream->readStream(&chunk), -1);  // no clock yet
        ASSERT_EQ(stream->setClock(&session.clock()), 0);
        session.clock().set(400);
        EXPECT_EQ(stream->readStream(&chunk), -1);  // first entry at 1000 ms is not due
        session.clock().set(100000);
        const std::vector<Entry> forwards = readDue(*stream);
        EXPECT_THAT(forwards,
                    ElementsAre(Entry{1000, 2000, "<i>Hello\nworld</i>"}, Entry{2000, 400, "Early"},
                                Entry{4000, 2000, "<b>Bold</B>"}));

        EXPECT_TRUE(stream->setRate(-1000));
        EXPECT_EQ(stream->reset(), 0);
        const std::vector<Entry> backwards = readDue(*stream);
        EXPECT_EQ(backwards, std::vector<Entry>(forwards.rbegin(), forwards.rend()));

        std::uint32_t sought = 0;
        EXPECT_TRUE(stream->setRate(1000));
        EXPECT_EQ(stream->seekStream(3001, &sought, 0), 0);  // the first entry not ended by then
        EXPECT_EQ(sought, 4000u);
        EXPECT_EQ(readDue(*stream).size(), 1u);

        EXPECT_EQ(container.close(false), 0);
        EXPECT_THAT(session.context().streamsRemoved(), ElementsAre(streamId));
        EXPECT_EQ(readDue(*stream).size(), 0u);  // the stream outlives close
        const auto logs = installation().logs();
        std::vector<std::string> opened;
        for (const Logged& log : logs) {
            if (log.function == "Tork::MicroDVDContainer::open") {
                EXPECT_EQ(log.category, "Container");
                EXPECT_EQ(log.format, "got subtitle start: %d duration: %d '%s'");
                opened.push_back(log.text);
            }
        }
        EXPECT_THAT(opened,
                    ElementsAre("got subtitle start: 1000 duration: 2000 '<i>Hello\nworld</i>'",
                                "got subtitle start: 4000 duration: 2000 '<b>Bold</B>'",
                                "got subtitle start: 2000 duration: 400 'Early'"));
        const std::string readTag =
            "Tork::SubtitleParserTemplate<class "
            "Tork::MicroDVDContainer>::OverlayStream::readStream";
        const auto reads = std::count_if(logs.begin(), logs.end(), [&](const Logged& log) {
            return log.function == readTag && log.category == "Subtitle";
        });
        EXPECT_EQ(reads, 7);
        EXPECT_TRUE(session.host().records().empty());
    }
    session.release();
    const auto records = session.host().records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].event, RecordingPluginHost::Event::Destroying);
    EXPECT_EQ(records[1].event, RecordingPluginHost::Event::Destroyed);
    EXPECT_EQ(records[1].plugin, plugin);
}

struct EncodingCase {
    const char* description;
    std::string bytes;
    const char* codePage;  // the host's "CodePage"/"Name", or null
    const char* text;      // the entry's UTF-8 text
};

using Testing::utf16Bytes;

std::string utf32(std::u32string_view units, bool bigEndian) {
    std::string out;
    for (char32_t unit : units) {
        for (int i = 0; i < 4; ++i) {
            const int shift = bigEndian ? 24 - 8 * i : 8 * i;
            out += static_cast<char>((unit >> shift) & 0xFF);
        }
    }
    return out;
}

TEST(EndToEnd, ReadsEveryEncodingAsUtf8) {
    const EncodingCase cases[] = {
        {"UTF-8", "{0}{25}Žluťoučký kůň", nullptr, "Žluťoučký kůň"},
        {"UTF-8 with signature", "\xEF\xBB\xBF{0}{25}Žluťoučký", nullptr, "Žluťoučký"},
        {"UTF-16 LE", utf16Bytes(u"\uFEFF{0}{25}Žluťoučký", false), nullptr, "Žluťoučký"},
        {"UTF-16 BE", utf16Bytes(u"\uFEFF{0}{25}Žluťoučký", true), nullptr, "Žluťoučký"},
        {"UTF-32 LE", utf32(U"\uFEFF{0}{25}Žluťoučký \U0001F600", false), nullptr,
         "Žluťoučký \U0001F600"},
        {"UTF-32 BE", utf32(U"\uFEFF{0}{25}Žluťoučký", true), nullptr, "Žluťoučký"},
        {"windows-1250 named by the host", "{0}{25}\x8Elu\x9Do\x9A", "windows-1250", "Žluťoš"},
        {"the signature wins over the host's name", utf16Bytes(u"\uFEFF{0}{25}Ž", false),
         "windows-1250", "Ž"},
    };
    for (const EncodingCase& c : cases) {
        SCOPED_TRACE(c.description);
        Session session;
        session.context().set(Host::Settings::overrideEmbeddedSignature(false));
        session.context().set(Host::Settings::frameRateFramesPerSeconds(25, 1));
        if (c.codePage)
            session.context().set(Host::Settings::codePageName(std::string(c.codePage)));
        const auto entries = session.readFile("encoding.sub", c.bytes);
        ASSERT_TRUE(entries.has_value());
        EXPECT_THAT(*entries, ElementsAre(Entry{0, 1000, c.text}));
    }
}

TEST(EndToEnd, WithoutIcuOnlyUnconvertedTextOpens) {
    const EncodingCase cases[] = {
        {"UTF-8", "{0}{25}Žluťoučký kůň", nullptr, "Žluťoučký kůň"},
        {"UTF-8 with signature", "\xEF\xBB\xBF{0}{25}Žluťoučký", nullptr, nullptr},
        {"UTF-16 LE", utf16Bytes(u"\uFEFF{0}{25}Žluťoučký", false), nullptr, nullptr},
        {"windows-1250 named by the host", "{0}{25}\x8Elu\x9Do\x9A", "windows-1250", nullptr},
    };
    for (const EncodingCase& c : cases) {
        SCOPED_TRACE(c.description);
        Session session(installationWithoutIcu());
        session.context().set(Host::Settings::overrideEmbeddedSignature(false));
        session.context().set(Host::Settings::frameRateFramesPerSeconds(25, 1));
        if (c.codePage)
            session.context().set(Host::Settings::codePageName(std::string(c.codePage)));
        const auto entries = session.readFile("no-icu.sub", c.bytes);
        if (!c.text) {
            EXPECT_FALSE(entries.has_value());
            continue;
        }
        ASSERT_TRUE(entries.has_value());
        EXPECT_THAT(*entries, ElementsAre(Entry{0, 1000, c.text}));
    }
}

struct OpenFailure {
    const char* description;
    const char* name;
    std::string contents;
};

TEST(EndToEnd, RefusesWhatItCannotServe) {
    const OpenFailure cases[] = {
        {"upper-case extension", "movie.SUB", "{0}{25}Hi"},
        {"another extension", "movie.srt", "{0}{25}Hi"},
        {"a bad line", "bad.sub", "{0}{25}Hi\n{10} {20}Hi"},
        {"an empty file", "empty.sub", ""},
        {"one byte", "one.txt", "{"},
    };
    for (const OpenFailure& c : cases) {
        SCOPED_TRACE(c.description);
        Session session;
        EXPECT_FALSE(session.readFile(c.name, c.contents).has_value());
        EXPECT_TRUE(session.context().streamsAdded().empty());
        std::uint64_t size = 12345;
        EXPECT_NE(session.container().getFileSize(&size), 0);
        EXPECT_EQ(size, 12345u);
    }
    Session session;
    const Host::UrlLocation missing("file:///nonexistent/folder/movie.sub");
    EXPECT_NE(session.container().open(missing.get()), 0);
    const Host::UrlLocation other("http://example.invalid/movie.sub");
    EXPECT_NE(session.container().open(other.get()), 0);
}

struct ProbeCase {
    const char* description;
    const char* name;
    std::string contents;
    bool hostAccepts;
    bool answer;
    std::size_t formats;
};

TEST(EndToEnd, ProbeLooksAtTheFirstLineAndRelaysTheHost) {
    const ProbeCase cases[] = {
        {"short file, host accepts", "a.sub", "{0}{25}Hello\n", true, true, 0},
        {"host refuses: one format record", "a.sub", "{0}{25}Hello\n", false, false, 1},
        {"a declaration first", "a.sub", "{1}{1}23.976\n", true, true, 0},
        {"blank lines first", "a.sub", "\r\n\r\n\n{0}{25}Hello", true, true, 0},
        {"no extension check", "a.srt", "{0}{25}Hello", true, true, 0},
        {"long file", "a.sub", "{0}{25}" + std::string(5000, 'x'), true, true, 0},
        {"SRT", "a.srt", "1\n00:00:01,000 --> 00:00:02,000\nHi\n", true, false, 0},
        {"leading space", "a.sub", " {0}{25}Hello", true, false, 0},
        {"empty", "a.sub", "", true, false, 0},
    };
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.description);
        Session session;
        session.host().setAcceptFormats(c.hostAccepts);
        const std::string path = installation().files().write(c.name, c.contents);
        const Host::UrlLocation location(Testing::fileUrl(path));
        std::vector<StreamFormat> formats;
        EXPECT_EQ(session.container().probe(location.get(), 0, &formats), c.answer);
        ASSERT_EQ(formats.size(), c.formats);
        if (!formats.empty()) {
            EXPECT_EQ(std::string(formats[0].code, 8), std::string("UTF8\0\0\0\0", 8));
            EXPECT_EQ(formats[0].size, 20u);
            EXPECT_EQ(formats[0].fourth, 4u);
            EXPECT_EQ(formats[0].fifth, 0u);
        }
        EXPECT_FALSE(session.container().probe(location.get(), 0, nullptr) && !c.hostAccepts);
    }
}

// The host's two reading settings, on only when answered with a boolean true. Lines are
// counted as an editor counts them (CR LF, CR and LF).
TEST(EndToEnd, ReadsLenientlyAndDetectsWhenAsked) {
    if (Testing::icuIsAStandIn()) GTEST_SKIP() << "detection needs the system's ICU";
    const std::string file =
        "{DEFAULT}{}{Y:b}\r\n\r\n{1}{1}25.000 fps\r{0}{25}{y:i}Za\xBF\xF3\xB3\xE6 "
        "g\xEA\x9Cl\xB9 ja\x9F\xF1|Dobrze\njunk\n{25}{}Dzi\xEA kuj\xEA \t";
    Session asText;
    asText.context().setAnyAnswer("MicroDVD", "Lenient", std::string("true"));
    EXPECT_FALSE(asText.readFile("l.sub", file).has_value());
    installation().clearLogs();
    Session session;
    session.context().set(Host::Settings::lenientReading(true));
    session.context().set(Host::Settings::detectEncoding(true));
    EXPECT_THAT(session.readFile("l.sub", file).value_or(std::vector<Entry>{}),
                ElementsAre(Entry{0, 1000, "<i>Zażółć gęślą jaźń</i>\nDobrze"},
                            Entry{1000, 3000, "Dzię kuję"}));
    std::vector<std::string> told;
    for (const Logged& log : installation().logs())
        if (log.function !=
            "Tork::SubtitleParserTemplate<class "
            "Tork::MicroDVDContainer>::OverlayStream::readStream")
            told.push_back(log.text);
    EXPECT_THAT(told, ElementsAre("Detected windows-1250, confidence 40, runner-up windows-1252 13",
                                  "skipped line 1: no {start}{end} at its start",
                                  "got subtitle start: 0 duration: 1000 '<i>Zażółć gęślą "
                                  "jaźń</i>\nDobrze'",
                                  "skipped line 5: no {start}{end} at its start",
                                  "got subtitle start: 1000 duration: 0 'Dzię kuję'"));
    const Host::UrlLocation written("file://" + installation().files().path("l.sub"));
    EXPECT_TRUE(session.container().probe(written.get(), 0, nullptr));  // any frame line will do
}

// An entry over before the film is dropped in both readings; the lenient one says why.
TEST(EndToEnd, SaysWhyAnEntryEndingBeforeTheFilmIsDropped) {
    const std::string file = "{-50}{-1}gone\n{-24}{24}kept\n";
    for (const bool lenient : {false, true}) {
        SCOPED_TRACE(lenient);
        installation().clearLogs();
        Session session;
        if (lenient) session.context().set(Host::Settings::lenientReading(true));
        EXPECT_THAT(session.readFile("d.sub", file).value_or(std::vector<Entry>{}),
                    ElementsAre(Entry{0, 1001, "kept"}));
        std::vector<std::string> told;
        for (const Logged& log : installation().logs())
            if (log.function == "Tork::MicroDVDContainer::open") told.push_back(log.text);
        if (lenient) {
            EXPECT_THAT(told,
                        ElementsAre("dropped line 1: it ends at frame -1, before the film starts",
                                    "got subtitle start: 0 duration: 1001 'kept'"));
        } else {
            EXPECT_THAT(told, ElementsAre("got subtitle start: 0 duration: 1001 'kept'"));
        }
    }
}

// Leniently, extensions in any letter case open, and the probe and the open look past
// header lines alike: within the file's first 64 KiB.
TEST(EndToEnd, LenientNamesAndProbeDepth) {
    std::string headers;
    for (int i = 0; headers.size() < 1400; ++i)
        headers += "Header line " + std::to_string(i) + " of a release: notes, credits\n";
    const struct {
        const char* name;
        std::string contents;
        bool strictOpens, lenientOpens, lenientProbes;
    } cases[] = {
        {"a.sub", "{0}{25}Hi", true, true, true},
        {"a.SUB", "{0}{25}Hi", false, true, true},
        {"a.Txt", "{0}{25}Hi", false, true, true},
        {"a.srt", "{0}{25}Hi", false, false, true},
        {"a.subx", "{0}{25}Hi", false, false, true},
        {"h.sub", headers + "{0}{25}Hi", false, true, true},
        {"far.sub", std::string(70 * 1024, '\n') + "x\n{0}{25}Hi", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Session().readFile(c.name, c.contents).has_value(), c.strictOpens);
        Session lenient;
        lenient.context().set(Host::Settings::lenientReading(true));
        lenient.host().setAcceptFormats(true);
        EXPECT_EQ(lenient.readFile(c.name, c.contents).has_value(), c.lenientOpens);
        const Host::UrlLocation written(Testing::fileUrl(installation().files().path(c.name)));
        EXPECT_EQ(lenient.container().probe(written.get(), 0, nullptr), c.lenientProbes);
    }
}

struct DetectionCase {
    const char* description;
    std::string bytes;
    bool lenient;
    const char* told;  // what the plug-in logs of detection beyond "Detected ..."; "" for nothing
};

// Detection only guesses: a file that opens without it opens with it to the same entries.
TEST(EndToEnd, DetectionNeverBreaksAFileThatOpensWithoutIt) {
    if (Testing::icuIsAStandIn()) GTEST_SKIP() << "detection needs the system's ICU";
    const DetectionCase cases[] = {
        // Taken as UTF-16BE at 10 and failed.
        {"a copyright sign", "{1}{50}\xA9 2004", false, ""},
        {"short, bytes above 0x7F", "{1}{50}\xE9\xE8", false, ""},
        {"short, lenient", "{0}{25}\xC0\xFF\xE4\n", true, ""},
        // UTF-16LE at 60 for its zero bytes: the first line would be gone.
        {"zero bytes", std::string("{1}{50}Caf\xE9\n{60}{90}a\0b\0c\0d\0e\0f\0g\0", 28), true,
         "No frame line in the detected encoding, read as UTF-8"},
    };
    for (const DetectionCase& c : cases) {
        SCOPED_TRACE(c.description);
        const auto open = [&](bool detect) {
            Session session;
            if (c.lenient) session.context().set(Host::Settings::lenientReading(true));
            if (detect) session.context().set(Host::Settings::detectEncoding(true));
            return session.readFile("d.sub", c.bytes);
        };
        const auto plain = open(false);
        ASSERT_TRUE(plain);
        installation().clearLogs();
        EXPECT_EQ(open(true), plain);
        bool told = false;
        for (const Logged& log : installation().logs())
            told = told || (*c.told && log.text == c.told);
        EXPECT_EQ(told, *c.told != 0);
    }
}

// English in windows-1252 whose only bytes beyond ASCII are its punctuation, which every
// windows-125x code page shares: read with detection, every mark comes through.
TEST(EndToEnd, DetectionReadsPunctuationOnlyLegacyText) {
    if (Testing::icuIsAStandIn()) GTEST_SKIP() << "detection needs the system's ICU";
    // A film's worth of cues, three of them with an ellipsis (3 U+FFFD before).
    const std::string film = Testing::MicroDVDLines()
                                 .frames(0, 100, 80)
                                 .text([](std::size_t cue) {
                                     return cue % 150 == 7 ? "Well\x85I never saw the lamp go out"
                                                           : "The keeper climbed the stairs";
                                 })
                                 .lineEnd("\r\n")
                                 .lines(400);
    const struct {
        const char* description;
        std::string bytes;
        std::string firstText;
    } cases[] = {
        {"an ellipsis", "{1}{50}Well\x85there is no ship", "Well…there is no ship"},
        {"quotes and a dash", "{1}{50}He said \x93yes\x94 and left\x97quickly",
         "He said “yes” and left—quickly"},
        {"an apostrophe", "{1}{50}It\x92s", "It’s"},
        {"400 cues, three ellipses", film, "The keeper climbed the stairs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        Session session;
        session.context().set(Host::Settings::lenientReading(true));
        session.context().set(Host::Settings::detectEncoding(true));
        const auto entries = session.readFile("e.sub", c.bytes);
        ASSERT_TRUE(entries && !entries->empty());
        EXPECT_EQ(entries->front().text, c.firstText);
        std::size_t ellipses = 0;
        for (const Entry& entry : *entries) {
            EXPECT_EQ(entry.text.find("\uFFFD"), std::string::npos) << entry.text;
            ellipses += entry.text.find("…") != std::string::npos;
        }
        if (entries->size() == 400) {
            EXPECT_EQ(ellipses, 3u);
        }
        ASSERT_TRUE(session.report());
        EXPECT_EQ(session.report()->replacements, 0u);
        EXPECT_EQ(session.report()->encoding, "windows-1252");
    }
}

// Frame lines in UTF-16 without a signature: the report names what the bytes look like, and
// with detection they are read as it.
TEST(EndToEnd, NamesUtf16WithoutASignature) {
    const std::u16string frames = u"{1}{25}Hello\r\n{30}{50}Żegnaj\r\n";
    const struct {
        const char* description;
        bool bigEndian, lenient, detect;
        bool opens;
        std::string failure;
    } cases[] = {
        {"default reading", false, false, false, false,
         "line 1: no {start}{end} at its start; the text looks like UTF-16LE without a signature"},
        {"lenient", true, true, false, false,
         "no line has {start}{end}; the text looks like UTF-16BE without a signature"},
        {"lenient, detected", false, true, true, true, ""},
        {"detected, big-endian", true, false, true, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        if (c.opens && Testing::icuIsAStandIn()) continue;  // it knows no UTF-16BE
        Session session;
        if (c.lenient) session.context().set(Host::Settings::lenientReading(true));
        if (c.detect) session.context().set(Host::Settings::detectEncoding(true));
        const auto entries = session.readFile("u.sub", utf16Bytes(frames, c.bigEndian));
        ASSERT_TRUE(session.report());
        EXPECT_EQ(session.report()->failure(), c.failure);
        if (!c.opens) {
            EXPECT_FALSE(entries);
            continue;
        }
        EXPECT_THAT(entries.value_or(std::vector<Entry>{}),
                    ElementsAre(Entry{41, 1001, "Hello"}, Entry{1251, 834, "Żegnaj"}));
        EXPECT_EQ(session.report()->encoding, c.bigEndian ? "UTF-16BE" : "UTF-16LE");
    }
}

// Whatever a file holds, its texts are well-formed UTF-8 with no control byte but those the
// contract names, in either reading: over the fuzzers' seeds, subplay's samples and a line of
// every control.
TEST(EndToEnd, TextsHoldOnlyWhatTheContractAllows) {
    std::vector<std::string> files;
    for (const char* folder : {"fuzz/corpus/line", "fuzz/corpus/open", "tests/subplay/samples"}) {
        for (const auto& file :
             std::filesystem::directory_iterator(std::filesystem::path(TORK_SOURCE_DIR) / folder)) {
            std::ifstream in(file.path(), std::ios::binary);
            files.emplace_back(std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>());
        }
    }
    std::string controls = "{1}{2}";
    for (char c = 1; c < 0x20; ++c) controls += c == '\n' || c == '\r' ? ' ' : c;  // they end lines
    controls += "\x7F\xC2\x85|\xFF{y:b}\xC3|";
    files.push_back(controls + std::string("x\0y\n{3}{4}z", 11));
    std::size_t texts = 0;
    for (const bool lenient : {false, true}) {
        for (const std::string& contents : files) {
            SCOPED_TRACE(contents);
            Session session;
            session.context().set(Host::Settings::lenientReading(lenient));
            for (const Entry& entry :
                 session.readFile("c.sub", contents).value_or(std::vector<Entry>{})) {
                ++texts;
                EXPECT_TRUE(isWellFormedUtf8(entry.text)) << entry.text;
                EXPECT_TRUE(std::all_of(entry.text.begin(), entry.text.end(), OverlayText::mayHold))
                    << entry.text;
            }
        }
    }
    EXPECT_GT(texts, 50u);
}

}  // namespace
}  // namespace Tork
