#include "host/SettingsContext.h"

#include "framework/Setting.h"

namespace Tork::Host {

void SettingsContext::set(const HostSetting& setting) {
    setAnyAnswer(setting.group(), setting.key(), setting.value());
}

void SettingsContext::setAnyAnswer(const std::string& group, const std::string& key, Value value) {
    std::lock_guard guard(mutex_);
    Entry& entry = settings_[{group, key}];
    entry.value = std::move(value);
    if (const auto* text = std::get_if<std::string>(&entry.value)) entry.text = String(*text);
}

void SettingsContext::setPreferredLanguage(std::string language) {
    std::lock_guard guard(mutex_);
    language_ = std::move(language);
}

String SettingsContext::getPreferredLanguage() {
    std::lock_guard guard(mutex_);
    return String(language_);
}

std::int32_t SettingsContext::getSetting(const Setting* setting, SettingValue* answer) {
    std::lock_guard guard(mutex_);
    const std::string group(setting->group.text()), key(setting->key.text());
    queries_.push_back(group + "/" + key);
    const auto found = settings_.find({group, key});
    if (found == settings_.end()) return -1;
    const Entry& entry = found->second;
    if (const bool* flag = std::get_if<bool>(&entry.value)) {
        answer->type = SettingValue::Boolean;
        answer->boolean = *flag ? 1 : 0;
    } else if (const Ratio* ratio = std::get_if<Ratio>(&entry.value)) {
        answer->type = SettingValue::Ratio;
        answer->ratio.first = ratio->first;
        answer->ratio.second = ratio->second;
    } else {
        answer->type = SettingValue::Text;
        answer->text = &entry.text;
    }
    return 0;
}

void SettingsContext::streamAdded(StreamInterface* stream) {
    std::lock_guard guard(mutex_);
    added_.push_back(stream);
}

void SettingsContext::streamRemoved(std::uint64_t streamId) {
    std::lock_guard guard(mutex_);
    removed_.push_back(streamId);
}

void SettingsContext::selectStream(std::uint64_t streamId, std::int32_t enable) {
    std::lock_guard guard(mutex_);
    selected_.emplace_back(streamId, enable);
}

std::vector<StreamInterface*> SettingsContext::streamsAdded() const {
    std::lock_guard guard(mutex_);
    return added_;
}

std::vector<std::uint64_t> SettingsContext::streamsRemoved() const {
    std::lock_guard guard(mutex_);
    return removed_;
}

std::vector<std::pair<std::uint64_t, std::int32_t>> SettingsContext::streamsSelected() const {
    std::lock_guard guard(mutex_);
    return selected_;
}

std::vector<std::string> SettingsContext::queries() const {
    std::lock_guard guard(mutex_);
    return queries_;
}

void setPlayerPreset(SettingsContext& context) {
    context.set(Settings::lenientReading(true));
    context.set(Settings::detectEncoding(true));
}

}  // namespace Tork::Host
