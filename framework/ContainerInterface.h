// The abstract container that a host reaches through the interface query.
#pragma once

#include "framework/List.h"
#include "framework/String.h"

#include <cstdint>
#include <vector>

namespace Tork {

class ContainerContext;
struct Location;
struct StreamFormat;

class ContainerInterface {
public:
    ContainerInterface() = default;
    ContainerInterface(const ContainerInterface&) = delete;
    ContainerInterface& operator=(const ContainerInterface&) = delete;
    virtual ~ContainerInterface() = default;

    /// Keeps `context` (not owned) for every later call that asks the host something.
    virtual void initialize(ContainerContext* context, std::uint64_t id);
    /// Whether `location` holds this container's format; may append to `formats`.
    virtual bool probe(const Location* location, std::uint64_t reserved,
                       std::vector<StreamFormat>* formats) = 0;
    virtual void notify(std::uint32_t value) = 0;
    virtual std::int32_t request(std::uint32_t value) = 0;
    /// 0 when the source was read and a stream made; 0x80100001 otherwise.
    virtual std::int32_t open(const Location* location) = 0;
    virtual String getLocation() = 0;
    virtual std::uint64_t getId() { return id_; }
    /// Writes 0 through each target that is not null; always 0.
    virtual std::int32_t getRange(std::int32_t* first, std::int32_t* second);
    virtual std::int32_t getStatus() = 0;
    virtual List<std::uint64_t> getProgramIds() = 0;
    virtual String getProgramName(std::uint64_t programId) = 0;
    virtual std::int32_t selectProgram(std::uint64_t programId) = 0;
    virtual std::int32_t close(bool flag) = 0;
    virtual std::int32_t getFileSize(std::uint64_t* size) = 0;
    /// The priority of `type`, or -1 when it is not served.
    virtual std::int32_t findMimeType(const String& type) = 0;
    virtual std::int32_t getMimeTypeCount() = 0;
    /// Empty when `index` is out of range.
    virtual String getMimeType(std::uint32_t index) = 0;
    /// 0 when `index` is out of range.
    virtual std::int32_t getMimeTypePriority(std::uint32_t index) = 0;

protected:
    ContainerContext* context_ = nullptr;

private:
    std::uint64_t id_ = 0;
    [[maybe_unused]] std::uint32_t reserved_ = 0;
};

}  // namespace Tork
