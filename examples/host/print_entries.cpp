// Prints the entries of a MicroDVD file, read through the installed plug-in.
//   print_entries FILE [FRAMES-PER-SECOND]
#include <tork/host/ContainerSession.h>
#include <tork/host/HostSettings.h>
#include <tork/host/PluginLibrary.h>
#include <tork/host/UrlLocation.h>

#include <charconv>
#include <cmath>
#include <iostream>
#include <string>
#include <system_error>

using namespace Tork::Host;

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: print_entries FILE [FRAMES-PER-SECOND]\n";
        return 2;
    }
    // Loaded once and kept: a player does not unload a plug-in while it runs.
    ContainerSession session(PluginLibrary::kept(PLUGIN_PATH));
    if (!session.ready()) {
        std::cerr << "print_entries: " << session.error() << '\n';
        return 1;
    }

    // A player reads files as they come from the wild: header lines and credits skipped,
    // the code page of an old file detected. Without these two the plug-in reads as the
    // format is written, and the first line that is not a subtitle fails the file.
    session.context().set(Settings::lenientReading(true));
    session.context().set(Settings::detectEncoding(true));

    // What the player answers when the plug-in asks: the rate for files that declare none,
    // in thousandths of a frame per second ("23.976", "25").
    if (argc == 3) {
        const std::string text = argv[2];
        double rate = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
        if (error != std::errc() || end != text.data() + text.size() || !(rate > 0) ||
            rate > 1000000) {
            std::cerr << "print_entries: not a frame rate: " << text << '\n';
            return 2;
        }
        const auto frames = static_cast<std::uint32_t>(std::lround(rate * 1000));
        session.context().set(Settings::frameRateFramesPerSeconds(frames, 1000));
    }

    // Opening also selects the program and its stream; read everything due by the
    // latest time a clock can show.
    const auto entries = session.read(FilePath(argv[1]));
    if (!entries) {
        std::cerr << "print_entries: " << session.error() << '\n';
        return 1;
    }
    for (const Entry& entry : *entries) {
        std::cout << entry.start << " ms +" << entry.duration << " ms: " << entry.text << '\n';
    }
    return 0;
}
