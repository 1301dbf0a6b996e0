#pragma once

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

#define TOVRIK_DECLARE_EXCEPTION(Name)                                                                       \
    class Name : public GenericException                                                                     \
    {                                                                                                        \
    public:                                                                                                  \
        explicit Name(const std::string& message);                                                           \
        ~Name() override;                                                                                    \
    };

TOVRIK_DECLARE_EXCEPTION(NotInitializedException)
TOVRIK_DECLARE_EXCEPTION(InvalidStateException)
TOVRIK_DECLARE_EXCEPTION(NotOpenedException)
TOVRIK_DECLARE_EXCEPTION(NoImageDataAvailableException)
TOVRIK_DECLARE_EXCEPTION(NotFoundException)
TOVRIK_DECLARE_EXCEPTION(InvalidParameterException)
TOVRIK_DECLARE_EXCEPTION(NotAvailableException)
TOVRIK_DECLARE_EXCEPTION(FunctionNotAvailableException)
TOVRIK_DECLARE_EXCEPTION(TimeoutException)
TOVRIK_DECLARE_EXCEPTION(AbortedException)
TOVRIK_DECLARE_EXCEPTION(FileOperationFailureException)
TOVRIK_DECLARE_EXCEPTION(FileOperationFatalErrorException)
TOVRIK_DECLARE_EXCEPTION(NoAccessException)
TOVRIK_DECLARE_EXCEPTION(WrongBufferSizeException)
TOVRIK_DECLARE_EXCEPTION(InvalidBufferException)
TOVRIK_DECLARE_EXCEPTION(ResourceInUseException)
TOVRIK_DECLARE_EXCEPTION(NotImplementedException)
TOVRIK_DECLARE_EXCEPTION(InvalidHandleException)
TOVRIK_DECLARE_EXCEPTION(IOErrorException)
TOVRIK_DECLARE_EXCEPTION(ParsingErrorException)
TOVRIK_DECLARE_EXCEPTION(InvalidValueException)
TOVRIK_DECLARE_EXCEPTION(ResourceExhaustedException)
TOVRIK_DECLARE_EXCEPTION(OutOfMemoryException)
TOVRIK_DECLARE_EXCEPTION(BusyException)

#undef TOVRIK_DECLARE_EXCEPTION

// "Code: [<code>] - Error description: <SDK text>"
std::string errorMessage(int code);

// Returns for 0; otherwise throws the exception class of the code (GenericException for codes
// without a class of their own).
void throwIfError(int code);

} // namespace Tovrik
