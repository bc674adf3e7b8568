#include "gstreamer/PrivateFile.h"

#include "platform/FileSystem.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <cerrno>

namespace Tork::Gst {

// No folder of its own, whose making and removal cost more than the probe that most files
// are made for; the session's runtime folder first, which desktops keep in memory. The name
// need not be secret: the file is made only where none is, link or not.
std::unique_ptr<PrivateFile> PrivateFile::create(const char* suffix, std::string& error) {
    const gchar* runtime = g_getenv("XDG_RUNTIME_DIR");
    int failure = ENOENT;
    for (const gchar* folder : {runtime, g_get_tmp_dir()}) {
        if (!folder || !g_path_is_absolute(folder)) continue;
        for (int attempt = 0; attempt < 100; ++attempt) {
            gchar* name = g_strdup_printf("tork-%08x%s", g_random_int(), suffix);
            gchar* path = g_build_filename(folder, name, nullptr);
            std::string made = path;
            g_free(path);
            g_free(name);
            const Descriptor file = createNewFile(made, 0600);
            if (file.fd >= 0) {
                return std::unique_ptr<PrivateFile>(new PrivateFile(std::move(made), file.fd));
            }
            failure = file.error;
            if (failure != EEXIST) break;
        }
    }
    error = std::string("cannot make a temporary file: ") + g_strerror(failure);
    return nullptr;
}

PrivateFile::~PrivateFile() {
    if (fd_ >= 0) (void)closeDescriptor(fd_);
    g_unlink(path_.c_str());
}

bool PrivateFile::append(const void* data, std::size_t size) {
    if (fd_ < 0) return false;
    DescriptorBuffer out(fd_);
    const auto length = static_cast<std::streamsize>(size);
    if (out.sputn(static_cast<const char*>(data), length) != length) {
        error_ = std::string("cannot write a temporary file: ") + g_strerror(out.error());
        return false;
    }
    size_ += size;
    return true;
}

bool PrivateFile::finish() {
    if (fd_ < 0) return error_.empty();
    const int failure = closeDescriptor(fd_);
    fd_ = -1;
    if (failure != 0) error_ = std::string("cannot write a temporary file: ") + g_strerror(failure);
    return failure == 0;
}

std::string PrivateFile::url() const {
    gchar* url = g_filename_to_uri(path_.c_str(), nullptr, nullptr);
    std::string text = url ? url : "";
    g_free(url);
    return text;
}

}  // namespace Tork::Gst
