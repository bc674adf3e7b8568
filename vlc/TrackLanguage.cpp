#include "vlc/TrackLanguage.h"

namespace Tork::Vlc {

std::optional<std::string> languageOfFileName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t extension = name.rfind('.');
    if (extension == std::string_view::npos) return std::nullopt;
    name = name.substr(0, extension);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size()) return std::nullopt;
    return std::string(name.substr(dot + 1));
}

}  // namespace Tork::Vlc
