#include "tools/subplay/BufferedWriter.h"
#include "tools/subplay/Markup.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Tork::Subplay {

namespace {

// MicroDVD in UTF-8, with its signature (players that do not read one guess a code page)
// and the rate its frames are counted at. Frames are counted at the rate as written, to
// the thousandth, so a reader gets the times back within a frame.
class MicroDvdWriter : public BufferedWriter {
public:
    MicroDvdWriter(std::ostream& out, Host::FrameRatio rate)
        : BufferedWriter(out),
          thousandths_(
              std::max<long double>(1, std::llround(1000.0L * rate.frames / rate.seconds))) {}
    void start(const StreamDescription&) override {
        buffer_ += "\xEF\xBB\xBF{1}{1}";
        appendNumber(buffer_, static_cast<std::uint64_t>(thousandths_) / 1000);
        if (const auto rest = static_cast<std::uint64_t>(thousandths_) % 1000; rest != 0) {
            std::string digits = std::to_string(1000 + rest).substr(1);
            digits.erase(digits.find_last_not_of('0') + 1);
            buffer_.append(".").append(digits);
        }
        buffer_ += '\n';
    }
    void write(const EntryView& entry) override {
        buffer_ += '{';
        appendNumber(buffer_, frameAt(entry.start));
        buffer_ += "}{";
        appendNumber(buffer_, frameAt(cueEnd(entry.start, entry.duration)));
        buffer_ += '}';
        appendMarkup(reader_, Markup::MicroDvd, printableText(entry), buffer_, spill_);
        buffer_ += '\n';
        written();
    }

private:
    long long frameAt(std::uint32_t milliseconds) const {
        return std::llround(milliseconds * thousandths_ / 1000000.0L);
    }

    long double thousandths_;  // frames per 1000 seconds
    MarkupReader reader_;
    const Spill spill_ = [this](std::string&) { flush(); };
};

}  // namespace

std::unique_ptr<EntryWriter> makeMicroDvdWriter(std::ostream& out, Host::FrameRatio rate) {
    return std::make_unique<MicroDvdWriter>(out, rate);
}

}  // namespace Tork::Subplay
