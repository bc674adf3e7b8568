// The plug-in under test as a host loads it, driven by the host kit.
#pragma once

#include "framework/ContainerInterface.h"
#include "framework/MediaBuffer.h"
#include "framework/ResultCode.h"
#include "framework/StreamInterface.h"
#include "host/ContainerSession.h"

#include <stdexcept>

namespace Tork::Hardening {

using Host::Entry;
using Host::latestClockTime;
using Host::readDue;

/// A session on a component of the plug-in, which stays loaded for the whole program.
class Session : public Host::ContainerSession {
public:
    Session() : ContainerSession(Host::PluginLibrary::kept(TORK_PLUGIN_PATH)) {
        if (!ready()) throw std::runtime_error(error());
    }

    /// Whether, after everything so far, the host was ever told of a stream.
    bool announcedStreams() {
        (void)selectProgram();
        return !context().streamsAdded().empty();
    }
};

}  // namespace Tork::Hardening
