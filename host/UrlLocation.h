// The host's location object for one URL.
#pragma once

#include "framework/Location.h"
#include "framework/String.h"

#include <string>

namespace Tork::Host {

class UrlLocation {
public:
    explicit UrlLocation(const std::string& url) : url_(url) { location_.url = &url_; }
    UrlLocation(const UrlLocation&) = delete;
    UrlLocation& operator=(const UrlLocation&) = delete;

    const Location* get() const { return &location_; }

private:
    String url_;
    Location location_;
};

}  // namespace Tork::Host
