// Binds the process-wide logger to the recording library and reads its records back.
#include "tests/support/RecordingLog.h"

#include "framework/Logger.h"
#include "platform/DynamicLibrary.h"

#include <cstdint>

namespace Tork::Testing {

namespace {

using Visitor = void (*)(void* context, const char* category, const char* function,
                         std::int32_t line, const char* format, const char* text);
using ForEach = void (*)(Visitor visit, void* context);
using Clear = void (*)();

// The logger loads the library privately; loading the same file again reaches the same
// records.
const DynamicLibrary& recordingLibrary() {
    static const DynamicLibrary library(TORK_RECORDING_LOG_PATH);
    return library;
}

}  // namespace

bool installRecordingLog() {
    // Repeated calls answer what the first one achieved.
    static const bool bound = Logger::install({TORK_RECORDING_LOG_PATH});
    return bound;
}

std::vector<LogRecord> recordedLogs() {
    std::vector<LogRecord> records;
    auto forEach = reinterpret_cast<ForEach>(recordingLibrary().symbol("TorkLogRecording_forEach"));
    if (!forEach) return records;
    forEach(
        [](void* context, const char* category, const char* function, std::int32_t line,
           const char* format, const char* text) {
            static_cast<std::vector<LogRecord>*>(context)->push_back(
                {category, function, line, format, text});
        },
        &records);
    return records;
}

void clearRecordedLogs() {
    auto clear = reinterpret_cast<Clear>(recordingLibrary().symbol("TorkLogRecording_clear"));
    if (clear) clear();
}

}  // namespace Tork::Testing
