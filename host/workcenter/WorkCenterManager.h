// The shell's work-centre manager, the automation object the shell hands to
// every program module it runs. Modules reach it late-bound only.
#pragma once

#include "platform/dispatch/Dispatch.h"

namespace vantor {

class TWorkCenterManager : public TDispatchObject {
public:
  // The version modules of this release are built against.
  static constexpr int kDependencyVersion = 8000;

  TWorkCenterManager();

  static constexpr const char* kProgId = "CorvaneWorkCenter.Manager";
  // Makes the class creatable by name in this process.
  static void Register();
};

}  // namespace vantor
