// The GStreamer element that reads a MicroDVD file through the Tork plug-in.
#pragma once

#include <gst/gst.h>

namespace Tork::Gst {

/// The element's name, the caps the type finder gives MicroDVD, and the caps it pushes.
inline constexpr const char* kElementName = "torkmicrodvdparse";
inline constexpr const char* kMicroDVDCaps = "application/x-tork-microdvd";
inline constexpr const char* kPangoCaps = "text/x-raw, format=(string)pango-markup";

/// Registers the element with `plugin`; false when GStreamer refuses.
gboolean registerMicroDVDParse(GstPlugin* plugin);

}  // namespace Tork::Gst
