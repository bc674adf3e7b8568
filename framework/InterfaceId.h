// The framework's interface identifiers, built when the library loads.
#pragma once

#include "framework/String.h"

namespace Tork::InterfaceId {

extern const String container;  // the only one a subtitle container answers
extern const String component;
extern const String inputComponent;
extern const String input;
extern const String outputComponent;
extern const String singleOutputComponent;
extern const String multipleOutputComponent;
extern const String output;
extern const String transformComponent;
extern const String transform;

}  // namespace Tork::InterfaceId
