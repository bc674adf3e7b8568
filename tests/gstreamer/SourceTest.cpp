// Sources the plug-in cannot read itself (HTTP, fdsrc, pipes, appsrc): the element keeps what
// they push in a private file, reads that and removes it.
#include "tests/gstreamer/Pipelines.h"
#include "text/ParserUtilities.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <glib-unix.h>
#include <glib/gstdio.h>
#include <gst/app/gstappsrc.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

namespace Tork::Gst::Test {
namespace {

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Serves one body to every request on 127.0.0.1, as a web server serves a subtitle file.
// Asked to, it sends the first half, then waits for release() before the rest.
class HttpServer {
public:
    explicit HttpServer(std::string body, bool pauseHalfway = false)
        : body_(std::move(body)), paused_(pauseHalfway) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 4) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "no listening socket on 127.0.0.1";
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~HttpServer() {
        release();
        ::shutdown(listener_, SHUT_RDWR);  // ends the accept
        thread_.join();
        ::close(listener_);
    }
    std::string url(const std::string& name) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            paused_ = false;
        }
        resumed_.notify_all();
    }

private:
    void send(int client, std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) return;
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
    }
    void serve() {
        for (;;) {
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) return;
            std::string request;
            char block[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = ::recv(client, block, sizeof block, 0);
                if (got <= 0) break;
                request.append(block, static_cast<std::size_t>(got));
            }
            send(client,
                 "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                 "Content-Length: " +
                     std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n");
            const std::string_view body = body_;
            send(client, body.substr(0, body.size() / 2));
            {
                std::unique_lock lock(mutex_);
                resumed_.wait(lock, [this] { return !paused_; });
            }
            send(client, body.substr(body.size() / 2));
            ::close(client);
        }
    }

    std::string body_;
    int listener_ = -1;
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable resumed_;
    bool paused_;
    std::thread thread_;
};

// SOURCE ! typefind ! the element ! appsink, with `feed` run on the pipeline before it plays.
Outcome parseWith(const std::string& source, const std::function<void(GstElement*)>& feed) {
    GstElement* pipeline =
        launch(source + " ! typefind ! torkmicrodvdparse ! appsink name=out sync=false");
    if (!pipeline) return {};
    feed(pipeline);
    Outcome run = collect(pipeline, sinkOf(pipeline));
    gst_object_unref(pipeline);
    return run;
}

void pushAll(GstElement* pipeline, const std::string& bytes) {
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "in");
    gst_app_src_push_buffer(GST_APP_SRC(source), gst_buffer_new_memdup(bytes.data(), bytes.size()));
    gst_app_src_end_of_stream(GST_APP_SRC(source));
    gst_object_unref(source);
}

TEST(SourceTest, ReadsWhatASourceThatIsNoLocalFilePushes) {
    const std::string file = example("lighthouse.sub");
    const std::string bytes = bytesOf(file);
    HttpServer server(bytes);
    const int fd = g_open(file.c_str(), O_RDONLY, 0);
    int pipe[2] = {-1, -1};
    ASSERT_TRUE(g_unix_open_pipe(pipe, FD_CLOEXEC, nullptr));
    // The whole file fits the pipe's buffer, and its end comes with the writer's close.
    ASSERT_EQ(::write(pipe[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(pipe[1]);
    struct Row {
        const char* description;
        std::string source;
        std::function<void(GstElement*)> feed;
    };
    const Row rows[] = {
        {"HTTP", "souphttpsrc location=" + server.url("lighthouse.sub"), {}},
        {"a file's descriptor", "fdsrc fd=" + std::to_string(fd), {}},
        {"a pipe", "fdsrc fd=" + std::to_string(pipe[0]), {}},
        {"an application", "appsrc name=in",
         [&](GstElement* pipeline) { pushAll(pipeline, bytes); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        RuntimeFolder runtime;
        const Outcome run = parseWith(
            row.source, row.feed ? row.feed : [](GstElement*) {});
        EXPECT_EQ(run.error, "");
        EXPECT_EQ(run.cues, lighthouse());
        EXPECT_EQ(runtime.elementFiles(), std::vector<std::string>());
    }
    ::close(fd);
    ::close(pipe[0]);
}

// While upstream still pushes, its bytes are in a file of the runtime folder that only the
// user may read; the file goes once the plug-in has read it.
TEST(SourceTest, KeepsTheBytesInAPrivateFileUntilThePlugInHasReadThem) {
    const std::string bytes = textThenFrames(20000);
    HttpServer server(bytes, /*pauseHalfway*/ true);
    RuntimeFolder runtime;
    GstElement* pipeline = launch("souphttpsrc location=" + server.url("film.sub") +
                                  " ! typefind ! torkmicrodvdparse ! appsink name=out sync=false");
    ASSERT_NE(pipeline, nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    std::vector<std::string> kept;
    for (int waited = 0; kept.empty() && waited < 3000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        kept = runtime.elementFiles();
    }
    ASSERT_EQ(kept.size(), 1u);
    GStatBuf status;
    ASSERT_EQ(g_stat((runtime.path() + "/" + kept[0]).c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u) << kept[0];
    server.release();
    const Outcome run = collect(pipeline, sinkOf(pipeline));
    gst_object_unref(pipeline);
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.cues.size(), std::count(bytes.begin(), bytes.end(), '\n'));
    EXPECT_EQ(runtime.elementFiles(), std::vector<std::string>());
}

// No more is kept than the plug-in would read: a buffer over the limit ends the stream before
// a byte of it is written.
TEST(SourceTest, RefusesMoreThanThePlugInReads) {
    RuntimeFolder runtime;
    GstElement* pipeline = launch(
        "appsrc name=in caps=application/x-tork-microdvd ! torkmicrodvdparse ! appsink name=out");
    ASSERT_NE(pipeline, nullptr);
    // Sixteen views of one block that is never touched, so the test holds little memory.
    constexpr gsize block = 128 << 20;
    gpointer bytes = g_malloc(block);
    GstMemory* memory =
        gst_memory_new_wrapped(GstMemoryFlags{}, bytes, block, 0, block, bytes, g_free);
    GstBuffer* buffer = gst_buffer_new();
    for (int i = 0; i < 16; ++i) gst_buffer_append_memory(buffer, gst_memory_ref(memory));
    ASSERT_GT(static_cast<std::int64_t>(gst_buffer_get_size(buffer)),
              ParserUtilities::kMaxFileSize);
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "in");
    gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
    gst_object_unref(source);
    const Outcome run = collect(pipeline, sinkOf(pipeline));
    gst_object_unref(pipeline);
    gst_memory_unref(memory);
    EXPECT_NE(run.error.find("larger than " + std::to_string(ParserUtilities::kMaxFileSize)),
              std::string::npos)
        << run.error;
    EXPECT_EQ(runtime.elementFiles(), std::vector<std::string>());
}

}  // namespace
}  // namespace Tork::Gst::Test
