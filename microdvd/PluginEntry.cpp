// The library's one export.
#include "framework/OrOnException.h"
#include "framework/ResultCode.h"
#include "microdvd/MicroDVDContainer.h"

extern "C" __attribute__((visibility("default"))) std::int32_t _getPlugin(Tork::PluginHost* host,
                                                                          Tork::Plugin** out) {
    if (!out) return Tork::Result::Failure;
    *out = nullptr;
    // Every later call of the component reaches its host.
    if (!host) return Tork::Result::Failure;
    // No exception may reach the host; it tells failure by the null object.
    *out = Tork::orOnException<Tork::Plugin*>(nullptr,
                                              [host] { return new Tork::MicroDVDContainer(host); });
    return Tork::Result::Ok;
}
