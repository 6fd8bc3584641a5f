// Shared pieces of the host's CMPI tests.
#pragma once

#include "ovx/host/broker.h"
#include "ovx/host/operation_scope.h"

#include <cmpift.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace ovx::host::testing {

inline std::string text(const CMPIString* string) {
    if (string == nullptr) {
        return "<null>";
    }
    const char* chars = CMGetCharsPtr(string, nullptr);
    return chars == nullptr ? "<null>" : chars;
}

// A class declaration with only its name and superclass.
inline ClassDecl declare(std::string name, std::string superclass = {}) {
    ClassDecl decl;
    decl.name = std::move(name);
    decl.superclass = std::move(superclass);
    return decl;
}

// A broker with an empty registry and an operation scope around each test.
class BrokerTest : public ::testing::Test {
  protected:
    BrokerTest() : registry(std::make_shared<ClassRegistry>()), broker(registry), scope(broker) {}

    const CMPIBroker* mb() const { return broker.cmpi(); }

    CMPIObjectPath* path(const char* ns, const char* cls) {
        CMPIStatus rc{};
        CMPIObjectPath* made = CMNewObjectPath(mb(), ns, cls, &rc);
        EXPECT_EQ(rc.rc, CMPI_RC_OK);
        return made;
    }

    std::shared_ptr<ClassRegistry> registry;
    Broker broker;
    OperationScope scope;
};

}  // namespace ovx::host::testing
