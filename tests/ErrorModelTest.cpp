#include "TovrikApi.h"
#include "TovrikExceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

namespace {

std::string sdkText(int code)
{
    char buffer[512];
    buffer[0] = '\0';
    tovrikGetErrorDescription(code, buffer, sizeof buffer);
    return buffer;
}

// The class throwIfError throws for code, with its code and message; GenericException's type for none.
struct Thrown
{
    const std::type_info* type = nullptr;
    int code = 0;
    std::string message;
    std::string what;
};

Thrown thrownBy(int code)
{
    try {
        Tovrik::throwIfError(code);
    } catch (const Tovrik::GenericException& exception) {
        return {&typeid(exception), exception.code, exception.message, exception.what()};
    }
    return {};
}

} // namespace

TEST(ErrorModel, EveryStatusThrowsItsClassWithTheSdksText)
{
    EXPECT_NO_THROW(Tovrik::throwIfError(0));
    for (int code = -100; code >= -123; --code) {
        const Thrown thrown = thrownBy(code);
        EXPECT_NE(*thrown.type, typeid(Tovrik::GenericException)) << code;
        EXPECT_EQ(thrown.code, code);
        EXPECT_FALSE(sdkText(code).empty()) << code;
        EXPECT_EQ(thrown.message,
                  "Code: [" + std::to_string(code) + "] - Error description: " + sdkText(code));
        EXPECT_EQ(thrown.what, thrown.message);
    }
    // Codes without a class of their own; the SDK describes none of them.
    for (const int code : {-99, -124, 1, -1, 2147483647}) {
        const Thrown thrown = thrownBy(code);
        EXPECT_EQ(*thrown.type, typeid(Tovrik::GenericException)) << code;
        EXPECT_EQ(thrown.code, code);
        EXPECT_EQ(thrown.message, "Code: [" + std::to_string(code) + "] - Error description: ");
    }
    // The list itself, at its ends and in the middle.
    EXPECT_EQ(*thrownBy(-100).type, typeid(Tovrik::NotInitializedException));
    EXPECT_EQ(*thrownBy(-112).type, typeid(Tovrik::NoAccessException));
    EXPECT_EQ(*thrownBy(-123).type, typeid(Tovrik::BusyException));
}

TEST(ErrorModel, TextsAreCutToTheBuffer)
{
    char buffer[8];
    tovrikGetErrorDescription(-112, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer).size(), 7u);
}
