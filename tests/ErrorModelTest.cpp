#include "TovrikApi.h"
#include "TovrikExceptions.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <typeinfo>

namespace {

// Runs throwIfError and returns what it threw.
template <typename Expected> Expected thrownBy(int code)
{
    try {
        Tovrik::throwIfError(code);
    } catch (const Expected& exception) {
        return exception;
    }
    throw std::logic_error("code " + std::to_string(code) + " did not throw the expected class");
}

std::string sdkText(int code)
{
    char buffer[512];
    buffer[0] = '\0';
    tovrikGetErrorDescription(code, buffer, sizeof buffer);
    return buffer;
}

} // namespace

TEST(ErrorModel, SuccessThrowsNothing)
{
    EXPECT_NO_THROW(Tovrik::throwIfError(0));
}

TEST(ErrorModel, EveryNamedCodeThrowsItsOwnClassWithThatCode)
{
    struct Row
    {
        int code;
        const std::type_info& type;
    };
    const Row rows[] = {
        {-100, typeid(Tovrik::NotInitializedException)},
        {-101, typeid(Tovrik::InvalidStateException)},
        {-102, typeid(Tovrik::NotOpenedException)},
        {-103, typeid(Tovrik::NoImageDataAvailableException)},
        {-104, typeid(Tovrik::NotFoundException)},
        {-105, typeid(Tovrik::InvalidParameterException)},
        {-106, typeid(Tovrik::NotAvailableException)},
        {-107, typeid(Tovrik::FunctionNotAvailableException)},
        {-108, typeid(Tovrik::TimeoutException)},
        {-109, typeid(Tovrik::AbortedException)},
        {-110, typeid(Tovrik::FileOperationFailureException)},
        {-111, typeid(Tovrik::FileOperationFatalErrorException)},
        {-112, typeid(Tovrik::NoAccessException)},
        {-113, typeid(Tovrik::WrongBufferSizeException)},
        {-114, typeid(Tovrik::InvalidBufferException)},
        {-115, typeid(Tovrik::ResourceInUseException)},
        {-116, typeid(Tovrik::NotImplementedException)},
        {-117, typeid(Tovrik::InvalidHandleException)},
        {-118, typeid(Tovrik::IOErrorException)},
        {-119, typeid(Tovrik::ParsingErrorException)},
        {-120, typeid(Tovrik::InvalidValueException)},
        {-121, typeid(Tovrik::ResourceExhaustedException)},
        {-122, typeid(Tovrik::OutOfMemoryException)},
        {-123, typeid(Tovrik::BusyException)},
    };
    for (const Row& row : rows) {
        try {
            Tovrik::throwIfError(row.code);
            ADD_FAILURE() << row.code << " did not throw";
        } catch (const Tovrik::GenericException& exception) {
            EXPECT_EQ(typeid(exception), row.type) << row.code;
            EXPECT_EQ(exception.code, row.code);
            EXPECT_EQ(exception.message,
                      "Code: [" + std::to_string(row.code) + "] - Error description: " + sdkText(row.code));
        }
    }
}

TEST(ErrorModel, CodesOutsideTheNamedRangeThrowGenericException)
{
    for (const int code : {-99, -124, 1, -1, 2147483647}) {
        const auto exception = thrownBy<Tovrik::GenericException>(code);
        EXPECT_EQ(typeid(exception), typeid(Tovrik::GenericException)) << code;
        EXPECT_EQ(exception.code, code);
        // The SDK describes none of these: the description is empty, the prefix stays.
        EXPECT_EQ(exception.message, "Code: [" + std::to_string(code) + "] - Error description: ");
    }
}

TEST(ErrorModel, WhatReturnsTheStoredMessage)
{
    const auto exception = thrownBy<Tovrik::NoAccessException>(-112);
    EXPECT_EQ(exception.code, -112);
    EXPECT_STREQ(exception.what(), exception.message.c_str());
    EXPECT_EQ(exception.message.rfind("Code: [-112] - Error description: ", 0), 0u);
    EXPECT_GT(exception.message.size(), std::string("Code: [-112] - Error description: ").size());
}

TEST(ErrorModel, ExceptionsCopyMessageAndCode)
{
    const Tovrik::BusyException original("busy now");
    const Tovrik::BusyException copy = original;
    EXPECT_EQ(copy.code, -123);
    EXPECT_STREQ(copy.what(), "busy now");
}

TEST(SdkErrorDescriptions, NamedCodesAreDescribedAndOthersAreEmpty)
{
    for (int code = -123; code <= -100; ++code)
        EXPECT_FALSE(sdkText(code).empty()) << code;
    EXPECT_EQ(sdkText(-99), "");
    EXPECT_EQ(sdkText(0), "");
    EXPECT_EQ(sdkText(-124), "");
}

TEST(SdkErrorDescriptions, TextIsCutToTheBuffer)
{
    char buffer[8];
    tovrikGetErrorDescription(-112, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer).size(), 7u);
}
