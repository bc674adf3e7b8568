// A logging library without TorkLog_configure, which the plug-in must refuse.
#include "logging/TorkLog.h"

extern "C" {

TORKLOG_API void TorkLog_close(void) {}

TORKLOG_API bool TorkLog_isEnabled(void) {
    return true;
}

TORKLOG_API int32_t TorkLog_write(const char*, const char*, int32_t, const char*, va_list*) {
    return TORKLOG_OK;
}

}  // extern "C"
