// The host's location object for one URL, and the URL for what a user typed.
#pragma once

#include "framework/Location.h"
#include "framework/String.h"

#include <string>
#include <string_view>

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

/// Whether `argument` names a URL rather than a path: it starts with "file:" in any letter
/// case, or with a scheme followed by "://".
bool isUrl(std::string_view argument);

/// The location to hand a container: a URL as given, or a path made absolute against
/// `workingFolder` and turned into a file: URL.
std::string locationFor(std::string_view argument, std::string_view workingFolder);

}  // namespace Tork::Host
