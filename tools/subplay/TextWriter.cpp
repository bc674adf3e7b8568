#include "tools/subplay/BufferedWriter.h"

namespace Tork::Subplay {

namespace {

class TextWriter : public BufferedWriter {
public:
    using BufferedWriter::BufferedWriter;
    void write(const EntryView& entry) override {
        appendSpan(entry, '.');
        buffer_ += ' ';
        appendInSlices(entry.text, [this](std::string_view slice) {
            appendPrintable(slice, buffer_, entries_);
        });
        buffer_ += '\n';
        written();
    }
};

}  // namespace

std::unique_ptr<EntryWriter> makeTextWriter(std::ostream& out) {
    return std::make_unique<TextWriter>(out);
}

}  // namespace Tork::Subplay
