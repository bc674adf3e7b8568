// The type finder that claims MicroDVD files for the Tork element, ahead of GStreamer's own.
#pragma once

#include <gst/gst.h>

namespace Tork::Gst {

/// Above the rank of GStreamer's own subtitle type finder (marginal), so a file both take
/// comes here.
inline constexpr guint kTypeFinderRank = GST_RANK_SECONDARY;
inline constexpr const char* kTypeFinderName = "tork-microdvd";

/// Registers the type finder with `plugin`; false when GStreamer refuses.
gboolean registerTypeFinder(GstPlugin* plugin);

}  // namespace Tork::Gst
