#include "microdvd/MicroDVDContainer.h"

#include "framework/InterfaceId.h"

#include <boost/assign/list_of.hpp>

#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace Tork {

MicroDVDContainer::MicroDVDContainer(PluginHost* host) : Plugin(host) {
    const std::vector<std::pair<String, std::int32_t>> types =
        boost::assign::list_of<std::pair<String, std::int32_t>>(String("text/x-sub"), 1)(
            String("text/plain"), 1);
    mimeTypes_.insert(types.begin(), types.end());
}

MicroDVDContainer::~MicroDVDContainer() = default;

std::int32_t MicroDVDContainer::queryInterface(const String& id, void** out) {
    *out = nullptr;
    if (!sameText(id, InterfaceId::container)) return Result::NoInterface;
    *out = static_cast<ContainerInterface*>(this);
    return Result::Ok;
}

bool MicroDVDContainer::probe(const Location*, std::uint64_t, std::vector<StreamFormat>*) {
    return false;
}

std::int32_t MicroDVDContainer::open(const Location*) {
    return Result::Failure;
}

std::int32_t MicroDVDContainer::findMimeType(const String& type) {
    const auto row = mimeTypes_.find(type);
    return row == mimeTypes_.end() ? -1 : row->second;
}

std::int32_t MicroDVDContainer::getMimeTypeCount() {
    return static_cast<std::int32_t>(mimeTypes_.size());
}

String MicroDVDContainer::getMimeType(std::uint32_t index) {
    if (index >= mimeTypes_.size()) return String(byteAllocator());
    return String(std::next(mimeTypes_.begin(), index)->first.bytes(), byteAllocator());
}

std::int32_t MicroDVDContainer::getMimeTypePriority(std::uint32_t index) {
    if (index >= mimeTypes_.size()) return 0;
    return std::next(mimeTypes_.begin(), index)->second;
}

void MicroDVDContainer::fillStreamFormat(StreamFormat* format) {
    std::memcpy(format->code, "UTF8", 5);
}

}  // namespace Tork
