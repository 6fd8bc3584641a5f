// Loading provider libraries and making their MIs; how open() reports
// configuration mistakes; the names of status codes.
#include "server_test_support.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/cim_status_names.h"
#include "ovx/host/mof/source_error.h"
#include "ovx/host/provider_loader.h"

#include <fstream>

namespace {

using namespace servertest;

class LoaderTest : public ::testing::Test {
  protected:
    std::string failureOf(const std::function<void()>& load) {
        try {
            load();
        } catch (const host::CimError& error) {
            EXPECT_EQ(error.rc(), CMPI_RC_ERR_FAILED);
            return error.what();
        }
        ADD_FAILURE() << "loading did not fail";
        return {};
    }

    ScratchDirectory scratch_;
    ProviderLog log_{scratch_.path() / "providers.log"};
    host::Broker broker_;
    std::unique_ptr<host::ProviderLoader> loader_ = std::make_unique<host::ProviderLoader>(
        broker_, std::vector<fs::path>{scratch_.path(), providerDirectory()}, "root/cimv2");
};

TEST_F(LoaderTest, MakesEachMiOnceAndCleansUpEveryOneAtTheEnd) {
    CMPIInstanceMI* instance = loader_->instanceMI("ovx_test_things", "TestThings");
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(loader_->instanceMI("ovx_test_things", "TestThings"), instance);
    ASSERT_NE(loader_->associationMI("ovx_test_things", "TestThings"), nullptr);
    ASSERT_NE(loader_->methodMI("ovx_test_things", "TestThings"), nullptr);
    EXPECT_EQ(loader_->methodMI("ovx_test_things", "TestThings"),
              loader_->methodMI("ovx_test_things", "TestThings"));
    EXPECT_STREQ(instance->ft->miName, "TestThings");

    const std::vector<fs::path> libraries = loader_->loadedLibraries();
    ASSERT_EQ(libraries.size(), 1u);
    EXPECT_EQ(libraries.front(), providerDirectory() / "libovx_test_things.so");
    EXPECT_EQ(log_.lines(),
              (std::vector<std::string>{"things create Instance", "things create Association",
                                        "things create Method"}));

    loader_.reset();
    const std::vector<std::string> lines = log_.lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], "things cleanup Method terminating=1");
    EXPECT_EQ(lines[4], "things cleanup Association terminating=1");
    EXPECT_EQ(lines[5], "things cleanup Instance terminating=1");
}

TEST_F(LoaderTest, UnloadAllLetsTheLibraryBeLoadedAfresh) {
    ASSERT_NE(loader_->instanceMI("ovx_test_things", "TestThings"), nullptr);
    loader_->unloadAll();
    EXPECT_TRUE(loader_->loadedLibraries().empty());
    EXPECT_EQ(log_.count("things cleanup Instance terminating=1"), 1u);
    ASSERT_NE(loader_->instanceMI("ovx_test_things", "TestThings"), nullptr);
    EXPECT_EQ(log_.count("things create Instance"), 2u);
}

TEST_F(LoaderTest, MissingLibraryNamesTheFileTheSearchPathAndThePurpose) {
    const std::string purpose = "registered for instance operations on TST_Ghost";
    const std::string message =
        failureOf([&] { loader_->instanceMI("ovx_test_absent", "Ghost", purpose); });
    EXPECT_NE(message.find("libovx_test_absent.so: cannot be loaded"), std::string::npos)
        << message;
    EXPECT_NE(message.find(providerDirectory().string()), std::string::npos) << message;
    EXPECT_NE(message.find(purpose), std::string::npos) << message;
    // Remembered, not retried: the same answer again.
    EXPECT_EQ(failureOf([&] { loader_->instanceMI("ovx_test_absent", "Ghost", purpose); }),
              message);
    EXPECT_TRUE(loader_->loadedLibraries().empty());
}

TEST_F(LoaderTest, LibraryThatIsNoSharedObjectIsReportedWithItsPath) {
    const fs::path bogus = scratch_.path() / "libovx_test_bogus.so";
    std::ofstream(bogus) << "not an ELF file\n";
    const std::string message = failureOf([&] { loader_->instanceMI("ovx_test_bogus", "Bogus"); });
    EXPECT_NE(message.find("libovx_test_bogus.so: cannot be loaded from " + bogus.string()),
              std::string::npos)
        << message;
}

TEST_F(LoaderTest, MissingFactoryNamesTheSymbol) {
    EXPECT_EQ(failureOf([&] {
                  loader_->methodMI("ovx_test_partial", "Partial",
                                    "registered for method operations on TST_Part");
              }),
              "libovx_test_partial.so: no symbol Partial_Create_MethodMI (registered for method "
              "operations on TST_Part)");
    // The library itself is fine: its instance MI is made.
    EXPECT_NE(loader_->instanceMI("ovx_test_partial", "Partial"), nullptr);
}

TEST_F(LoaderTest, GenericFactoryComesFirstAndGetsTheProviderName) {
    CMPIInstanceMI* mi = loader_->instanceMI("ovx_test_generic", "GenericGadgets");
    ASSERT_NE(mi, nullptr);
    EXPECT_STREQ(mi->ft->miName, "GenericGadgets");
    EXPECT_EQ(log_.count("generic create Instance GenericGadgets"), 1u);
    EXPECT_EQ(log_.count("generic specific factory used"), 0u);
}

TEST_F(LoaderTest, FactoryRefusalCarriesItsStatus) {
    const std::string message =
        failureOf([&] { loader_->instanceMI("ovx_test_generic", "Nobody"); });
    EXPECT_NE(message.find("libovx_test_generic.so: _Generic_Create_InstanceMI for Nobody failed "
                           "with CIM_ERR_NOT_FOUND: no provider named Nobody"),
              std::string::npos)
        << message;
}

TEST_F(LoaderTest, MiNeedingANewerCmpiIsRefused) {
    const std::string message =
        failureOf([&] { loader_->methodMI("ovx_test_generic", "GenericGadgets"); });
    EXPECT_NE(message.find("needs CMPI version 999"), std::string::npos) << message;
}

TEST(CimStatusNames, NameEveryCimStatusAndReadThemBack) {
    EXPECT_EQ(host::cimStatusName(CMPI_RC_OK), "CIM_ERR_SUCCESS");
    EXPECT_EQ(host::cimStatusName(CMPI_RC_ERR_FAILED), "CIM_ERR_FAILED");
    EXPECT_EQ(host::cimStatusName(CMPI_RC_ERR_NOT_FOUND), "CIM_ERR_NOT_FOUND");
    EXPECT_EQ(host::cimStatusName(CMPI_RC_ERR_METHOD_NOT_FOUND), "CIM_ERR_METHOD_NOT_FOUND");
    EXPECT_EQ(host::cimStatusName(CMPI_RC_ERR_INVALID_HANDLE), "CMPI_RC_ERR_INVALID_HANDLE");
    EXPECT_EQ(host::cimStatusName(static_cast<CMPIrc>(42)), "status 42");
    for (int code = 0; code <= CMPI_RC_ERR_METHOD_NOT_FOUND; ++code) {
        const auto rc = static_cast<CMPIrc>(code);
        const std::string name = host::cimStatusName(rc);
        EXPECT_EQ(name.rfind("CIM_ERR_", 0), 0u) << name;
        EXPECT_EQ(host::cimStatusFromName(name), rc) << name;
    }
    EXPECT_EQ(host::cimStatusFromName("cim_err_not_supported"), CMPI_RC_ERR_NOT_SUPPORTED);
    EXPECT_FALSE(host::cimStatusFromName("CIM_ERR_NONSENSE").has_value());
}

// ---- opening a server -------------------------------------------------------

CMPIrc openFailure(const host::HostOptions& options) {
    try {
        host::CimServer::open(options);
    } catch (const host::CimError& error) {
        return error.rc();
    }
    return CMPI_RC_OK;
}

TEST(ServerOpen, RefusesMissingOrAbsentFiles) {
    host::HostOptions noMof = testOptions();
    noMof.mofFiles.clear();
    EXPECT_EQ(openFailure(noMof), CMPI_RC_ERR_INVALID_PARAMETER);

    host::HostOptions absentMof = testOptions();
    absentMof.mofFiles = {dataDirectory() / "absent.mof"};
    EXPECT_EQ(openFailure(absentMof), CMPI_RC_ERR_INVALID_PARAMETER);

    host::HostOptions absentRegistrations = testOptions();
    absentRegistrations.registrationFile = dataDirectory() / "absent.reg";
    EXPECT_EQ(openFailure(absentRegistrations), CMPI_RC_ERR_INVALID_PARAMETER);
}

TEST(ServerOpen, RegistrationOfAnUnknownClassIsASourceError) {
    const ScratchDirectory scratch;
    const fs::path registrations = scratch.path() / "providers.reg";
    std::ofstream(registrations) << "[TST_Missing]\n    provider: X\n    location: x\n"
                                    "    type: instance\n";
    host::HostOptions options = testOptions();
    options.registrationFile = registrations;
    EXPECT_THROW(host::CimServer::open(options), ovx::host::mof::SourceError);
}

TEST(ServerOpen, ReadsEveryMofFileOfADirectory) {
    host::HostOptions options = testOptions();
    options.mofFiles = {dataDirectory()};
    const auto server = host::CimServer::open(options);
    EXPECT_TRUE(server->classes().contains("TST_ContainsSpecial"));
    EXPECT_EQ(server->nameSpace(), "root/cimv2");
}

TEST(ServerOpen, ListsEveryProviderThatCouldNotBeMade) {
    const auto server = host::CimServer::open(testOptions());
    const std::vector<std::string> problems = server->loadProblems();
    ASSERT_EQ(problems.size(), 4u);
    const auto mentioned = [&](const std::string& text) {
        return std::any_of(problems.begin(), problems.end(), [&](const std::string& problem) {
            return problem.find(text) != std::string::npos;
        });
    };
    EXPECT_TRUE(mentioned("libovx_test_absent.so: cannot be loaded"));
    EXPECT_TRUE(mentioned("no symbol Partial_Create_MethodMI"));
    EXPECT_TRUE(mentioned("no provider named Nobody"));
    EXPECT_TRUE(mentioned("needs CMPI version 999"));
    EXPECT_EQ(server->loadedLibraries().size(), 4u);
}

// The project's own classes and registrations open; without the provider
// libraries their classes answer with the loader's message.
TEST(ServerOpen, OpensTheProjectConfiguration) {
    const ScratchDirectory empty;
    host::HostOptions options;
    options.mofFiles = {fs::path(OVX_SOURCE_DIR) / "mof" / "host.mof"};
    options.registrationFile = fs::path(OVX_SOURCE_DIR) / "mof" / "providers.reg";
    options.providerSearchPath = {empty.path()};
    const auto server = host::CimServer::open(options);
    if (!server->loadedLibraries().empty()) {
        GTEST_SKIP() << "the provider libraries are on the system's library path";
    }
    const host::Context context = server->clientContext();
    const auto endpoints =
        server->enumerateInstanceNames(context, classPath("OVX_IPProtocolEndpoint"));
    EXPECT_EQ(endpoints.status.rc, CMPI_RC_ERR_FAILED);
    EXPECT_NE(endpoints.status.message.find("libIPInterfaceProvider.so"), std::string::npos)
        << endpoints.status.message;
}

}  // namespace
