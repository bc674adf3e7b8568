// The host object that a container receives in initialize.
#pragma once

#include "framework/String.h"

#include <cstdint>

namespace Tork {

class Setting;
struct SettingValue;
class StreamInterface;

/// Supplied by the host. Slot order is part of the contract; the contextSlot operations
/// are the host's own and never called by a container.
class ContainerContext {
public:
    virtual void contextSlot1() {}
    /// A fresh identifier on every call.
    virtual std::uint64_t newId() = 0;
    virtual void contextSlot3() {}
    /// "en", "en-GB", "fre"... or empty. The caller owns the result.
    virtual String getPreferredLanguage() = 0;
    virtual void contextSlot5() {}
    /// Fills `answer` when the host knows the setting; callers look only at `answer`.
    virtual std::int32_t getSetting(const Setting* setting, SettingValue* answer) = 0;
    virtual void contextSlot7() {}
    virtual void contextSlot8() {}
    virtual void contextSlot9() {}
    virtual void contextSlot10() {}
    virtual void contextSlot11() {}
    virtual void contextSlot12() {}
    virtual void contextSlot13() {}
    virtual void contextSlot14() {}
    virtual void contextSlot15() {}
    virtual void contextSlot16() {}
    virtual void contextSlot17() {}
    virtual void contextSlot18() {}
    virtual void contextSlot19() {}
    virtual void contextSlot20() {}
    virtual void contextSlot21() {}
    virtual void streamAdded(StreamInterface* stream) = 0;
    virtual void streamRemoved(std::uint64_t streamId) = 0;
    virtual void selectStream(std::uint64_t streamId, std::int32_t enable) = 0;

protected:
    ~ContainerContext() = default;
};

}  // namespace Tork
