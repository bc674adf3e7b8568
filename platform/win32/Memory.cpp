// Large pages on Windows need a privilege that players do not hold: no hint is given.
#include "platform/Memory.h"

namespace Tork {

void adviseLargePages(void*, std::size_t) noexcept {}

}  // namespace Tork
