#include "subtitle/FileSize.h"

namespace Tork {

std::optional<std::uint64_t> fileSize(const String&) {
    // Files are opened through text/File, which is not available yet.
    return std::nullopt;
}

}  // namespace Tork
