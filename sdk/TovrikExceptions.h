#pragma once

#include "TovrikStatus.h"

#include <exception>
#include <string>

namespace Tovrik {

class GenericException : public std::exception
{
public:
    GenericException(int code, const std::string& message);
    ~GenericException() override;

    const char* what() const noexcept override;

    std::string message;
    int code;
};

#define TOVRIK_DECLARE_EXCEPTION(Name, Code)                                                                 \
    class Name##Exception : public GenericException                                                          \
    {                                                                                                        \
    public:                                                                                                  \
        explicit Name##Exception(const std::string& message);                                                \
        ~Name##Exception() override;                                                                         \
    };

// One class per named status, in the order of the codes.
TOVRIK_STATUS_CODES(TOVRIK_DECLARE_EXCEPTION)

#undef TOVRIK_DECLARE_EXCEPTION

// "Code: [<code>] - Error description: <SDK text>"
std::string errorMessage(int code);

// Returns for 0; otherwise throws the exception class of the code (GenericException for codes
// without a class of their own).
void throwIfError(int code);

} // namespace Tovrik
