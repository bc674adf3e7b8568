// The reading report filled from what each step of open says about itself.
#pragma once

#include "framework/ReadingReport.h"
#include "microdvd/HostSettings.h"
#include "microdvd/MicroDVDParser.h"
#include "text/ParserUtilities.h"

#include <cstdint>

namespace Tork {

/// A report that tells that open has not been called.
ReadingReport unopenedReport();

/// The reading and the host's rate, before the file is read.
void reportSettings(ReadingReport& report, const ReadingSettings& settings);
/// Why the bytes could not be read.
void reportReadFailure(ReadingReport& report, const ParserUtilities::FileReadResult& result);
/// How the encoding was settled, and why it could not be.
void reportDecoding(ReadingReport& report, const ParserUtilities::DecodeReport& decoding,
                    bool decoded);
/// The lines, the rate lines, the zero bytes and the skipped lines; the outcome when
/// `parsed` is false.
void reportParse(ReadingReport& report, const ParseReport& parse, MicroDVDReading reading,
                 bool parsed);

}  // namespace Tork
