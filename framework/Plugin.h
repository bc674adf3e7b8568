// The reference-counted base of every plug-in object.
#pragma once

#include "framework/String.h"

#include <cstdint>

namespace Tork {

class PluginHost;

/// The face of a component that the host holds. The count is not atomic: the host
/// serialises retain and release.
class Plugin {
public:
    explicit Plugin(PluginHost* host) noexcept : host_(host) {}
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;
    virtual ~Plugin() = default;

    virtual std::int32_t retain();
    /// Deletes the object when the count reaches 0, telling the host before and after; what
    /// those callbacks throw goes no further.
    virtual std::int32_t release();
    virtual std::int32_t getRefCount() const { return refCount_; }
    virtual std::uint32_t getFlags() const { return flags_; }
    virtual PluginHost* getHost() const { return host_; }
    /// Stores the interface named by `id` in `*out` and answers 0, or stores null and
    /// answers 3 when the object has no such interface. Never adds a reference.
    virtual std::int32_t queryInterface(const String& id, void** out) = 0;

private:
    std::int32_t refCount_ = 1;
    PluginHost* host_;
    std::uint32_t flags_ = 0;
};

}  // namespace Tork
