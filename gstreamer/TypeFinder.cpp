#include "gstreamer/TypeFinder.h"

#include "gstreamer/MicroDVDParse.h"
#include "player/SubtitleReader.h"

#include <glib/gstdio.h>

#include <algorithm>
#include <new>

namespace Tork::Gst {

namespace {

// More than the plug-in's probe looks at, so the probe decides on what it always sees.
constexpr guint64 kPeekBytes = 4096;

// The first bytes there are, up to kPeekBytes; null when the stream is empty.
const guint8* peekStart(GstTypeFind* find, guint* size) {
    const guint64 length = gst_type_find_get_length(find);
    guint want = static_cast<guint>(length > 0 ? std::min(length, kPeekBytes) : kPeekBytes);
    for (; want > 0; want /= 2) {
        if (const guint8* data = gst_type_find_peek(find, 0, want)) {
            *size = want;
            return data;
        }
    }
    return nullptr;
}

// The plug-in's probe reads a file, so the peeked bytes become one, made exclusively and for
// the user alone. No folder of its own, whose making and removal cost more than the probe;
// the session's runtime folder first, which desktops keep in memory. Null when neither that
// nor the temporary folder takes a file.
gchar* newProbeFile(gint* fd) {
    const gchar* runtime = g_getenv("XDG_RUNTIME_DIR");
    for (const gchar* folder : {runtime, g_get_tmp_dir()}) {
        if (!folder || !g_path_is_absolute(folder)) continue;
        gchar* path = g_build_filename(folder, "tork-typefind-XXXXXX.sub", nullptr);
        *fd = g_mkstemp_full(path, 0, 0600);
        if (*fd >= 0) return path;
        g_free(path);
    }
    return nullptr;
}

bool probeBytes(const guint8* data, guint size) {
    gint fd = -1;
    gchar* path = newProbeFile(&fd);
    if (!path) return false;
    g_close(fd, nullptr);
    bool taken = false;
    if (g_file_set_contents_full(path, reinterpret_cast<const gchar*>(data), size,
                                 G_FILE_SET_CONTENTS_NONE, 0600, nullptr)) {
        if (gchar* uri = g_filename_to_uri(path, nullptr, nullptr)) {
            try {
                taken = Player::SubtitleReader(TORK_INSTALLED_PLUGIN_FOLDER).probe(uri);
            } catch (const std::bad_alloc&) {
                // Without memory the file is merely not claimed.
            }
            g_free(uri);
        }
    }
    g_unlink(path);
    g_free(path);
    return taken;
}

void findMicroDVD(GstTypeFind* find, gpointer) {
    guint size = 0;
    const guint8* data = peekStart(find, &size);
    if (!data) return;
    if (probeBytes(data, size)) {
        GstCaps* caps = gst_caps_new_empty_simple(kMicroDVDCaps);
        gst_type_find_suggest(find, GST_TYPE_FIND_MAXIMUM, caps);
        gst_caps_unref(caps);
    }
}

}  // namespace

gboolean registerTypeFinder(GstPlugin* plugin) {
    GstCaps* caps = gst_caps_new_empty_simple(kMicroDVDCaps);
    const gboolean done = gst_type_find_register(plugin, kTypeFinderName, kTypeFinderRank,
                                                 findMicroDVD, "sub,txt", caps, nullptr, nullptr);
    gst_caps_unref(caps);
    return done;
}

}  // namespace Tork::Gst
