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
    Name::Name(const std::string& message) : GenericException(Code, message) {}                              \
    Name::~Name() = default;

TOVRIK_DEFINE_EXCEPTION(NotInitializedException, -100)
TOVRIK_DEFINE_EXCEPTION(InvalidStateException, -101)
TOVRIK_DEFINE_EXCEPTION(NotOpenedException, -102)
TOVRIK_DEFINE_EXCEPTION(NoImageDataAvailableException, -103)
TOVRIK_DEFINE_EXCEPTION(NotFoundException, -104)
TOVRIK_DEFINE_EXCEPTION(InvalidParameterException, -105)
TOVRIK_DEFINE_EXCEPTION(NotAvailableException, -106)
TOVRIK_DEFINE_EXCEPTION(FunctionNotAvailableException, -107)
TOVRIK_DEFINE_EXCEPTION(TimeoutException, -108)
TOVRIK_DEFINE_EXCEPTION(AbortedException, -109)
TOVRIK_DEFINE_EXCEPTION(FileOperationFailureException, -110)
TOVRIK_DEFINE_EXCEPTION(FileOperationFatalErrorException, -111)
TOVRIK_DEFINE_EXCEPTION(NoAccessException, -112)
TOVRIK_DEFINE_EXCEPTION(WrongBufferSizeException, -113)
TOVRIK_DEFINE_EXCEPTION(InvalidBufferException, -114)
TOVRIK_DEFINE_EXCEPTION(ResourceInUseException, -115)
TOVRIK_DEFINE_EXCEPTION(NotImplementedException, -116)
TOVRIK_DEFINE_EXCEPTION(InvalidHandleException, -117)
TOVRIK_DEFINE_EXCEPTION(IOErrorException, -118)
TOVRIK_DEFINE_EXCEPTION(ParsingErrorException, -119)
TOVRIK_DEFINE_EXCEPTION(InvalidValueException, -120)
TOVRIK_DEFINE_EXCEPTION(ResourceExhaustedException, -121)
TOVRIK_DEFINE_EXCEPTION(OutOfMemoryException, -122)
TOVRIK_DEFINE_EXCEPTION(BusyException, -123)

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
    case -100:
        throw NotInitializedException(text);
    case -101:
        throw InvalidStateException(text);
    case -102:
        throw NotOpenedException(text);
    case -103:
        throw NoImageDataAvailableException(text);
    case -104:
        throw NotFoundException(text);
    case -105:
        throw InvalidParameterException(text);
    case -106:
        throw NotAvailableException(text);
    case -107:
        throw FunctionNotAvailableException(text);
    case -108:
        throw TimeoutException(text);
    case -109:
        throw AbortedException(text);
    case -110:
        throw FileOperationFailureException(text);
    case -111:
        throw FileOperationFatalErrorException(text);
    case -112:
        throw NoAccessException(text);
    case -113:
        throw WrongBufferSizeException(text);
    case -114:
        throw InvalidBufferException(text);
    case -115:
        throw ResourceInUseException(text);
    case -116:
        throw NotImplementedException(text);
    case -117:
        throw InvalidHandleException(text);
    case -118:
        throw IOErrorException(text);
    case -119:
        throw ParsingErrorException(text);
    case -120:
        throw InvalidValueException(text);
    case -121:
        throw ResourceExhaustedException(text);
    case -122:
        throw OutOfMemoryException(text);
    case -123:
        throw BusyException(text);
    default:
        throw GenericException(code, text);
    }
}

} // namespace Tovrik
