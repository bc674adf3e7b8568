#include "framework/ContainerInterface.h"
#include "framework/InterfaceId.h"
#include "framework/ResultCode.h"
#include "framework/StreamFormat.h"
#include "host/RecordingPluginHost.h"
#include "microdvd/MicroDVDContainer.h"

#include <gtest/gtest.h>

namespace Tork {
namespace {

using Host::RecordingPluginHost;

TEST(MicroDVDContainer, StartsWithOneReferenceAndItsHost) {
    RecordingPluginHost host;
    auto* plugin = new MicroDVDContainer(&host);
    EXPECT_EQ(plugin->getRefCount(), 1);
    EXPECT_EQ(plugin->getFlags(), 0u);
    EXPECT_EQ(plugin->getHost(), &host);
    EXPECT_EQ(plugin->retain(), 2);
    EXPECT_EQ(plugin->release(), 1);
    EXPECT_TRUE(host.records().empty());
    EXPECT_EQ(plugin->release(), 0);
    const auto records = host.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].event, RecordingPluginHost::Event::Destroying);
    EXPECT_EQ(records[1].event, RecordingPluginHost::Event::Destroyed);
    EXPECT_EQ(records[0].plugin, plugin);
    EXPECT_EQ(records[1].plugin, plugin);
}

TEST(MicroDVDContainer, AnswersOnlyTheContainerIdentifier) {
    RecordingPluginHost host;
    MicroDVDContainer container(&host);
    const char* refused[] = {
        "com.orvel.flowcore.interface.component",
        "COM.ORVEL.FLOWCORE.INTERFACE.CONTAINER",
        "com.orvel.flowcore.interface.container ",
        "",
    };
    for (const char* id : refused) {
        SCOPED_TRACE(id);
        void* out = &container;
        EXPECT_EQ(container.queryInterface(String(id, charAllocator()), &out), Result::NoInterface);
        EXPECT_EQ(out, nullptr);
    }
    void* out = nullptr;
    EXPECT_EQ(container.queryInterface(InterfaceId::container, &out), Result::Ok);
    EXPECT_EQ(out, static_cast<ContainerInterface*>(&container));
    EXPECT_EQ(container.getRefCount(), 1);
    EXPECT_EQ(container.queryInterface(InterfaceId::container, nullptr), Result::Failure);
}

TEST(MicroDVDContainer, ReportsItsTwoMimeTypesInByteOrder) {
    RecordingPluginHost host;
    MicroDVDContainer container(&host);
    ContainerInterface& face = container;
    EXPECT_EQ(face.getMimeTypeCount(), 2);
    struct Row {
        std::uint32_t index;
        const char* type;
        std::int32_t priority;
    };
    for (const Row& row : {Row{0, "text/plain", 1}, Row{1, "text/x-sub", 1}, Row{2, "", 0},
                           Row{0xFFFFFFFFu, "", 0}}) {
        SCOPED_TRACE(row.index);
        const String type = face.getMimeType(row.index);
        EXPECT_EQ(type.text(), row.type);
        EXPECT_EQ(type.allocator(), byteAllocator());
        EXPECT_EQ(face.getMimeTypePriority(row.index), row.priority);
    }
    EXPECT_EQ(face.findMimeType(String("text/x-sub")), 1);
    EXPECT_EQ(face.findMimeType(String("text/x-srt")), -1);
    EXPECT_EQ(face.findMimeType(String("TEXT/PLAIN")), -1);
}

TEST(MicroDVDContainer, BaseContainerAnswers) {
    RecordingPluginHost host;
    MicroDVDContainer container(&host);
    ContainerInterface& face = container;
    EXPECT_EQ(face.getId(), 0u);
    face.initialize(nullptr, 0x1234567800000009ull);
    EXPECT_EQ(face.getId(), 0x1234567800000009ull);
    std::int32_t first = 5, second = 5;
    EXPECT_EQ(face.getRange(&first, &second), 0);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(face.getRange(nullptr, nullptr), 0);  // null targets are skipped
    EXPECT_EQ(face.getStatus(), 0);
    EXPECT_TRUE(face.getProgramName(42).empty());
    EXPECT_EQ(face.request(7), Result::Failure);
    face.notify(7);
    StreamFormat format;
    container.fillStreamFormat(&format);
    EXPECT_EQ(std::string(format.code, 8), std::string("UTF8\0\0\0\0", 8));
}

}  // namespace
}  // namespace Tork
