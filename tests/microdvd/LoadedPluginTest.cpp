// Drives the built plug-in through dlopen, exactly as a host does.
#include "framework/ContainerInterface.h"
#include "framework/InterfaceId.h"
#include "framework/Plugin.h"
#include "host/PluginLibrary.h"
#include "host/RecordingPluginHost.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace Tork {
namespace {

using Host::RecordingPluginHost;

TEST(LoadedPlugin, MakesAComponentThatAnswersAndGoesAway) {
    Host::PluginLibrary library(TORK_PLUGIN_PATH);
    ASSERT_TRUE(library.loaded()) << library.error();
    RecordingPluginHost host;
    std::int32_t result = -1;
    Plugin* plugin = library.create(&host, &result);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(plugin->getRefCount(), 1);

    void* face = nullptr;
    ASSERT_EQ(plugin->queryInterface(InterfaceId::container, &face), 0);
    auto* container = static_cast<ContainerInterface*>(face);
    EXPECT_EQ(container->getMimeTypeCount(), 2);
    EXPECT_EQ(container->getMimeType(0).text(), "text/plain");
    EXPECT_EQ(container->getMimeType(1).text(), "text/x-sub");
    EXPECT_EQ(container->findMimeType(String("text/x-sub")), 1);

    EXPECT_EQ(plugin->release(), 0);
    const auto records = host.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].event, RecordingPluginHost::Event::Destroying);
    EXPECT_EQ(records[1].event, RecordingPluginHost::Event::Destroyed);
    EXPECT_EQ(records[1].plugin, plugin);
}

TEST(LoadedPlugin, RefusesANullHostOrOutPointer) {
    Host::PluginLibrary library(TORK_PLUGIN_PATH);
    ASSERT_TRUE(library.loaded()) << library.error();
    using Entry = std::int32_t (*)(PluginHost*, Plugin**);
    DynamicLibrary raw(TORK_PLUGIN_PATH);
    auto entry = reinterpret_cast<Entry>(raw.symbol("_getPlugin"));
    ASSERT_NE(entry, nullptr);
    RecordingPluginHost host;
    EXPECT_EQ(entry(&host, nullptr), static_cast<std::int32_t>(0x80100001u));
    Plugin* plugin = reinterpret_cast<Plugin*>(&host);
    EXPECT_EQ(entry(nullptr, &plugin), static_cast<std::int32_t>(0x80100001u));
    EXPECT_EQ(plugin, nullptr);
}

// Built when the plug-in loads, though nothing in the plug-in calls it.
TEST(LoadedPlugin, HoldsTheExtensionTable) {
    std::ifstream file(TORK_PLUGIN_PATH, std::ios::binary);
    const std::string image{std::istreambuf_iterator<char>(file), {}};
    EXPECT_NE(image.find("application/dash+xml"), std::string::npos);
}

}  // namespace
}  // namespace Tork
