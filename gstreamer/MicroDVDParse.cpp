#include "gstreamer/MicroDVDParse.h"

#include "gstreamer/PangoMarkup.h"
#include "gstreamer/SubtitleReader.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace Tork::Gst {

namespace {

GST_DEBUG_CATEGORY_STATIC(parseDebug);
#define GST_CAT_DEFAULT parseDebug

// What the streaming task works with; guarded by the source pad's stream lock.
struct ParseState {
    std::string encoding;  // the subtitle-encoding property; under the object lock
    std::unique_ptr<SubtitleReader> reader;
    std::atomic<bool> started{false};  // whether the task has been started since activation
    bool opened = false;
    bool failed = false;
    bool sendSegment = true;
    guint32 segmentSeqnum = GST_SEQNUM_INVALID;
    GstSegment segment{};
};

struct TorkMicroDVDParse {
    GstElement parent;
    GstPad* sinkPad;
    GstPad* srcPad;
    ParseState* state;
};

struct TorkMicroDVDParseClass {
    GstElementClass parentClass;
};

G_DEFINE_TYPE(TorkMicroDVDParse, tork_microdvd_parse, GST_TYPE_ELEMENT)

TorkMicroDVDParse* parseOf(GstObject* object) {
    return G_TYPE_CHECK_INSTANCE_CAST(object, tork_microdvd_parse_get_type(), TorkMicroDVDParse);
}

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS(kMicroDVDCaps));
GstStaticPadTemplate srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS(kPangoCaps));

// The plug-in reads files itself, so the element needs the file's URI, which filesrc answers.
std::string upstreamUri(TorkMicroDVDParse* self) {
    GstQuery* query = gst_query_new_uri();
    std::string uri;
    if (gst_pad_peer_query(self->sinkPad, query)) {
        gchar* answer = nullptr;
        gst_query_parse_uri(query, &answer);
        if (answer) uri = answer;
        g_free(answer);
    }
    gst_query_unref(query);
    return uri;
}

void seekReader(ParseState& state) {
    const guint64 milliseconds = state.segment.start / GST_MSECOND;
    if (!state.reader->seek(static_cast<std::uint32_t>(
            std::min<guint64>(milliseconds, std::numeric_limits<std::uint32_t>::max())))) {
        GST_WARNING("the plug-in's stream refused a seek to %" G_GUINT64_FORMAT " ms",
                    milliseconds);
    }
}

void pushSegment(TorkMicroDVDParse* self) {
    ParseState& state = *self->state;
    GstEvent* segment = gst_event_new_segment(&state.segment);
    if (state.segmentSeqnum != GST_SEQNUM_INVALID) {
        gst_event_set_seqnum(segment, state.segmentSeqnum);
    }
    gst_pad_push_event(self->srcPad, segment);
    state.sendSegment = false;
}

// The caps are fixed and the segment is the element's own, so neither waits for the file.
void announce(TorkMicroDVDParse* self) {
    GstCaps* caps = gst_caps_from_string(kPangoCaps);
    gst_pad_push_event(self->srcPad, gst_event_new_caps(caps));
    gst_caps_unref(caps);
    if (self->state->sendSegment) pushSegment(self);
}

// The plug-in reads the whole file before it hands out a cue, and the caps set decodebin and
// playbin linking the stream downstream on this thread (5 to 10 ms in playbin): the two go
// side by side. The reader is this thread's again once the opener is joined.
bool openWhileAnnouncing(TorkMicroDVDParse* self, SubtitleReader& reader, const std::string& uri) {
    bool opened = false;
    std::exception_ptr failure;
    std::optional<std::jthread> opener;
    try {
        opener.emplace([&] {
            try {
                opened = reader.open(uri);
            } catch (...) {
                failure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        // Without a thread the open merely comes first.
        announce(self);
        return reader.open(uri);
    }
    announce(self);
    opener.reset();
    if (failure) std::rethrow_exception(failure);
    return opened;
}

bool openFile(TorkMicroDVDParse* self) {
    ParseState& state = *self->state;
    gchar* streamId = gst_pad_create_stream_id(self->srcPad, GST_ELEMENT(self), nullptr);
    gst_pad_push_event(self->srcPad, gst_event_new_stream_start(streamId));
    g_free(streamId);
    const std::string uri = upstreamUri(self);
    if (uri.empty()) {
        GST_ELEMENT_ERROR(self, RESOURCE, NOT_FOUND, ("The subtitle file's location is unknown."),
                          ("upstream answers no URI query"));
        return false;
    }
    if (!gst_uri_has_protocol(uri.c_str(), "file")) {
        GST_ELEMENT_ERROR(self, RESOURCE, OPEN_READ,
                          ("Only local subtitle files can be read, not %s.", uri.c_str()),
                          (nullptr));
        return false;
    }
    state.reader = std::make_unique<SubtitleReader>();
    GST_OBJECT_LOCK(self);
    const std::string encoding = state.encoding;
    GST_OBJECT_UNLOCK(self);
    if (!encoding.empty()) state.reader->setEncoding(encoding);
    if (!openWhileAnnouncing(self, *state.reader, uri)) {
        GST_ELEMENT_ERROR(self, STREAM, DECODE, ("Could not read %s as MicroDVD.", uri.c_str()),
                          ("%s", state.reader->error().c_str()));
        return false;
    }
    if (!state.reader->warning().empty()) {
        GST_ELEMENT_WARNING(self, STREAM, DECODE,
                            ("%s: %s", uri.c_str(), state.reader->warning().c_str()), (nullptr));
    }
    // A seek that came before the file was open holds for it too.
    if (state.segment.start > 0) seekReader(state);
    return true;
}

GstBuffer* bufferOf(const Cue& cue) {
    const std::string text = toPangoMarkup(cue.text);
    GstBuffer* buffer =
        text.empty() ? gst_buffer_new() : gst_buffer_new_memdup(text.data(), text.size());
    GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(cue.start) * GST_MSECOND;
    // A cue that ends before it starts is shown for no time rather than for ever.
    GST_BUFFER_DURATION(buffer) =
        cue.duration > 0 ? static_cast<GstClockTime>(cue.duration) * GST_MSECOND : 0;
    return buffer;
}

void pauseOnFlow(TorkMicroDVDParse* self, GstFlowReturn flow) {
    GST_DEBUG_OBJECT(self, "pausing: %s", gst_flow_get_name(flow));
    gst_pad_pause_task(self->srcPad);
    if (flow == GST_FLOW_EOS) {
        GstEvent* eos = gst_event_new_eos();
        if (self->state->segmentSeqnum != GST_SEQNUM_INVALID) {
            gst_event_set_seqnum(eos, self->state->segmentSeqnum);
        }
        gst_pad_push_event(self->srcPad, eos);
    } else if (flow == GST_FLOW_NOT_LINKED || flow < GST_FLOW_EOS) {
        GST_ELEMENT_FLOW_ERROR(self, flow);
        gst_pad_push_event(self->srcPad, gst_event_new_eos());
    }
}

void loop(gpointer data) {
    TorkMicroDVDParse* self = static_cast<TorkMicroDVDParse*>(data);
    ParseState& state = *self->state;
    GstFlowReturn flow = GST_FLOW_OK;
    try {
        if (!state.opened && !state.failed) {
            state.opened = openFile(self);
            state.failed = !state.opened;
        }
        if (state.failed) {
            gst_pad_pause_task(self->srcPad);
            gst_pad_push_event(self->srcPad, gst_event_new_eos());
            return;
        }
        if (state.sendSegment) pushSegment(self);
        const std::optional<Cue> cue = state.reader->next();
        if (!cue) {
            flow = GST_FLOW_EOS;
        } else {
            GstBuffer* buffer = bufferOf(*cue);
            if (GST_CLOCK_TIME_IS_VALID(state.segment.stop) &&
                GST_BUFFER_PTS(buffer) >= state.segment.stop) {
                gst_buffer_unref(buffer);
                flow = GST_FLOW_EOS;
            } else {
                state.segment.position = GST_BUFFER_PTS(buffer);
                flow = gst_pad_push(self->srcPad, buffer);
            }
        }
    } catch (const std::bad_alloc&) {
        GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("Out of memory."), (nullptr));
        flow = GST_FLOW_ERROR;
    }
    if (flow != GST_FLOW_OK) pauseOnFlow(self, flow);
}

// Time seeks go to the plug-in's stream; the file upstream is never repositioned.
gboolean seek(TorkMicroDVDParse* self, GstEvent* event) {
    gdouble rate = 1.0;
    GstFormat format = GST_FORMAT_UNDEFINED;
    GstSeekFlags flags = GST_SEEK_FLAG_NONE;
    GstSeekType startType = GST_SEEK_TYPE_NONE, stopType = GST_SEEK_TYPE_NONE;
    gint64 start = 0, stop = 0;
    gst_event_parse_seek(event, &rate, &format, &flags, &startType, &start, &stopType, &stop);
    if (format != GST_FORMAT_TIME || rate <= 0.0) {
        GST_DEBUG_OBJECT(self, "refusing a seek that is not forwards in time");
        return FALSE;
    }
    // Without active pads there is no task to restart, and going to PAUSED resets the segment.
    if (GST_PAD_MODE(self->sinkPad) == GST_PAD_MODE_NONE) return FALSE;
    const bool flush = (flags & GST_SEEK_FLAG_FLUSH) != 0;
    const guint32 seqnum = gst_event_get_seqnum(event);
    if (flush) {
        GstEvent* flushStart = gst_event_new_flush_start();
        gst_event_set_seqnum(flushStart, seqnum);
        gst_pad_push_event(self->srcPad, flushStart);
    } else {
        gst_pad_pause_task(self->srcPad);
    }
    GST_PAD_STREAM_LOCK(self->srcPad);
    ParseState& state = *self->state;
    gboolean update = FALSE;
    gboolean done = gst_segment_do_seek(&state.segment, rate, format, flags, startType, start,
                                        stopType, stop, &update);
    state.segment.position = state.segment.start;
    if (done && state.opened) seekReader(state);
    if (flush) {
        GstEvent* flushStop = gst_event_new_flush_stop(TRUE);
        gst_event_set_seqnum(flushStop, seqnum);
        gst_pad_push_event(self->srcPad, flushStop);
    }
    state.sendSegment = true;
    state.segmentSeqnum = seqnum;
    gst_pad_start_task(self->srcPad, loop, self, nullptr);
    GST_PAD_STREAM_UNLOCK(self->srcPad);
    return done;
}

gboolean srcEvent(GstPad* pad, GstObject* parent, GstEvent* event) {
    if (GST_EVENT_TYPE(event) == GST_EVENT_SEEK) {
        const gboolean done = seek(parseOf(parent), event);
        gst_event_unref(event);
        return done;
    }
    return gst_pad_event_default(pad, parent, event);
}

gboolean srcQuery(GstPad* pad, GstObject* parent, GstQuery* query) {
    if (GST_QUERY_TYPE(query) == GST_QUERY_SEEKING) {
        GstFormat format = GST_FORMAT_UNDEFINED;
        gst_query_parse_seeking(query, &format, nullptr, nullptr, nullptr);
        if (format != GST_FORMAT_TIME) return FALSE;
        gst_query_set_seeking(query, format, TRUE, 0, -1);
        return TRUE;
    }
    return gst_pad_query_default(pad, parent, query);
}

// Upstream's data and events only stand for the file the plug-in reads itself: the element
// makes its own stream-start, caps, segment and EOS. Upstream's first buffer (or its EOS)
// starts the task: decodebin links and blocks the element's pad inside the type finder's
// have-type, and the type finder pushes buffers only after that, whereas sticky events reach
// the element as soon as it is activated, while its pad may not be linked yet. Ending
// upstream's flow at once spares it reading a file nobody uses.
void startOnce(TorkMicroDVDParse* self) {
    if (!self->state->started.exchange(true)) {
        gst_pad_start_task(self->srcPad, loop, self, nullptr);
    }
}

GstFlowReturn sinkChain(GstPad*, GstObject* parent, GstBuffer* buffer) {
    gst_buffer_unref(buffer);
    startOnce(parseOf(parent));
    return GST_FLOW_EOS;
}

gboolean sinkEvent(GstPad*, GstObject* parent, GstEvent* event) {
    if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) startOnce(parseOf(parent));
    gst_event_unref(event);
    return TRUE;
}

gboolean sinkActivateMode(GstPad*, GstObject* parent, GstPadMode, gboolean active) {
    TorkMicroDVDParse* self = parseOf(parent);
    if (active) {
        self->state->started = false;
        return TRUE;
    }
    return gst_pad_stop_task(self->srcPad);
}

GstStateChangeReturn changeState(GstElement* element, GstStateChange transition) {
    TorkMicroDVDParse* self = parseOf(GST_OBJECT(element));
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
        ParseState& state = *self->state;
        state.reader.reset();
        state.opened = state.failed = false;
        state.sendSegment = true;
        state.segmentSeqnum = GST_SEQNUM_INVALID;
        gst_segment_init(&state.segment, GST_FORMAT_TIME);
    }
    const GstStateChangeReturn result =
        GST_ELEMENT_CLASS(tork_microdvd_parse_parent_class)->change_state(element, transition);
    // The task has stopped with the pads' deactivation: the file can go.
    if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) self->state->reader.reset();
    return result;
}

enum Property { PropertyEncoding = 1 };

// The name under which decodebin hands its own setting to every element it plugs.
constexpr const char* kEncodingProperty = "subtitle-encoding";

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    TorkMicroDVDParse* self = parseOf(GST_OBJECT(object));
    if (id != PropertyEncoding) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    const gchar* encoding = g_value_get_string(value);
    GST_OBJECT_LOCK(self);
    self->state->encoding = encoding ? encoding : "";
    GST_OBJECT_UNLOCK(self);
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    TorkMicroDVDParse* self = parseOf(GST_OBJECT(object));
    if (id != PropertyEncoding) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    GST_OBJECT_LOCK(self);
    g_value_set_string(value,
                       self->state->encoding.empty() ? nullptr : self->state->encoding.c_str());
    GST_OBJECT_UNLOCK(self);
}

void finalize(GObject* object) {
    delete parseOf(GST_OBJECT(object))->state;
    G_OBJECT_CLASS(tork_microdvd_parse_parent_class)->finalize(object);
}

void tork_microdvd_parse_class_init(TorkMicroDVDParseClass* klass) {
    GObjectClass* object = G_OBJECT_CLASS(klass);
    object->finalize = finalize;
    object->set_property = setProperty;
    object->get_property = getProperty;
    g_object_class_install_property(
        object, PropertyEncoding,
        g_param_spec_string(
            kEncodingProperty, "subtitle encoding",
            "The file's encoding as an ICU converter name (windows-1250, "
            "ISO-8859-2, ...) over detection, UTF-8 included; a byte-order signature "
            "still wins",
            nullptr, static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    element->change_state = changeState;
    gst_element_class_add_static_pad_template(element, &sinkTemplate);
    gst_element_class_add_static_pad_template(element, &srcTemplate);
    gst_element_class_set_static_metadata(
        element, "MicroDVD subtitle parser (Tork)", "Codec/Parser/Subtitle",
        "Reads MicroDVD subtitle files through the Tork MicroDVD plug-in, leniently and in the "
        "file's own encoding, into timed Pango mark-up",
        "Tork developers <tork@localhost>");
    GST_DEBUG_CATEGORY_INIT(parseDebug, kElementName, 0, "Tork MicroDVD parser");
}

void tork_microdvd_parse_init(TorkMicroDVDParse* self) {
    self->state = new ParseState;
    gst_segment_init(&self->state->segment, GST_FORMAT_TIME);
    self->sinkPad = gst_pad_new_from_static_template(&sinkTemplate, "sink");
    gst_pad_set_chain_function(self->sinkPad, sinkChain);
    gst_pad_set_event_function(self->sinkPad, sinkEvent);
    gst_pad_set_activatemode_function(self->sinkPad, sinkActivateMode);
    gst_element_add_pad(GST_ELEMENT(self), self->sinkPad);
    self->srcPad = gst_pad_new_from_static_template(&srcTemplate, "src");
    gst_pad_set_event_function(self->srcPad, srcEvent);
    gst_pad_set_query_function(self->srcPad, srcQuery);
    gst_pad_use_fixed_caps(self->srcPad);
    gst_element_add_pad(GST_ELEMENT(self), self->srcPad);
}

}  // namespace

gboolean registerMicroDVDParse(GstPlugin* plugin) {
    return gst_element_register(plugin, kElementName, GST_RANK_PRIMARY,
                                tork_microdvd_parse_get_type());
}

}  // namespace Tork::Gst
