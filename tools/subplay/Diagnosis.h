// Why a location could not be opened, as far as the host can tell on its own.
#pragma once

#include <string>

namespace Tork::Subplay {

enum class Attempt { Probe, Open };

/// A short reason for the failure of `attempt` on `url`: not a file: URL, an extension
/// the plug-in refuses (open only), a missing, unreadable or empty file, or, when the
/// host sees nothing wrong, what the plug-in must have disliked about the content, told
/// apart by whether the probe accepted the first line.
std::string explainFailure(const std::string& url, Attempt attempt, bool probeAccepted);

}  // namespace Tork::Subplay
