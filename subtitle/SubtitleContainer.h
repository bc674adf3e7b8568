// The format-independent half of a subtitle container: entries, streams, program, close.
#pragma once

#include "framework/List.h"
#include "framework/String.h"
#include "subtitle/EntryStore.h"
#include "subtitle/StreamOwner.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace Tork {

class OverlayStream;

/// A format class derives from this and provides `probe`, `notify`, `request`, `open`, the
/// MIME-type operations and `fillStreamFormat`.
class SubtitleContainer : public StreamOwner {
public:
    static constexpr std::uint64_t noProgram = ~std::uint64_t{0};

    /// `formatName` ("Tork::MicroDVDContainer", in static storage) names the format in the
    /// stream's log lines.
    explicit SubtitleContainer(std::string_view formatName);
    /// Destroys every stream made here, with the entries that close(false) has not freed:
    /// a host may release the component without closing it, and no stream outlives its
    /// container.
    ~SubtitleContainer() override;

    /// A copy of the location recorded by open; empty when there is none or memory ran out.
    String getLocation() override;
    /// Always 0.
    std::int32_t getStatus() override { return 0; }
    /// The one program id, obtained from the context on the first call; all bits set
    /// without a context. Empty when memory ran out or the context's newId threw.
    List<std::uint64_t> getProgramIds() override;
    /// Always empty.
    String getProgramName(std::uint64_t) override { return String(); }
    /// Announces every stream and selects one by the preferred language. 0x80100001 for an
    /// id other than the program id, without a context, or when memory ran out.
    std::int32_t selectProgram(std::uint64_t programId) override;
    /// close(false) frees every entry and reports each stream removed, once; the stream
    /// objects stay valid until the container is destroyed, and a stream that the context
    /// opens meanwhile stays open. close(true) does nothing. 0 unless the lock cannot be
    /// had or the context threw.
    std::int32_t close(bool flag) override;
    /// The size of the file at the recorded location. 0x80100001 when `size` is null or the
    /// location cannot be opened; `*size` is then unchanged.
    std::int32_t getFileSize(std::uint64_t* size) override;

protected:
    /// Sorts `entries` by start (unsigned) and makes a stream that holds them. The caller
    /// holds `lock_`. False without a context or when memory ran out: nothing is made.
    [[nodiscard]] bool addStream(EntryStore entries, const String& name, const String& language,
                                 const String& region);
    /// Records the local path of the opened source, for getLocation and getFileSize.
    /// Throws std::bad_alloc, leaving the old location, when the copy cannot be stored.
    void setLocation(const String& location);

private:
    std::uint64_t chooseStream() const;

    String location_;
    std::map<std::uint64_t, OverlayStream*> streams_;   // open streams by id
    std::vector<std::unique_ptr<OverlayStream>> made_;  // every stream made, closed or not
    String preferredLanguage_;
    std::uint64_t programId_ = noProgram;
};

}  // namespace Tork
