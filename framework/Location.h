// The host's location object: a container reads only the URL it carries.
#pragma once

#include "framework/String.h"

namespace Tork {

struct Location {
    void* hostData = nullptr;     // the host's own; never read by a container
    const String* url = nullptr;  // a file: URL
};

}  // namespace Tork
