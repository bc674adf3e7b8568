#include "framework/InterfaceId.h"

namespace Tork::InterfaceId {

const String container("com.orvel.flowcore.interface.container", charAllocator());
const String component("com.orvel.flowcore.interface.component", charAllocator());
const String inputComponent("com.orvel.flowcore.component.input", charAllocator());
const String input("com.orvel.flowcore.interface.input", charAllocator());
const String outputComponent("com.orvel.flowcore.component.output", charAllocator());
const String singleOutputComponent("com.orvel.flowcore.component.output.single", charAllocator());
const String multipleOutputComponent("com.orvel.flowcore.component.output.multiple",
                                     charAllocator());
const String output("com.orvel.flowcore.interface.output", charAllocator());
const String transformComponent("com.orvel.flowcore.component.transform", charAllocator());
const String transform("com.orvel.flowcore.interface.transform", charAllocator());

}  // namespace Tork::InterfaceId
