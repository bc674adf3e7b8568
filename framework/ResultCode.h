// Status codes that cross the plug-in boundary.
#pragma once

#include <cstdint>

namespace Tork {

using ResultCode = std::int32_t;

namespace Result {
inline constexpr ResultCode Ok = 0;
/// queryInterface: the component does not answer this identifier.
inline constexpr ResultCode NoInterface = 3;
/// Failure of a container or stream operation.
inline constexpr ResultCode Failure = static_cast<ResultCode>(0x80100001u);
/// pathFromUrl: the location is not a file URL.
inline constexpr ResultCode NotFileUrl = static_cast<ResultCode>(0x80800001u);
/// readStream and setClock: nothing due yet, or no clock. Not a failure.
inline constexpr ResultCode NotYet = -1;
}  // namespace Result

}  // namespace Tork
