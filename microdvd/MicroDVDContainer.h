// The MicroDVD subtitle container: a plug-in object with a subtitle container face.
#pragma once

#include "framework/Plugin.h"
#include "framework/ReadingReport.h"
#include "framework/ResultCode.h"
#include "framework/String.h"
#include "subtitle/SubtitleContainer.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>

namespace Tork {

class MicroDVDContainer : public Plugin, public SubtitleContainer, public ReadingReportInterface {
public:
    explicit MicroDVDContainer(PluginHost* host);
    ~MicroDVDContainer() override;

    /// Answers the container face for the container identifier, the reading report for
    /// kReadingReportInterfaceId and kReadingReportV2InterfaceId, nothing else; 0x80100001
    /// when `out` is null.
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

    /// The last open's report in the fields and codes of version 1 only: hosts built before
    /// version 2 hold and know no more.
    std::int32_t getReadingReport(ReadingReport* report) override;

private:
    // The face that fills the whole report.
    class FullReport final : public ReadingReportInterface {
    public:
        explicit FullReport(MicroDVDContainer& owner) : owner_(owner) {}
        std::int32_t getReadingReport(ReadingReport* report) override;

    private:
        MicroDVDContainer& owner_;
    };

    // The first `size` bytes of the report, whose version says how many fields they hold.
    std::int32_t copyReport(ReadingReport* report, std::size_t size);

    std::map<String, std::int32_t, TextOrder> mimeTypes_;
    // Guarded by lock_: the reports of the last open and the last probe, and which came last.
    ReadingReport report_;
    ReadingReport probeReport_;
    bool probedLast_ = false;
    FullReport fullReport_{*this};
};

}  // namespace Tork
