// The GStreamer plug-in's entry: the Tork MicroDVD element and its type finder.
#include "gstreamer/MicroDVDParse.h"
#include "gstreamer/TypeFinder.h"

namespace {

gboolean initialise(GstPlugin* plugin) {
    return Tork::Gst::registerMicroDVDParse(plugin) && Tork::Gst::registerTypeFinder(plugin);
}

}  // namespace

// GST_PLUGIN_DEFINE names the source module with it.
#define PACKAGE "tork-microdvd"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, torkmicrodvd,
                  "MicroDVD subtitles read through the Tork MicroDVD plug-in", initialise,
                  TORK_VERSION, "unknown", "tork-microdvd", "Unknown package origin")
