// How the static alternative of an interface's assignment settings and its
// static setting name each other.
#pragma once

#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

class StaticOrderedComponent {
  public:
    StaticOrderedComponent();
    ~StaticOrderedComponent();
    StaticOrderedComponent(const StaticOrderedComponent&) = delete;
    StaticOrderedComponent& operator=(const StaticOrderedComponent&) = delete;

    // The static setting that the static alternative of an interface holds.
    Moniker getPartComponentMoniker(Moniker& ipSettingDataMoniker);
    // The static alternative of the interface of the static setting.
    Moniker getGroupComponentMoniker(Moniker& staticDataMoniker);
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
