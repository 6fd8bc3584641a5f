#include "Exceptions.h"

#include <gtest/gtest.h>

#include <string>

namespace {

template <typename T>
class ExceptionClass : public ::testing::Test {};
using ExceptionTypes = ::testing::Types<Quill::FrameworkException, Quill::InstrumentationException,
                                        Quill::ProviderException>;
TYPED_TEST_SUITE(ExceptionClass, ExceptionTypes, );

TYPED_TEST(ExceptionClass, WhatReturnsTheTextItWasBuiltWith) {
    const TypeParam fromChars("Could not find instance");
    EXPECT_STREQ(fromChars.what(), "Could not find instance");

    std::string text = "Concerned Computer Could Not Be Found.";
    const TypeParam fromString(text);
    text = "changed afterwards";
    EXPECT_STREQ(fromString.what(), "Concerned Computer Could Not Be Found.");

    const TypeParam copy(fromString);
    EXPECT_STREQ(copy.what(), "Concerned Computer Could Not Be Found.");
    TypeParam assigned("something else");
    assigned = fromChars;
    EXPECT_STREQ(assigned.what(), "Could not find instance");

    const TypeParam fromNull(static_cast<const char*>(nullptr));
    EXPECT_STREQ(fromNull.what(), "");
}

}  // namespace
