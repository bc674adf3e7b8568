// The language a subtitle file's name gives its track, as VLC's own reader takes it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tork::Vlc {

/// The part of the file's name between its last two dots ("pl" for "/films/film.pl.sub");
/// nothing when the name has fewer than two dots or that part is empty.
std::optional<std::string> languageOfFileName(std::string_view path);

}  // namespace Tork::Vlc
