#include "tools/subplay/Player.h"

#include "framework/StreamInterface.h"
#include "platform/Terminal.h"
#include "tools/subplay/Markup.h"
#include "tools/subplay/OutputText.h"

#include "text/Utf.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <queue>
#include <string>
#include <thread>
#include <vector>

namespace Tork::Subplay {

namespace {

using Milliseconds = std::chrono::duration<double, std::milli>;

/// How often the player looks again when it knows of no event, in wall time for the status
/// line and in media time for the stream, which hands an entry out only 500 ms early.
constexpr double pollWallMilliseconds = 50;
constexpr double pollMediaMilliseconds = 250;
constexpr double minimumPauseMilliseconds = 0.01;

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (;;) {
        const auto to = text.find('\n', from);
        lines.push_back(text.substr(from, to - from));
        if (to == std::string::npos) return lines;
        from = to + 1;
    }
}

class Playback {
    struct Shown {
        std::uint64_t number;
        Entry entry;
    };
    // The next entry to clear: the earliest end, then the earliest shown.
    using Ending = std::pair<double, std::uint64_t>;

public:
    Playback(EntrySource& source, PlaybackClock& clock, const PlayerSettings& settings,
             std::ostream& out)
        : source_(source), clock_(clock), settings_(settings), out_(out) {}

    PlaySummary run() {
        for (;;) {
            const double now = clock_.mediaTime();
            bool changed = false;
            for (;;) {
                fill();
                if (!step(now)) break;
                changed = true;
            }
            const bool finished = readingDone_ && !pending_ && active_.empty();
            if (settings_.terminal) {
                // The last frame shows where playback ended, not how far the clock overran.
                draw(finished && lastEvent_ ? *lastEvent_ : now);
            } else if (changed) {
                out_.flush();
            }
            if (finished) break;
            wait(now);
        }
        if (settings_.terminal) out_ << '\n';
        out_.flush();
        return {shownCount_, unreachable_};
    }

private:
    bool reverse() const { return clock_.reverse(); }
    double key(double time) const { return reverse() ? -time : time; }
    std::uint32_t showTime(const Entry& entry) const {
        return reverse() ? cueEnd(entry.start, entry.duration) : entry.start;
    }
    std::uint32_t clearTime(const Entry& entry) const {
        return reverse() ? entry.start : cueEnd(entry.start, entry.duration);
    }
    bool reached(double time, double now) const { return key(now) >= key(time); }

    void fill() {
        while (!pending_ && !readingDone_) {
            Entry entry;
            const Host::ReadOutcome outcome = source_.read(entry);
            if (outcome == Host::ReadOutcome::Entry) {
                pending_ = std::move(entry);
                steppedBack_ = false;
            } else if (outcome == Host::ReadOutcome::End) {
                readingDone_ = true;
            } else if (!reverse()) {
                if (clock_.currentTime() == Host::latestClockTime) {
                    readingDone_ = unreachable_ = true;
                }
                return;  // not due yet
            } else if (steppedBack_) {
                readingDone_ = true;
            } else {
                // Backwards the clock only moves away from an entry that is not due yet.
                source_.stepBackTo(static_cast<std::uint32_t>(clock_.currentTime()));
                steppedBack_ = true;
            }
        }
    }

    /// Fires the earliest event due by `now`; a clear goes before a show at the same time.
    bool step(double now) {
        const bool showing = pending_ && reached(showTime(*pending_), now);
        if (!endings_.empty()) {
            const auto [end, number] = endings_.top();
            if (key(now) >= end && (!showing || end <= key(showTime(*pending_)))) {
                const auto cleared = active_.find(number);
                const std::uint32_t time = clearTime(cleared->second.entry);
                if (!settings_.terminal) {
                    out_ << formatTime(time) << " clear " << number << '\n';
                }
                handled(time);
                endings_.pop();
                active_.erase(cleared);
                return true;
            }
        }
        if (!showing) return false;
        Shown shown{++shownCount_, std::move(*pending_)};
        pending_.reset();
        handled(showTime(shown.entry));
        if (!settings_.terminal) {
            out_ << formatTime(showTime(shown.entry)) << " show " << shown.number << '\n';
            const std::string text = rewritten(Markup::Plain, printable(shown.entry.text));
            if (!text.empty()) {
                for (const std::string& line : splitLines(text)) out_ << "  " << line << '\n';
            }
        }
        endings_.emplace(key(clearTime(shown.entry)), shown.number);
        active_.emplace(shown.number, std::move(shown));
        return true;
    }

    void handled(std::uint32_t time) {
        lastEvent_ = time;
        clock_.setHandledTime(time);
    }

    void wait(double now) {
        double next = std::min(pollWallMilliseconds * clock_.speed(), pollMediaMilliseconds);
        const auto consider = [&](std::uint32_t time) {
            next = std::min(next, key(time) - key(now));
        };
        if (pending_) consider(showTime(*pending_));
        if (!endings_.empty()) next = std::min(next, endings_.top().first - key(now));
        // Never a zero pause: at a high speed the clock must still move between looks.
        const Milliseconds wall(std::max(next / clock_.speed(), minimumPauseMilliseconds));
        const auto duration = std::chrono::duration_cast<std::chrono::steady_clock::duration>(wall);
        if (settings_.sleep) {
            settings_.sleep(duration);
        } else {
            std::this_thread::sleep_for(duration);
        }
    }

    std::string status(double now) const {
        const double clamped = std::clamp(now, 0.0, 4294967295.0);
        std::string line =
            (reverse() ? "<< " : ">> ") + formatTime(static_cast<std::uint32_t>(clamped));
        if (settings_.lastEnd) {
            line += " / " + formatTime(*settings_.lastEnd);
            const double from = clock_.origin();
            const double to = reverse() ? 0.0 : *settings_.lastEnd;
            const double progress = to == from ? 1.0 : (now - from) / (to - from);
            char percent[16];
            std::snprintf(percent, sizeof percent, "  %3d%%",
                          static_cast<int>(std::clamp(progress, 0.0, 1.0) * 100));
            line += percent;
        }
        line += "  " + std::to_string(shownCount_) + " shown";
        if (clock_.speed() != 1.0) {
            char speed[32];
            std::snprintf(speed, sizeof speed, "  speed %g", clock_.speed());
            line += speed;
        }
        return line;
    }

    /// Redraws the subtitles on screen and the status line below them, in place.
    void draw(double now) {
        const std::size_t columns = settings_.columns > 0 ? settings_.columns : 80;
        std::string frame = "\r";
        if (rowsDrawn_ > 0) frame += "\x1b[" + std::to_string(rowsDrawn_) + "A";
        frame += "\x1b[J";
        rowsDrawn_ = 0;
        for (const auto& [number, shown] : active_) {
            const std::string safe = printable(shown.entry.text);
            const std::string text =
                rewritten(settings_.styled ? Markup::Terminal : Markup::Plain, safe);
            for (const std::string& line : splitLines(text)) {
                frame += line + "\x1b[0m\n";
                rowsDrawn_ +=
                    std::max<std::size_t>(1, (displayColumns(line) + columns - 1) / columns);
            }
        }
        std::string line = status(now);
        if (line.size() >= columns) line.resize(columns - 1);
        frame += line;
        out_ << frame;
        out_.flush();
    }

    EntrySource& source_;
    PlaybackClock& clock_;
    const PlayerSettings& settings_;
    std::ostream& out_;
    std::optional<Entry> pending_;
    std::map<std::uint64_t, Shown> active_;  // by number: the order they are drawn in
    std::priority_queue<Ending, std::vector<Ending>, std::greater<>> endings_;
    bool readingDone_ = false;
    bool steppedBack_ = false;
    bool unreachable_ = false;
    std::uint64_t shownCount_ = 0;
    std::size_t rowsDrawn_ = 0;
    std::optional<double> lastEvent_;
};

}  // namespace

Host::ReadOutcome StreamSource::read(Entry& entry) {
    return Host::readEntry(stream_, entry);
}

void StreamSource::stepBackTo(std::uint32_t time) {
    std::uint32_t found = 0;
    // A backward seek lands on the last entry that starts before the time given.
    stream_.seekStream(time == 0xFFFFFFFFu ? time : time + 1, &found, /*reserved*/ 0);
}

std::size_t displayColumns(std::string_view line) {
    const CharacterWidths widths;
    std::size_t width = 0;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == '\x1b') {
            while (i < line.size() && line[i] != 'm') ++i;
            ++i;
            continue;
        }
        if (line[i] == '\t') {
            width = (width / 8 + 1) * 8;
            ++i;
            continue;
        }
        const int length = measureUtf8Sequence(line.substr(i));
        if (length <= 0) {
            ++width;
            i += static_cast<std::size_t>(-length);
            continue;
        }
        static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        char32_t c = static_cast<unsigned char>(line[i]) & kLeadBits[length];
        for (int k = 1; k < length; ++k) {
            c = (c << 6) |
                (static_cast<unsigned char>(line[i + static_cast<std::size_t>(k)]) & 0x3F);
        }
        width += static_cast<std::size_t>(widths.of(c));
        i += static_cast<std::size_t>(length);
    }
    return width;
}

PlaySummary play(EntrySource& source, PlaybackClock& clock, const PlayerSettings& settings,
                 std::ostream& out) {
    return Playback(source, clock, settings, out).run();
}

}  // namespace Tork::Subplay
