// The host's settings for one reading, asked in one place and held as plain values.
#pragma once

#include "microdvd/FrameRate.h"
#include "microdvd/MicroDVDReading.h"
#include "text/ParserUtilities.h"

namespace Tork {

class ContainerContext;

/// What the host asked for: how to read the lines, how to settle the encoding, and the
/// frame rate until the file declares one. Default-constructed, it is what a host that
/// sets nothing gets.
struct ReadingSettings {
    MicroDVDReading reading = MicroDVDReading::Default;
    ParserUtilities::EncodingSettings encoding;
    FrameRate rate;
    /// Whether `rate` is the host's ("FrameRate"/"Ratio") rather than the default.
    bool rateFromHost = false;
};

/// The one place that puts setting queries to the host. Hosts have always been asked in
/// three steps, and may tell them apart (a query that is not needed is not made): how to
/// read before the file is touched; how to decode once its first bytes are read, the code
/// page only when no honoured signature names the encoding; the frame rate once the text
/// is read. Each step is asked at most once. A null context answers nothing.
class HostSettings {
public:
    /// Asks "MicroDVD"/"Lenient" and "CodePage"/"Detect"; each is off unless answered true.
    explicit HostSettings(ContainerContext* context);

    /// Asks "CodePage"/"OverrideEmbedded" (false honours a signature) and, when `bytes`
    /// leave the encoding open, "CodePage"/"Name"; the first time only, since a file's
    /// bytes read again begin alike.
    void askEncoding(const String& bytes);

    /// Asks "FrameRate"/"Ratio" (denominator, numerator); a zero in either is unusable.
    void askFrameRate();

    const ReadingSettings& value() const { return value_; }

private:
    ContainerContext* context_;
    ReadingSettings value_;
    bool encodingAsked_ = false;
};

}  // namespace Tork
