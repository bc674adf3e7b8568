// Configuration queries that components put to the host, and the host's answers.
#pragma once

#include "framework/String.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace Tork {

class ContainerContext;

/// One configuration query: a kind (always 4 here), a group and a key.
class Setting {
public:
    static constexpr std::int32_t kQueryKind = 4;

    /// Copies both names with the char allocator.
    Setting(std::int32_t kind, const String& group, const String& key);
    virtual ~Setting() = default;

    std::int32_t kind;
    String group;
    String key;
};

/// A ratio answer as two integers, in the host's order.
struct SettingRatio {
    std::uint32_t first;
    std::uint32_t second;
};

/// The answer record that the host fills; its layout is shared with the host.
struct SettingValue {
    enum Type : std::uint8_t { None = 0, Boolean = 1, Ratio = 8, Text = 11 };

    std::uint8_t type = None;
    std::uint8_t unused[7] = {};
    union {
        std::uint8_t boolean;
        SettingRatio ratio;
        const String* text;  // host-owned; copy at once
    };

    SettingValue() : ratio{0, 0} {}
};
static_assert(offsetof(SettingValue, boolean) == 8);
static_assert(sizeof(SettingValue) == 16);

/// Asks `context` for group/key; each answers only when the host wrote that type.
/// A null context answers nothing.
std::optional<bool> querySettingBoolean(ContainerContext* context, const char* group,
                                        const char* key);
std::optional<SettingRatio> querySettingRatio(ContainerContext* context, const char* group,
                                              const char* key);
/// The text answer copied out of the host's String (up to its first zero).
std::optional<String> querySettingText(ContainerContext* context, const char* group,
                                       const char* key);

}  // namespace Tork
