// Loads the plug-in as a player does and prints what it answers.
#include "framework/ContainerInterface.h"
#include "framework/InterfaceId.h"
#include "framework/Plugin.h"
#include "framework/ResultCode.h"
#include "host/PluginLibrary.h"
#include "host/RecordingPluginHost.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace Tork;
    const std::string path =
        argc > 1 ? argv[1] : Host::PluginLibrary::besideProgram("libtork_microdvd.so");
    Host::PluginLibrary library(path);
    if (!library.loaded()) {
        std::fprintf(stderr, "plugin-info: %s\n", library.error().c_str());
        return 1;
    }
    Host::RecordingPluginHost host;
    Plugin* plugin = library.create(&host);
    if (!plugin) {
        std::fprintf(stderr, "plugin-info: %s made no component\n", path.c_str());
        return 1;
    }
    void* face = nullptr;
    if (plugin->queryInterface(InterfaceId::container, &face) != Result::Ok) {
        std::fprintf(stderr, "plugin-info: no container interface\n");
        plugin->release();
        return 1;
    }
    auto* container = static_cast<ContainerInterface*>(face);
    std::printf("plug-in:   %s\ninterface: %s\nMIME types:\n", path.c_str(),
                InterfaceId::container.c_str());
    for (std::int32_t i = 0; i < container->getMimeTypeCount(); ++i) {
        const auto index = static_cast<std::uint32_t>(i);
        std::printf("  %s (priority %d)\n", container->getMimeType(index).c_str(),
                    container->getMimeTypePriority(index));
    }
    plugin->release();
    return 0;
}
