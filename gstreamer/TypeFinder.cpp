#include "gstreamer/TypeFinder.h"

#include "gstreamer/MicroDVDParse.h"
#include "gstreamer/PrivateFile.h"
#include "microdvd/ProbeSize.h"
#include "player/SubtitleReader.h"

#include <algorithm>
#include <new>
#include <string>

namespace Tork::Gst {

namespace {

// As far as the plug-in's lenient probe reads, so the probe decides on what it would see in
// the file itself.
constexpr guint64 kPeekBytes = kLenientProbeBytes;

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

// Sure of a frame line only when it comes first: another type finder that is sure (SubRip
// with a stray brace line) then wins. Still above the 95 GStreamer gives any UTF-8 text, which
// would leave a long file with a header line unread.
constexpr GstTypeFindProbability kFramesAfterText = GST_TYPE_FIND_NEARLY_CERTAIN;

// How sure the plug-in's probe is of the bytes: the default reading wants a frame line before
// any other text, the lenient one a frame line anywhere, as a note may hold one by chance.
GstTypeFindProbability probeBytes(const guint8* data, guint size) {
    std::string error;
    const std::unique_ptr<PrivateFile> file = PrivateFile::create(".sub", error);
    if (!file || !file->append(data, size) || !file->finish()) return GST_TYPE_FIND_NONE;
    const std::string url = file->url();
    if (url.empty()) return GST_TYPE_FIND_NONE;
    Player::SubtitleReader reader(TORK_INSTALLED_PLUGIN_FOLDER);
    if (reader.probe(url, Player::SubtitleReader::Reading::Default)) return GST_TYPE_FIND_MAXIMUM;
    if (reader.probe(url, Player::SubtitleReader::Reading::Lenient)) return kFramesAfterText;
    return GST_TYPE_FIND_NONE;
}

void findMicroDVD(GstTypeFind* find, gpointer) {
    guint size = 0;
    const guint8* data = peekStart(find, &size);
    if (!data) return;
    GstTypeFindProbability probability{};
    try {
        probability = probeBytes(data, size);
    } catch (const std::bad_alloc&) {
        // Without memory the stream is merely not claimed.
    }
    if (probability > 0) {
        GstCaps* caps = gst_caps_new_empty_simple(kMicroDVDCaps);
        gst_type_find_suggest(find, probability, caps);
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
