// The module's single export and the class reference that selects the
// controller it makes.
#pragma once

#include "entry/DLLBaseCtrller.h"

#include <functional>

namespace vantor {

using TControllerClass = std::function<TDLLBaseController*()>;

// Set once while the library starts; GetController refuses to work without it.
extern TControllerClass DLLControllerClass;

}  // namespace vantor
