#include "TovrikExceptions.h"

#include "TovrikApi.h"

#include <algorithm>

namespace Tovrik {

GenericException::GenericException(int code, const std::string& message) : message(message), code(code) {}

GenericException::~GenericException() = default;

const char* GenericException::what() const noexcept
{
    return message.c_str();
}

#define TOVRIK_DEFINE_EXCEPTION(Name, Code)                                                                  \
    Name##Exception::Name##Exception(const std::string& message)                                             \
        : GenericException(Status::Name, message) {}                                                         \
    Name##Exception::~Name##Exception() = default;

TOVRIK_STATUS_CODES(TOVRIK_DEFINE_EXCEPTION)

#undef TOVRIK_DEFINE_EXCEPTION

std::string errorMessage(int code)
{
    constexpr size_t bufferSize = 512;
    char buffer[bufferSize];
    // An SDK that does not describe the code may leave the buffer untouched.
    buffer[0] = '\0';
    tovrikGetErrorDescription(code, buffer, bufferSize);
    const char* const begin = buffer;
    const char* const end = std::find(begin, begin + bufferSize, '\0');
    return "Code: [" + std::to_string(code) + "] - Error description: " + std::string(begin, end);
}

void throwIfError(int code)
{
    if (code == 0)
        return;
    const std::string text = errorMessage(code);
    switch (code) {
#define TOVRIK_THROW_EXCEPTION(Name, Code)                                                                   \
    case Status::Name:                                                                                       \
        throw Name##Exception(text);
        TOVRIK_STATUS_CODES(TOVRIK_THROW_EXCEPTION)
#undef TOVRIK_THROW_EXCEPTION
    default:
        throw GenericException(code, text);
    }
}

} // namespace Tovrik
