// Writers that print a stream's entries as JSON, SubRip, WebVTT or plain text.
#pragma once

#include "host/HostSettings.h"
#include "tools/subplay/EntryWriter.h"
#include "tools/subplay/Options.h"

#include <cstdint>
#include <memory>
#include <ostream>

namespace Tork::Subplay {

/// How times are moved before they are written, and the rate MicroDVD is written at.
struct Timing {
    double scale = 1.0;       // every time is multiplied by it
    std::int64_t offset = 0;  // then this many ms are added
    Host::FrameRatio rate = Host::defaultFrameRate;
};

/// A writer of `format` that prints to `out`, with every time scaled and moved by `timing`:
/// an entry moved wholly before 0 or wholly past the 32-bit clock is left out, one moved
/// partly before 0 starts at 0, and one moved partly past 32 bits ends at the last
/// millisecond. Entries of a stream whose description has a reading report come from the
/// plug-in, which hands out only well-formed UTF-8: their controls are replaced, but their
/// UTF-8 is not checked again.
std::unique_ptr<EntryWriter> makeWriter(OutputFormat format, std::ostream& out,
                                        const Timing& timing = {});

}  // namespace Tork::Subplay
