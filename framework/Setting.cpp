#include "framework/Setting.h"

#include "framework/ContainerContext.h"

namespace Tork {

Setting::Setting(std::int32_t kind, const String& group, const String& key)
    : kind(kind), group(charAllocator()), key(charAllocator()) {
    this->group = group;
    this->key = key;
}

namespace {

SettingValue ask(ContainerContext* context, const char* group, const char* key) {
    SettingValue answer;
    if (!context) return answer;
    Setting query(Setting::kQueryKind, String(group, charAllocator()),
                  String(key, charAllocator()));
    (void)context->getSetting(&query, &answer);  // only the answer counts
    return answer;
}

}  // namespace

std::optional<bool> querySettingBoolean(ContainerContext* context, const char* group,
                                        const char* key) {
    const SettingValue answer = ask(context, group, key);
    if (answer.type != SettingValue::Boolean) return std::nullopt;
    return answer.boolean != 0;
}

std::optional<SettingRatio> querySettingRatio(ContainerContext* context, const char* group,
                                              const char* key) {
    const SettingValue answer = ask(context, group, key);
    if (answer.type != SettingValue::Ratio) return std::nullopt;
    return answer.ratio;
}

std::optional<String> querySettingText(ContainerContext* context, const char* group,
                                       const char* key) {
    const SettingValue answer = ask(context, group, key);
    if (answer.type != SettingValue::Text) return std::nullopt;
    return String(answer.text ? answer.text->c_str() : "", charAllocator());
}

}  // namespace Tork
