// What a log call costs with logging off, with the library bound but disabled, and enabled.
#include "framework/Logger.h"
#include "framework/LoggerImpl.h"
#include "logging/TorkLog.h"
#include "platform/DynamicLibrary.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace Tork {
namespace {

const std::string text(200, 'x');

void logOne(Logger& logger, benchmark::State& state) {
    for (auto _ : state)
        logger.write("Container", "Tork::MicroDVDContainer::open", __LINE__,
                     "got subtitle start: %d duration: %d '%s'", 41708, 2002, text.c_str());
}

// The library's own switch, reached the way a host reaches it.
bool configure(bool enabled, const char* path) {
    const DynamicLibrary library(TORK_LOGGING_LIBRARY_PATH);
    auto entry =
        reinterpret_cast<decltype(&TorkLog_configure)>(library.symbol("TorkLog_configure"));
    return entry && entry(enabled, path) == TORKLOG_OK;
}

void LogOff(benchmark::State& state) {
    Logger logger;
    logOne(logger, state);
}
BENCHMARK(LogOff);

void LogBoundDisabled(benchmark::State& state) {
    Logger logger(bindLoggingLibrary({TORK_LOGGING_LIBRARY_PATH}));
    if (!logger.impl() || !configure(false, nullptr)) return state.SkipWithError("not bound");
    logOne(logger, state);
}
BENCHMARK(LogBoundDisabled);

// For scale: what the disabled library is spared.
void FormatOnly(benchmark::State& state) {
    char line[512];
    for (auto _ : state) {
        std::snprintf(line, sizeof line, "got subtitle start: %d duration: %d '%s'", 41708, 2002,
                      text.c_str());
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(FormatOnly);

void LogEnabledToDevNull(benchmark::State& state) {
    Logger logger(bindLoggingLibrary({TORK_LOGGING_LIBRARY_PATH}));
    if (!logger.impl() || !configure(true, "/dev/null")) return state.SkipWithError("not bound");
    logOne(logger, state);
}
BENCHMARK(LogEnabledToDevNull);

}  // namespace
}  // namespace Tork
