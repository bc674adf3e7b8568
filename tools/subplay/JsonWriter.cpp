#include "tools/subplay/BufferedWriter.h"
#include "tools/subplay/Report.h"

#include <cstdint>

namespace Tork::Subplay {

namespace {

class JsonWriter : public BufferedWriter {
public:
    using BufferedWriter::BufferedWriter;
    void start(const StreamDescription& stream) override {
        const auto field = [this](std::string_view name, std::string_view value) {
            buffer_.append(", \"").append(name).append("\": ");
            appendJsonString(printable(value), buffer_);
        };
        buffer_ += "{\"version\": 1, \"stream\": {\"name\": ";
        appendJsonString(printable(stream.name), buffer_);
        field("format", stream.format);
        buffer_ += ", \"type\": ";
        appendNumber(buffer_, stream.type);
        if (!stream.language.empty()) field("language", stream.language);
        if (!stream.encoding.empty()) field("encoding", encodingLabel(stream.encoding));
        buffer_ += '}';
        if (stream.report) {
            buffer_ += ", \"reading\": ";
            appendReadingJson(*stream.report, buffer_);
        }
        buffer_ += ", \"entries\": [";
    }
    void write(const EntryView& entry) override {
        buffer_ += first_ ? "\n{\"start\": " : ",\n{\"start\": ";
        appendNumber(buffer_, entry.start);
        buffer_ += ", \"duration\": ";
        appendNumber(buffer_, entry.duration);
        buffer_ += ", \"text\": \"";
        appendInSlices(printableText(entry),
                       [this](std::string_view slice) { appendJsonEscaped(slice, buffer_); });
        buffer_ += "\"}";
        first_ = false;
        ++count_;
        written();
    }
    void end() override {
        buffer_ += "\n], \"count\": ";
        appendNumber(buffer_, count_);
        buffer_ += "}\n";
        flush();
    }

private:
    bool first_ = true;
    std::uint64_t count_ = 0;
};

}  // namespace

std::unique_ptr<EntryWriter> makeJsonWriter(std::ostream& out) {
    return std::make_unique<JsonWriter>(out);
}

}  // namespace Tork::Subplay
