#include "framework/ContainerInterface.h"

namespace Tork {

void ContainerInterface::initialize(ContainerContext* context, std::uint64_t id) {
    context_ = context;
    id_ = id;
    reserved_ = 0;
}

std::int32_t ContainerInterface::getRange(std::int32_t* first, std::int32_t* second) {
    if (first) *first = 0;
    if (second) *second = 0;
    return 0;
}

}  // namespace Tork
