// The host's location object for one URL, the typed path or URL a session opens, and the
// URL for what a user typed.
#pragma once

#include "framework/Location.h"
#include "framework/String.h"

#include <string>
#include <string_view>
#include <utility>

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

/// A local file by its path (UTF-8), absolute or relative to the working folder.
class FilePath {
public:
    explicit FilePath(std::string path) : path_(std::move(path)) {}
    const std::string& text() const { return path_; }

private:
    std::string path_;
};

/// A URL, handed to the plug-in as it is: it opens only file: URLs.
class FileUrl {
public:
    explicit FileUrl(std::string url) : url_(std::move(url)) {}
    const std::string& text() const { return url_; }

private:
    std::string url_;
};

/// What a session opens: a FilePath or a FileUrl, never a bare string, so that a path is
/// not taken for a URL.
class FileLocation {
public:
    /// The path made absolute against the working folder and turned into a file: URL.
    FileLocation(const FilePath& path);  // NOLINT(google-explicit-constructor): by design
    FileLocation(const FileUrl& url) : url_(url.text()) {}  // NOLINT: by design

    /// The URL handed to the plug-in.
    const std::string& url() const { return url_; }
    /// The path it was made from; empty when it was made from a URL.
    const std::string& path() const { return path_; }
    /// Why the plug-in could not open it, as far as the host can tell without reading it:
    /// no such file, or not a file: URL; empty otherwise.
    std::string problem() const;

private:
    std::string url_;
    std::string path_;
};

/// Whether `argument` names a URL rather than a path: it starts with "file:" in any letter
/// case, or with a scheme followed by "://".
bool isUrl(std::string_view argument);

/// The location to hand a container: a URL as given, or a path made absolute against
/// `workingFolder` and turned into a file: URL.
std::string locationFor(std::string_view argument, std::string_view workingFolder);

}  // namespace Tork::Host
