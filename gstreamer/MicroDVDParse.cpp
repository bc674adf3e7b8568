#include "gstreamer/MicroDVDParse.h"

#include "gstreamer/PangoMarkup.h"
#include "gstreamer/PrivateFile.h"
#include "player/SubtitleReader.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace Tork::Gst {

namespace {

using Player::Cue;
using Player::SubtitleReader;

GST_DEBUG_CATEGORY_STATIC(parseDebug);
#define GST_CAT_DEFAULT parseDebug

// Where the bytes the plug-in reads come from.
enum class Source {
    Undecided,  // nothing has come from upstream yet
    File,       // a local file upstream reads, which the plug-in reads itself
    Copy,       // what upstream pushes, kept in a private file
    Refused,    // what upstream pushes could not be kept: the error is out, nothing is read
};

// An open on a thread of its own. The streaming thread waits for it unless the element stops
// first; the open then ends alone, and its reader (and the copy it read) go with the last
// reference.
struct PendingOpen {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;       // under mutex
    bool abandoned = false;  // under mutex
    bool opened = false;
    std::exception_ptr failure;
    std::unique_ptr<PrivateFile> copy;  // goes after the reader, which may still read it
    std::unique_ptr<SubtitleReader> reader;
};

struct ParseState {
    // What the application's thread, upstream's and the task share.
    std::mutex mutex;
    std::string encoding;  // the subtitle-encoding property
    Source source = Source::Undecided;
    std::string shownName;              // the stream as messages name it
    std::string location;               // the file: URL to open, once upstream has said what it is
    std::unique_ptr<PrivateFile> copy;  // upstream's bytes until the open takes them
    std::shared_ptr<PendingOpen> pending;  // the open under way
    bool stopping = false;                 // the element is stopping: no open is wanted

    // The task's, under the source pad's stream lock.
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

// The URI upstream reads (the query filesrc and souphttpsrc answer), or empty.
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

// Whether the plug-in can read the file at `uri` itself: a local regular file, which upstream
// could read. Anything else (HTTP, a pipe, fdsrc, appsrc) it reads from a copy of what
// upstream pushes.
bool isLocalFile(const std::string& uri) {
    if (uri.empty() || !gst_uri_has_protocol(uri.c_str(), "file")) return false;
    gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    const bool regular = path && g_file_test(path, G_FILE_TEST_IS_REGULAR);
    g_free(path);
    return regular;
}

// An error to post once the state's lock is let go: a bus handler may call into the element.
struct Failure {
    GQuark domain;
    gint code;
    std::string text, debug;
};

void post(TorkMicroDVDParse* self, const Failure& failure) {
    gst_element_message_full(GST_ELEMENT(self), GST_MESSAGE_ERROR, failure.domain, failure.code,
                             g_strdup(failure.text.c_str()),
                             failure.debug.empty() ? nullptr : g_strdup(failure.debug.c_str()),
                             __FILE__, GST_FUNCTION, __LINE__);
}

// Under the state's lock, at upstream's first buffer or its end.
std::optional<Failure> chooseSource(TorkMicroDVDParse* self) {
    ParseState& state = *self->state;
    const std::string uri = upstreamUri(self);
    state.shownName = uri.empty() ? "the subtitle stream" : uri;
    if (isLocalFile(uri)) {
        state.source = Source::File;
        state.location = uri;
        return std::nullopt;
    }
    std::string error;
    state.copy = PrivateFile::create(".sub", error);
    if (!state.copy) {
        return Failure{GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_OPEN_WRITE,
                       "Could not keep " + state.shownName + " to read it.", error};
    }
    state.source = Source::Copy;
    return std::nullopt;
}

// Under the state's lock: the buffer's bytes added to the copy, up to the most the plug-in
// reads.
std::optional<Failure> keep(ParseState& state, GstBuffer* buffer) {
    const std::uint64_t size = gst_buffer_get_size(buffer);
    const auto largest = static_cast<std::uint64_t>(SubtitleReader::largestFile());
    if (state.copy->size() + size > largest) {
        return Failure{GST_STREAM_ERROR,
                       GST_STREAM_ERROR_FAILED,
                       state.shownName + " is larger than " + std::to_string(largest) +
                           " bytes, the most the MicroDVD plug-in reads.",
                       {}};
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return Failure{GST_STREAM_ERROR,
                       GST_STREAM_ERROR_FAILED,
                       "Could not read a buffer of " + state.shownName + ".",
                       {}};
    }
    const bool kept = state.copy->append(map.data, map.size);
    gst_buffer_unmap(buffer, &map);
    if (!kept) {
        return Failure{GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_WRITE,
                       "Could not keep " + state.shownName + " to read it.", state.copy->error()};
    }
    return std::nullopt;
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

enum class Opening { Opened, Failed, Abandoned, NotYet };

// The plug-in reads the whole file before it hands out a cue, and the caps set decodebin and
// playbin linking the stream downstream on this thread (5 to 10 ms in playbin): the two go
// side by side. A stop does not wait for the open, which may take seconds: it abandons it.
Opening openWhileAnnouncing(TorkMicroDVDParse* self, const std::shared_ptr<PendingOpen>& pending,
                            const std::string& url) {
    try {
        std::thread([pending = std::shared_ptr<PendingOpen>(pending), url]() mutable {
            bool opened = false;
            std::exception_ptr failure;
            try {
                opened = pending->reader->open(url);
            } catch (...) {
                failure = std::current_exception();
            }
            bool abandoned = false;
            {
                std::lock_guard lock(pending->mutex);
                pending->opened = opened;
                pending->failure = failure;
                pending->done = true;
                abandoned = pending->abandoned;
            }
            pending->changed.notify_all();
            // Abandoned, this is most often the last reference: the reader and the copy go here.
            pending.reset();
            if (abandoned) GST_DEBUG("an abandoned open of %s has ended", url.c_str());
        }).detach();
    } catch (const std::system_error&) {
        // Without a thread the open merely comes first, and a stop waits for it.
        announce(self);
        return pending->reader->open(url) ? Opening::Opened : Opening::Failed;
    }
    announce(self);
    std::unique_lock lock(pending->mutex);
    pending->changed.wait(lock, [&] { return pending->done || pending->abandoned; });
    if (!pending->done) return Opening::Abandoned;
    // Read whole: the copy goes before the first cue.
    pending->copy.reset();
    if (pending->failure) std::rethrow_exception(pending->failure);
    return pending->opened ? Opening::Opened : Opening::Failed;
}

// Makes a stop that comes while the file is being opened leave the open behind.
void abandonOpen(ParseState& state) {
    std::shared_ptr<PendingOpen> pending;
    {
        std::lock_guard lock(state.mutex);
        state.stopping = true;
        pending = state.pending;
    }
    if (!pending) return;
    {
        std::lock_guard lock(pending->mutex);
        pending->abandoned = true;
    }
    pending->changed.notify_all();
}

Opening openFile(TorkMicroDVDParse* self) {
    ParseState& state = *self->state;
    auto pending = std::make_shared<PendingOpen>();
    pending->reader = std::make_unique<SubtitleReader>(TORK_INSTALLED_PLUGIN_FOLDER);
    std::string url, encoding, shown;
    {
        std::lock_guard lock(state.mutex);
        if (state.stopping) return Opening::Abandoned;
        // A seek started the task before upstream said where the file is.
        if (state.location.empty()) return Opening::NotYet;
        url = state.location;
        encoding = state.encoding;
        shown = state.shownName;
        // The copy is removed as soon as the plug-in has read it.
        pending->copy = std::move(state.copy);
        state.pending = pending;
    }
    gchar* streamId = gst_pad_create_stream_id(self->srcPad, GST_ELEMENT(self), nullptr);
    gst_pad_push_event(self->srcPad, gst_event_new_stream_start(streamId));
    g_free(streamId);
    if (!encoding.empty()) pending->reader->setEncoding(encoding);
    Opening opening = Opening::Failed;
    try {
        opening = openWhileAnnouncing(self, pending, url);
    } catch (...) {
        std::lock_guard lock(state.mutex);
        state.pending.reset();
        throw;
    }
    {
        std::lock_guard lock(state.mutex);
        state.pending.reset();
    }
    if (opening == Opening::Failed) {
        GST_ELEMENT_ERROR(self, STREAM, DECODE, ("Could not read %s as MicroDVD.", shown.c_str()),
                          ("%s", pending->reader->error().c_str()));
    }
    if (opening != Opening::Opened) return opening;
    state.reader = std::move(pending->reader);
    // What the plug-in read past or stopped at, for the viewer to hear of.
    if (const auto& report = state.reader->report(); report && !report->zeroByte().empty()) {
        GST_ELEMENT_WARNING(self, STREAM, DECODE,
                            ("%s: %s", shown.c_str(), report->zeroByte().c_str()), (nullptr));
    }
    // A seek that came before the file was open holds for it too.
    if (state.segment.start > 0) seekReader(state);
    return opening;
}

// The Pango text is made once, in the memory the buffer hands downstream.
GstBuffer* bufferOf(const Cue& cue) {
    auto text = std::make_unique<std::string>(toPangoMarkup(cue.text, TextSource::Plugin));
    GstBuffer* buffer = nullptr;
    if (text->empty()) {
        buffer = gst_buffer_new();
    } else {
        const gsize size = text->size();
        buffer = gst_buffer_new_wrapped_full(
            GstMemoryFlags{}, text->data(), size, 0, size, text.get(),
            [](gpointer owned) { delete static_cast<std::string*>(owned); });
        static_cast<void>(text.release());
    }
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
            const Opening opening = openFile(self);
            if (opening == Opening::NotYet || opening == Opening::Abandoned) {
                gst_pad_pause_task(self->srcPad);
                return;
            }
            state.opened = opening == Opening::Opened;
            state.failed = !state.opened;
        }
        if (state.failed) {
            gst_pad_pause_task(self->srcPad);
            gst_pad_push_event(self->srcPad, gst_event_new_eos());
            return;
        }
        if (state.sendSegment) pushSegment(self);
        std::optional<Cue> cue = state.reader->next();
        if (!cue) {
            flow = GST_FLOW_EOS;
        } else {
            GstBuffer* buffer = bufferOf(*cue);
            // The plug-in's chunk goes before downstream holds the cue.
            cue.reset();
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

// Upstream's data and events only stand for the file the plug-in reads: the element makes
// its own stream-start, caps, segment and EOS. Upstream's first buffer (or its EOS) starts the
// task when the plug-in reads the file itself, and its EOS when the element keeps a copy:
// decodebin links and blocks the element's pad inside the type finder's have-type, and the
// type finder pushes buffers only after that, whereas sticky events reach the element as soon
// as it is activated, while its pad may not be linked yet. Ending upstream's flow at once
// spares it reading a file the plug-in reads itself.
void startOnce(TorkMicroDVDParse* self) {
    if (!self->state->started.exchange(true)) {
        gst_pad_start_task(self->srcPad, loop, self, nullptr);
    }
}

Failure outOfMemory() {
    return Failure{GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_FAILED, "Out of memory.", {}};
}

GstFlowReturn sinkChain(GstPad*, GstObject* parent, GstBuffer* buffer) {
    TorkMicroDVDParse* self = parseOf(parent);
    ParseState& state = *self->state;
    std::optional<Failure> failure;
    Source source = Source::Refused;
    {
        std::lock_guard lock(state.mutex);
        try {
            if (state.source == Source::Undecided) failure = chooseSource(self);
            if (!failure && state.source == Source::Copy) failure = keep(state, buffer);
        } catch (const std::bad_alloc&) {
            failure = outOfMemory();
        }
        // Upstream's EOS after an error opens nothing.
        if (failure) {
            state.source = Source::Refused;
            state.copy.reset();
        }
        source = state.source;
    }
    gst_buffer_unref(buffer);
    if (failure) post(self, *failure);
    switch (source) {
        case Source::Copy:
            return GST_FLOW_OK;
        case Source::File:
            startOnce(self);
            return GST_FLOW_EOS;
        default:
            return GST_FLOW_ERROR;
    }
}

// Upstream's end: a copy is whole.
void endOfUpstream(TorkMicroDVDParse* self) {
    ParseState& state = *self->state;
    std::optional<Failure> failure;
    bool refused = false;
    {
        std::lock_guard lock(state.mutex);
        try {
            if (state.source == Source::Undecided) failure = chooseSource(self);
            if (!failure && state.source == Source::Copy && state.copy) {
                if (state.copy->finish()) {
                    state.location = state.copy->url();
                } else {
                    failure = Failure{GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_WRITE,
                                      "Could not keep " + state.shownName + " to read it.",
                                      state.copy->error()};
                }
            }
        } catch (const std::bad_alloc&) {
            failure = outOfMemory();
        }
        if (failure) {
            state.source = Source::Refused;
            state.copy.reset();
        }
        refused = state.source == Source::Refused;
    }
    if (failure) post(self, *failure);
    if (!refused) startOnce(self);
}

gboolean sinkEvent(GstPad*, GstObject* parent, GstEvent* event) {
    if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) endOfUpstream(parseOf(parent));
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

// The source pad goes first when the element stops, and waits for the task's stream lock,
// which an open holds: the open is let go before.
gboolean srcActivateMode(GstPad*, GstObject* parent, GstPadMode, gboolean active) {
    ParseState& state = *parseOf(parent)->state;
    if (active) {
        std::lock_guard lock(state.mutex);
        state.stopping = false;
    } else {
        abandonOpen(state);
    }
    return TRUE;
}

GstStateChangeReturn changeState(GstElement* element, GstStateChange transition) {
    TorkMicroDVDParse* self = parseOf(GST_OBJECT(element));
    ParseState& state = *self->state;
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
        // No task runs; its lock orders this after the last one did.
        GST_PAD_STREAM_LOCK(self->srcPad);
        state.reader.reset();
        state.opened = state.failed = false;
        state.sendSegment = true;
        state.segmentSeqnum = GST_SEQNUM_INVALID;
        gst_segment_init(&state.segment, GST_FORMAT_TIME);
        GST_PAD_STREAM_UNLOCK(self->srcPad);
        std::lock_guard lock(state.mutex);
        state.source = Source::Undecided;
        state.shownName.clear();
        state.location.clear();
        state.copy.reset();
    }
    const GstStateChangeReturn result =
        GST_ELEMENT_CLASS(tork_microdvd_parse_parent_class)->change_state(element, transition);
    // The task has stopped with the pads' deactivation: the file, and a copy of it, can go.
    if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) {
        GST_PAD_STREAM_LOCK(self->srcPad);
        state.reader.reset();
        GST_PAD_STREAM_UNLOCK(self->srcPad);
        std::lock_guard lock(state.mutex);
        state.copy.reset();
    }
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
    std::lock_guard lock(self->state->mutex);
    self->state->encoding = encoding ? encoding : "";
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    TorkMicroDVDParse* self = parseOf(GST_OBJECT(object));
    if (id != PropertyEncoding) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    std::lock_guard lock(self->state->mutex);
    g_value_set_string(value,
                       self->state->encoding.empty() ? nullptr : self->state->encoding.c_str());
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
    gst_pad_set_activatemode_function(self->srcPad, srcActivateMode);
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
