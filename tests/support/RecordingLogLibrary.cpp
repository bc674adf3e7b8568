// A logging library for tests: keeps every message it is handed instead of writing it.
#include "logging/TorkLog.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Record {
    std::string category, function;
    int line;
    std::string format, text;
};

std::atomic<bool> enabled{true};
std::mutex recordsLock;
std::vector<Record> records;

std::string orEmpty(const char* text) {
    return text ? text : "";
}

std::string formatted(const char* format, va_list* arguments) {
    if (!format) return {};
    va_list measuring;
    va_copy(measuring, *arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    va_list writing;
    va_copy(writing, *arguments);
    std::vsnprintf(text.data(), text.size() + 1, format, writing);
    va_end(writing);
    return text;
}

}  // namespace

extern "C" {

// Only the switch matters here; there is no destination.
TORKLOG_API int32_t TorkLog_configure(bool on, const char*) {
    enabled = on;
    return TORKLOG_OK;
}

TORKLOG_API void TorkLog_close(void) {}

TORKLOG_API bool TorkLog_isEnabled(void) {
    return enabled;
}

// Records even when switched off, so that a test sees a write the caller should not have made.
TORKLOG_API int32_t TorkLog_write(const char* category, const char* function, int32_t line,
                                  const char* format, va_list* arguments) {
    Record record{orEmpty(category), orEmpty(function), line, orEmpty(format),
                  formatted(format, arguments)};
    const std::lock_guard lock(recordsLock);
    records.push_back(std::move(record));
    return TORKLOG_OK;
}

using TorkLogRecording_Visitor = void (*)(void* context, const char* category, const char* function,
                                          int32_t line, const char* format, const char* text);

TORKLOG_API void TorkLogRecording_forEach(TorkLogRecording_Visitor visit, void* context) {
    const std::lock_guard lock(recordsLock);
    for (const Record& r : records)
        visit(context, r.category.c_str(), r.function.c_str(), r.line, r.format.c_str(),
              r.text.c_str());
}

TORKLOG_API void TorkLogRecording_clear(void) {
    const std::lock_guard lock(recordsLock);
    records.clear();
}

}  // extern "C"
