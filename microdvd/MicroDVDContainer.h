// The MicroDVD subtitle container: a plug-in object with a subtitle container face.
#pragma once

#include "framework/Plugin.h"
#include "framework/ResultCode.h"
#include "framework/String.h"
#include "subtitle/SubtitleContainer.h"

#include <cstdint>
#include <map>
#include <string_view>

namespace Tork {

class MicroDVDContainer : public Plugin, public SubtitleContainer {
public:
    explicit MicroDVDContainer(PluginHost* host);
    ~MicroDVDContainer() override;

    /// Answers the container face for the container identifier only; 0x80100001 when `out`
    /// is null.
    std::int32_t queryInterface(const String& id, void** out) override;

    bool probe(const Location* location, std::uint64_t reserved,
               std::vector<StreamFormat>* formats) override;
    void notify(std::uint32_t) override {}
    std::int32_t request(std::uint32_t) override { return Result::Failure; }
    std::int32_t open(const Location* location) override;

    std::int32_t findMimeType(const String& type) override;
    std::int32_t getMimeTypeCount() override;
    String getMimeType(std::uint32_t index) override;
    std::int32_t getMimeTypePriority(std::uint32_t index) override;

    void fillStreamFormat(StreamFormat* format) override;

private:
    std::map<String, std::int32_t, TextOrder> mimeTypes_;
};

}  // namespace Tork
