/* The entry points of the logging library, for hosts (C or C++). */
#pragma once

#include <stdarg.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#else
#include <stdbool.h>
#endif

#if defined(TORKLOG_BUILDING) && defined(__GNUC__)
#define TORKLOG_API __attribute__((visibility("default")))
#else
#define TORKLOG_API
#endif

/** Results of TorkLog_configure and TorkLog_write. */
enum { TORKLOG_OK = 0, TORKLOG_FAILED = -1 };

/**
 * Turns logging on or off and picks where lines go: standard error when `path` is null or
 * empty, otherwise the file at `path` (UTF-8), created if need be and appended to.
 * Answers TORKLOG_FAILED when the file cannot be opened; the previous configuration stays.
 * Logging is off until the first call.
 */
TORKLOG_API int32_t TorkLog_configure(bool enabled, const char* path);

/** Flushes and closes the destination; logging is off until configured again. Never fails. */
TORKLOG_API void TorkLog_close(void);

/** Whether a write now would reach the destination; cheap enough to ask before every write. */
TORKLOG_API bool TorkLog_isEnabled(void);

/**
 * Formats `format` printf-style with the list that `arguments` points to (the caller's list
 * stays usable) and writes it as one whole line with the time, category, function and line.
 * Trailing line feeds are dropped and other control characters escaped, so one message is
 * always one line. Null texts count as empty. Answers TORKLOG_OK also when logging is off,
 * TORKLOG_FAILED when the message could not be formatted or written.
 */
TORKLOG_API int32_t TorkLog_write(const char* category, const char* function, int32_t line,
                                  const char* format, va_list* arguments);

#ifdef __cplusplus
}
#endif
