#include "framework/StreamInterface.h"

#include "framework/OrOnException.h"

#include <mutex>

namespace Tork {

StreamInterface::StreamInterface(std::uint64_t parentId, std::uint64_t id, std::int32_t group)
    : parentId_(parentId), id_(id), group_(group) {}

StreamInterface::~StreamInterface() = default;

void StreamInterface::getRange(std::int32_t* first, std::int32_t* second) {
    if (first) *first = range_[0];
    if (second) *second = range_[1];
}

List<StreamInterface*> StreamInterface::getAssociatedStreams(std::uint32_t mask) {
    return orOnException(List<StreamInterface*>(), [&] {
        std::lock_guard guard(lock_);
        List<StreamInterface*> streams;
        for (const auto& [key, association] : associations_) {
            if ((association.first & mask) == mask) streams.append(association.second);
        }
        return streams;
    });
}

bool StreamInterface::setRate(std::int32_t rate) {
    rate_ = rate;
    return true;
}

bool StreamInterface::setMode(std::int32_t mode) {
    mode_ = mode;
    return true;
}

bool StreamInterface::supportsFeature(std::uint32_t) {
    return false;
}

}  // namespace Tork
