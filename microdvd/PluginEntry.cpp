// The library's one export.
#include "framework/ResultCode.h"
#include "microdvd/MicroDVDContainer.h"

extern "C" __attribute__((visibility("default"))) std::int32_t _getPlugin(Tork::PluginHost* host,
                                                                          Tork::Plugin** out) {
    if (!out) return Tork::Result::Failure;
    try {
        *out = new Tork::MicroDVDContainer(host);
    } catch (...) {
        // No exception may reach the host; it tells failure by the null object.
        *out = nullptr;
    }
    return Tork::Result::Ok;
}
