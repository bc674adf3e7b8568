// Why an input did not open, in words that name the real cause.
#pragma once

#include "host/OpenReport.h"

#include <optional>
#include <string>

namespace Tork::Subplay {

/// Why the input did not open: the plug-in's reason (failureText), made precise by a look
/// at `path`, its local file when it has one: a folder is named a folder, a name refused
/// for its extension that names no file is missing, and a file of another subtitle format
/// (SubRip, WebVTT, TMPlayer) is named as that format.
std::string openFailureText(const Host::OpenReport& report, const std::optional<std::string>& path);

}  // namespace Tork::Subplay
