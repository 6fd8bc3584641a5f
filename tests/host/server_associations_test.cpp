// Associators and references across two association providers, and
// providers reading each other's classes through the broker.
#include "server_test_support.h"

namespace {

using namespace servertest;
using host::AssociatorFilter;
using host::ReferenceFilter;
using host::Value;

using Associations = ServerTest;

const host::ObjectPath box1 = keyed("TST_Container", "Id", "box1");

AssociatorFilter throughAssociation(const std::string& associationClass) {
    AssociatorFilter filter;
    filter.assocClass = associationClass;
    return filter;
}

TEST_F(Associations, NamedAssociationClassReachesTheProvidersOfItsSubclassesToo) {
    const auto names =
        server().associatorNames(context(), box1, throughAssociation("TST_Contains"));
    ASSERT_TRUE(names.status.ok()) << names.status.message;
    EXPECT_EQ(keyValues(names.value, "Name"), (std::vector<std::string>{"alpha", "beta", "omega"}));

    const auto special =
        server().associatorNames(context(), box1, throughAssociation("TST_ContainsSpecial"));
    ASSERT_TRUE(special.status.ok()) << special.status.message;
    EXPECT_EQ(keyValues(special.value, "Name"), (std::vector<std::string>{"omega"}));
}

TEST_F(Associations, WithoutAssociationClassEveryAssociationProviderAnswers) {
    const auto fromBox = server().associators(context(), box1, {}, std::nullopt);
    ASSERT_TRUE(fromBox.status.ok()) << fromBox.status.message;
    EXPECT_EQ(keyValues(pathsOf(fromBox.value), "Name"),
              (std::vector<std::string>{"alpha", "beta", "omega"}));

    const auto fromGamma =
        server().associatorNames(context(), keyed("TST_Thing", "Name", "gamma"), {});
    ASSERT_TRUE(fromGamma.status.ok()) << fromGamma.status.message;
    EXPECT_EQ(keyValues(fromGamma.value, "Id"), (std::vector<std::string>{"box2"}));
}

TEST_F(Associations, AssociatedInstanceFetchedFromAnotherProviderThroughTheBroker) {
    // TestSpecials gets the container from TestThings with CBGetInstance.
    const auto fromOmega =
        server().associators(context(), keyed("TST_SpecialThing", "Name", "omega"), {}, {});
    ASSERT_TRUE(fromOmega.status.ok()) << fromOmega.status.message;
    ASSERT_EQ(fromOmega.value.size(), 1u);
    EXPECT_EQ(fromOmega.value.front().className(), "TST_Container");
    EXPECT_EQ(fromOmega.value.front().findProperty("Id")->asString(), "box1");
    EXPECT_EQ(fromOmega.value.front().path().nameSpace(), "root/cimv2");
}

TEST_F(Associations, ResultClassAndRolePassToTheProviders) {
    AssociatorFilter specialOnly = throughAssociation("TST_Contains");
    specialOnly.resultClass = "TST_SpecialThing";
    const auto specials = server().associatorNames(context(), box1, specialOnly);
    ASSERT_TRUE(specials.status.ok()) << specials.status.message;
    EXPECT_EQ(keyValues(specials.value, "Name"), (std::vector<std::string>{"omega"}));

    // TestThings honours the role: a box is never the Part of a link.
    AssociatorFilter asPart;
    asPart.role = "Part";
    const auto parts = server().associatorNames(context(), box1, asPart);
    ASSERT_TRUE(parts.status.ok()) << parts.status.message;
    EXPECT_EQ(keyValues(parts.value, "Name"), (std::vector<std::string>{"omega"}));
}

// As sfcb answers them: an unknown association class has no provider, a
// class that is not an association and an unknown result class select nothing.
TEST_F(Associations, FilterClassesAreAnsweredAsSfcbAnswersThem) {
    const auto unknown = server().associators(context(), box1, throughAssociation("TST_Nope"), {});
    EXPECT_EQ(unknown.status.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_NE(unknown.status.message.find("TST_Nope"), std::string::npos);
    ReferenceFilter unknownReference;
    unknownReference.resultClass = "TST_Nope";
    EXPECT_EQ(server().referenceNames(context(), box1, unknownReference).status.rc,
              CMPI_RC_ERR_NOT_FOUND);

    AssociatorFilter unknownResult;
    unknownResult.resultClass = "TST_Nope";
    for (const AssociatorFilter& filter : {throughAssociation("TST_Thing"), unknownResult}) {
        const auto none = server().associatorNames(context(), box1, filter);
        ASSERT_TRUE(none.status.ok()) << none.status.message;
        EXPECT_TRUE(none.value.empty());
    }
}

TEST_F(Associations, SourceMustBeAKnownInstancePath) {
    EXPECT_EQ(server().associatorNames(context(), keyed("TST_Nope", "Id", "x"), {}).status.rc,
              CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_EQ(server().referenceNames(context(), classPath("TST_Container"), {}).status.rc,
              CMPI_RC_ERR_INVALID_PARAMETER);
}

TEST_F(Associations, FailingAssociationProviderFailsTheOperationWithItsStatus) {
    const auto unrelated = server().associatorNames(
        context(), keyed("TST_Summary", "Id", "summary"), throughAssociation("TST_Unrelated"));
    EXPECT_EQ(unrelated.status.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(unrelated.status.message, "TestSpecials must not be asked about TST_Unrelated");
}

TEST_F(Associations, ReferencesCollectTheAssociationInstancesOfEveryProvider) {
    const auto all = server().references(context(), box1, {}, std::nullopt);
    ASSERT_TRUE(all.status.ok()) << all.status.message;
    ASSERT_EQ(all.value.size(), 3u);
    std::vector<std::string> parts;
    for (const host::Instance& link : all.value) {
        const Value* part = link.findProperty("Part");
        ASSERT_NE(part, nullptr);
        parts.push_back(part->asReference().findKey("Name")->asString());
        EXPECT_TRUE(link.findProperty("Owner")->asReference().sameInstance(box1));
        EXPECT_EQ(link.className(),
                  parts.back() == "omega" ? "TST_ContainsSpecial" : "TST_Contains");
    }
    std::sort(parts.begin(), parts.end());
    EXPECT_EQ(parts, (std::vector<std::string>{"alpha", "beta", "omega"}));

    ReferenceFilter specialOnly;
    specialOnly.resultClass = "TST_ContainsSpecial";
    const auto special = server().referenceNames(context(), box1, specialOnly);
    ASSERT_TRUE(special.status.ok()) << special.status.message;
    ASSERT_EQ(special.value.size(), 1u);
    EXPECT_EQ(special.value.front().className(), "TST_ContainsSpecial");
    EXPECT_EQ(special.value.front().nameSpace(), "root/cimv2");

    ReferenceFilter base;
    base.resultClass = "TST_Contains";
    const auto fromGamma =
        server().referenceNames(context(), keyed("TST_Thing", "Name", "gamma"), base);
    ASSERT_TRUE(fromGamma.status.ok()) << fromGamma.status.message;
    ASSERT_EQ(fromGamma.value.size(), 1u);
    EXPECT_EQ(fromGamma.value.front().findKey("Owner")->asReference().findKey("Id")->asString(),
              "box2");
}

TEST_F(Associations, ProviderReadsOtherProvidersInstancesThroughTheBroker) {
    // The summary counts TST_Thing deep (three from TestThings, omega from
    // TestSpecials itself) and reads alpha's size with CBGetInstance.
    const auto summary =
        server().getInstance(context(), keyed("TST_Summary", "Id", "summary"), std::nullopt);
    ASSERT_TRUE(summary.status.ok()) << summary.status.message;
    EXPECT_EQ(summary.value.findProperty("ThingCount")->asUnsigned(), 4u);
    EXPECT_EQ(summary.value.findProperty("AlphaSize")->asUnsigned(), 1u);

    host::Arguments in;
    in.set("NewSize", Value::uint32(12));
    ASSERT_TRUE(server()
                    .invokeMethod(context(), keyed("TST_Thing", "Name", "alpha"), "Resize", in)
                    .status.ok());
    ASSERT_TRUE(server().deleteInstance(context(), keyed("TST_Thing", "Name", "beta")).ok());

    const auto after = server().enumerateInstances(context(), classPath("TST_Summary"), {});
    ASSERT_TRUE(after.status.ok()) << after.status.message;
    ASSERT_EQ(after.value.size(), 1u);
    EXPECT_EQ(after.value.front().findProperty("ThingCount")->asUnsigned(), 3u);
    EXPECT_EQ(after.value.front().findProperty("AlphaSize")->asUnsigned(), 12u);
}

TEST_F(Associations, RefusedUpCallReachesTheProviderAsAFailure) {
    ASSERT_TRUE(server().deleteInstance(context(), keyed("TST_Thing", "Name", "alpha")).ok());
    // CBGetInstance of alpha now fails with NOT_FOUND; TestSpecials passes it on.
    const auto summary = server().enumerateInstances(context(), classPath("TST_Summary"), {});
    EXPECT_EQ(summary.status.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_NE(summary.status.message.find("alpha"), std::string::npos) << summary.status.message;
}

}  // namespace
