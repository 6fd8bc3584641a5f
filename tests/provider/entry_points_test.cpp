// The product as a CIMOM sees it: a shared library opened with dlopen, whose
// factories hand out the three MI tables.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "PlatformTestSupport.h"
#include "cmpidt.h"
#include "cmpift.h"
#include "ovx/host/broker.h"

namespace {

using InstanceFactory = CMPIInstanceMI* (*)(const CMPIBroker*, const CMPIContext*, CMPIStatus*);
using AssociationFactory = CMPIAssociationMI* (*)(const CMPIBroker*, const CMPIContext*,
                                                  CMPIStatus*);
using MethodFactory = CMPIMethodMI* (*)(const CMPIBroker*, const CMPIContext*, CMPIStatus*);

struct LibraryCloser {
    void operator()(void* handle) const { dlclose(handle); }
};
using Library = std::unique_ptr<void, LibraryCloser>;

class ProviderLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        library_.reset(dlopen(OVX_PROVIDER_LIBRARY, RTLD_NOW | RTLD_LOCAL));
        ASSERT_NE(library_, nullptr) << dlerror();
    }

    template <typename Factory>
    Factory factory(const char* name) const {
        void* symbol = dlsym(library_.get(), name);
        EXPECT_NE(symbol, nullptr) << name;
        return reinterpret_cast<Factory>(symbol);
    }

    Library library_;
    ovx::host::Broker broker_;
};

TEST_F(ProviderLibrary, FactoriesHandOutTheSameRecordsInAnyOrder) {
    const auto createMethod = factory<MethodFactory>("IPInterfaceProvider_Create_MethodMI");
    const auto createInstance = factory<InstanceFactory>("IPInterfaceProvider_Create_InstanceMI");
    const auto createAssociation =
        factory<AssociationFactory>("IPInterfaceProvider_Create_AssociationMI");
    ASSERT_TRUE(createMethod && createInstance && createAssociation);

    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIMethodMI* const method = createMethod(broker_.cmpi(), nullptr, &status);
    CMPIInstanceMI* const instance = createInstance(broker_.cmpi(), nullptr, &status);
    CMPIAssociationMI* const association = createAssociation(nullptr, nullptr, nullptr);
    ASSERT_TRUE(method && instance && association);
    EXPECT_EQ(status.rc, CMPI_RC_OK);

    // Again, in another order and with another broker: the same addresses.
    EXPECT_EQ(createAssociation(broker_.cmpi(), nullptr, &status), association);
    EXPECT_EQ(createInstance(nullptr, nullptr, nullptr), instance);
    EXPECT_EQ(createMethod(broker_.cmpi(), nullptr, nullptr), method);
    EXPECT_EQ(instance->hdl, nullptr);
    EXPECT_EQ(association->hdl, nullptr);
    EXPECT_EQ(method->hdl, nullptr);
}

TEST_F(ProviderLibrary, TablesCarryNamesVersionsAndEverySlotAndCleanupLetsTheLibraryGo) {
    CMPIInstanceMI* const instance = factory<InstanceFactory>(
        "IPInterfaceProvider_Create_InstanceMI")(broker_.cmpi(), nullptr, nullptr);
    CMPIAssociationMI* const association = factory<AssociationFactory>(
        "IPInterfaceProvider_Create_AssociationMI")(broker_.cmpi(), nullptr, nullptr);
    CMPIMethodMI* const method = factory<MethodFactory>("IPInterfaceProvider_Create_MethodMI")(
        broker_.cmpi(), nullptr, nullptr);
    ASSERT_TRUE(instance && association && method);

    EXPECT_EQ(instance->ft->ftVersion, 200);
    EXPECT_EQ(instance->ft->miVersion, 200);
    EXPECT_STREQ(instance->ft->miName, "instanceIPInterfaceProvider");
    EXPECT_EQ(association->ft->ftVersion, 200);
    EXPECT_EQ(association->ft->miVersion, 200);
    EXPECT_STREQ(association->ft->miName, "associationIPInterfaceProvider");
    EXPECT_EQ(method->ft->ftVersion, 200);
    EXPECT_EQ(method->ft->miVersion, 200);
    EXPECT_STREQ(method->ft->miName, "methodIPInterfaceProvider");

    EXPECT_TRUE(instance->ft->cleanup && instance->ft->enumerateInstanceNames &&
                instance->ft->enumerateInstances && instance->ft->getInstance &&
                instance->ft->createInstance && instance->ft->modifyInstance &&
                instance->ft->deleteInstance && instance->ft->execQuery);
    EXPECT_TRUE(association->ft->cleanup && association->ft->associators &&
                association->ft->associatorNames && association->ft->references &&
                association->ft->referenceNames);
    EXPECT_TRUE(method->ft->cleanup && method->ft->invokeMethod);

    // Every cleanup, terminating or not, lets the CIMOM unload the library.
    for (const CMPIBoolean terminating : {CMPIBoolean{0}, CMPIBoolean{1}}) {
        for (const CMPIStatus status : {instance->ft->cleanup(instance, nullptr, terminating),
                                        association->ft->cleanup(association, nullptr, terminating),
                                        method->ft->cleanup(method, nullptr, terminating)}) {
            EXPECT_EQ(status.rc, CMPI_RC_OK);
            EXPECT_EQ(status.msg, nullptr);
        }
    }
}

TEST(ProviderExports, OnlyTheFactoriesAndTheExceptionClasses) {
    const std::set<std::string> symbols = ovx::test::exportedSymbols(OVX_PROVIDER_LIBRARY);
    ASSERT_FALSE(symbols.empty());
    std::set<std::string> factories;
    for (const std::string& symbol : symbols) {
        if (symbol.rfind("IPInterfaceProvider_Create_", 0) == 0) {
            factories.insert(symbol);
            continue;
        }
        bool ofAnExceptionClass = false;
        for (const char* exception :
             {"Quill::FrameworkException", "Quill::InstrumentationException",
              "Quill::ProviderException"}) {
            const std::string name(exception);
            ofAnExceptionClass = ofAnExceptionClass || symbol.rfind(name + "::", 0) == 0 ||
                                 symbol == "typeinfo for " + name ||
                                 symbol == "typeinfo name for " + name ||
                                 symbol == "vtable for " + name;
        }
        EXPECT_TRUE(ofAnExceptionClass) << "unexpected export: " << symbol;
    }
    EXPECT_EQ(factories, (std::set<std::string>{"IPInterfaceProvider_Create_AssociationMI",
                                                "IPInterfaceProvider_Create_InstanceMI",
                                                "IPInterfaceProvider_Create_MethodMI"}));
    for (const char* required :
         {"Quill::FrameworkException::what() const",
          "Quill::ProviderException::ProviderException(char const*)",
          "Quill::InstrumentationException::InstrumentationException(std::__cxx11::basic_string<"
          "char, std::char_traits<char>, std::allocator<char> >&)",
          "typeinfo for Quill::ProviderException", "vtable for Quill::FrameworkException"}) {
        EXPECT_EQ(symbols.count(required), 1u) << required;
    }
}

}  // namespace
