// Prints the entries of a MicroDVD file, read through the installed plug-in.
//   print_entries FILE [FRAMES-PER-SECOND]
#include <host/ContainerSession.h>
#include <host/PluginLibrary.h>
#include <host/UrlLocation.h>

#include <filesystem>
#include <iostream>
#include <string>

using Tork::Host::ContainerSession;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: print_entries FILE [FRAMES-PER-SECOND]\n";
        return 2;
    }
    // Loaded once and kept: a player does not unload a plug-in while it runs.
    const auto& library = Tork::Host::PluginLibrary::kept(PLUGIN_PATH);
    ContainerSession session(library);
    if (!session.ready()) {
        std::cerr << "print_entries: " << session.error() << '\n';
        return 1;
    }

    // What the player answers when the plug-in asks: the rate for files that declare none.
    if (argc > 2) {
        const auto rate = static_cast<std::uint32_t>(std::stoul(argv[2]));
        session.context().setSetting("FrameRate", "Ratio",
                                     Tork::Host::SettingsContext::Ratio{1, rate});
    }

    const std::string url =
        Tork::Host::locationFor(argv[1], std::filesystem::current_path().string());
    if (!session.probe(url)) {
        std::cerr << "print_entries: " << argv[1] << " is not a MicroDVD file\n";
        return 1;
    }
    // Opening also selects the program and its stream; read everything due by the
    // latest time a clock can show.
    const auto entries = session.read(url);
    if (!entries) {
        std::cerr << "print_entries: " << session.error() << '\n';
        return 1;
    }
    for (const Tork::Host::Entry& entry : *entries) {
        std::cout << entry.start << " ms +" << entry.duration << " ms: " << entry.text << '\n';
    }
    return 0;
}
