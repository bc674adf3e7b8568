// A ContainerContext with a table of settings that records what the container tells it.
#pragma once

#include "framework/ContainerContext.h"
#include "framework/String.h"
#include "host/HostSettings.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace Tork::Host {

class SettingsContext : public ContainerContext {
public:
    using Ratio = Host::Ratio;
    using Value = SettingAnswer;

    /// Answers the setting's group/key with its value from now on (HostSettings.h lists them).
    void set(const HostSetting& setting);
    /// Answers any group/key with any value from now on (type 1, 8 or 11): for tests of
    /// what the plug-in makes of answers a host should not give.
    void setAnyAnswer(const std::string& group, const std::string& key, Value value);
    void setPreferredLanguage(std::string language);

    std::uint64_t newId() override { return nextId_++; }
    String getPreferredLanguage() override;
    std::int32_t getSetting(const Setting* setting, SettingValue* answer) override;
    void streamAdded(StreamInterface* stream) override;
    void streamRemoved(std::uint64_t streamId) override;
    void selectStream(std::uint64_t streamId, std::int32_t enable) override;

    std::uint64_t idsIssued() const { return nextId_ - firstId; }
    std::vector<StreamInterface*> streamsAdded() const;
    std::vector<std::uint64_t> streamsRemoved() const;
    std::vector<std::pair<std::uint64_t, std::int32_t>> streamsSelected() const;
    /// "group/key" of every query, in order.
    std::vector<std::string> queries() const;

    /// Ids start high in both halves, so code that truncates them to 32 bits shows.
    static constexpr std::uint64_t firstId = 0x0000000100000001ull;

private:
    struct Entry {
        Value value;
        String text;  // what a text answer points to
    };

    mutable std::mutex mutex_;
    std::atomic<std::uint64_t> nextId_{firstId};
    std::string language_;
    std::map<std::pair<std::string, std::string>, Entry> settings_;
    std::vector<StreamInterface*> added_;
    std::vector<std::uint64_t> removed_;
    std::vector<std::pair<std::uint64_t, std::int32_t>> selected_;
    std::vector<std::string> queries_;
};

/// What a player answers: files read as they come from the wild (MicroDVD/Lenient), and
/// the encoding of one that is not UTF-8 named when nothing else names it (CodePage/Detect).
void setPlayerPreset(SettingsContext& context);

}  // namespace Tork::Host
