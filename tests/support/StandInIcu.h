// Whether the system's ICU is the stand-in that the Windows build puts beside its tests.
#pragma once

#include "platform/DynamicLibrary.h"
#include "platform/LibraryNames.h"

namespace Tork::Testing {

/// It knows only the converters the tests name, and none of ICU's repairs of broken text.
inline bool icuIsAStandIn() {
    return DynamicLibrary(LibraryNames::icuLibrary("icuuc", 72)).symbol("fakeIcuOpenCalls");
}

}  // namespace Tork::Testing
