// The part of the host's object that a plug-in calls.
#pragma once

#include "framework/String.h"

namespace Tork {

class Plugin;

/// Supplied by the host; the plug-in never creates, copies or deletes it.
/// Slot order is part of the contract: checkFormat is the eighth operation.
class PluginHost {
public:
    virtual void hostSlot1() {}
    virtual void hostSlot2() {}
    virtual void hostSlot3() {}
    virtual void hostSlot4() {}
    virtual void hostSlot5() {}
    virtual void hostSlot6() {}
    virtual void hostSlot7() {}
    /// Whether the host takes a stream of the named format.
    virtual bool checkFormat(const String& name) = 0;
    /// Called just before a plug-in object is deleted.
    virtual void pluginDestroying(Plugin* plugin) = 0;
    /// Called just after; `plugin` is only an identity, the object is gone.
    virtual void pluginDestroyed(Plugin* plugin) = 0;

protected:
    ~PluginHost() = default;
};

}  // namespace Tork
