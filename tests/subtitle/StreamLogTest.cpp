// The overlay stream's log lines, as the logging library receives them from a MicroDVD
// container.
#include "host/RecordingPluginHost.h"
#include "microdvd/MicroDVDContainer.h"
#include "tests/subtitle/TestContainer.h"
#include "tests/support/RecordingLog.h"

#include <gtest/gtest.h>

#include <mutex>

namespace Tork::Testing {
namespace {

class RecordingEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(installRecordingLog()); }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new RecordingEnvironment);

// Loads entries as MicroDVD's open does.
class LoadedMicroDVD : public MicroDVDContainer {
public:
    using MicroDVDContainer::MicroDVDContainer;
    bool load(const std::vector<EntryRow>& rows) {
        std::lock_guard guard(lock_);
        return addStream(makeEntries(rows), String("movie.sub"), String(), String());
    }
};

constexpr const char* seekTag =
    "Tork::SubtitleParserTemplate<class Tork::MicroDVDContainer>::OverlayStream::seekStream";
constexpr const char* readTag =
    "Tork::SubtitleParserTemplate<class Tork::MicroDVDContainer>::OverlayStream::readStream";

struct Expected {
    const char* category;
    const char* function;
    int line;
    const char* format;
    const char* text;
};

TEST(OverlayStreamLog, LogsSeeksAndChunksVerbatim) {
    Host::RecordingPluginHost host;
    Host::SettingsContext context;
    LoadedMicroDVD container(&host);
    container.initialize(&context, 1);
    ASSERT_TRUE(container.load(xyz));
    ASSERT_EQ(container.selectProgram(container.getProgramIds().head->value), Result::Ok);
    StreamInterface* stream = context.streamsAdded().at(0);
    Host::ManualClock clock(500);
    stream->setClock(&clock);
    clearRecordedLogs();

    std::uint32_t result = 0;
    stream->seekStream(0, &result, 0);
    MediaChunk* chunk = nullptr;
    ASSERT_EQ(stream->readStream(&chunk), Result::Ok);
    chunk->release();
    stream->seekStream(10000, &result, 0);
    stream->setRate(0);                 // seeks, forwards to the last start
    stream->seekStream(0, &result, 0);  // refused: nothing logged

    const Expected expected[] = {
        {"Container", seekTag, 602, "Subtitle Stream: seeked to %d",
         "Subtitle Stream: seeked to 1000"},
        {"Subtitle", readTag, 664, "PARSED(Sub=%i): timestamp=%d duration=%d mediatime=%d",
         "PARSED(Sub=0): timestamp=1000 duration=2000 mediatime=500"},
        {"Container", seekTag, 604, "Subtitle Stream: seeked to %s",
         "Subtitle Stream: seeked to end"},
        {"Container", seekTag, 602, "Subtitle Stream: seeked to %d",
         "Subtitle Stream: seeked to 9000"},
    };
    const std::vector<LogRecord> records = recordedLogs();
    ASSERT_EQ(records.size(), std::size(expected));
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(records[i].category, expected[i].category);
        EXPECT_EQ(records[i].function, expected[i].function);
        EXPECT_EQ(records[i].format, expected[i].format);
        EXPECT_EQ(records[i].text, expected[i].text);
        EXPECT_EQ(records[i].line, expected[i].line);
    }
}

}  // namespace
}  // namespace Tork::Testing
