#include "TovrikApi.h"
#include "TovrikStatus.h"

#include <algorithm>
#include <cstring>

namespace {

namespace Status = Tovrik::Status;

const char* describe(int code)
{
    switch (code) {
    case Status::NotInitialized:
        return "The SDK or the device has not been initialized.";
    case Status::InvalidState:
        return "The operation is not allowed in the current state.";
    case Status::NotOpened:
        return "The device is not opened.";
    case Status::NoImageDataAvailable:
        return "No image data is available.";
    case Status::NotFound:
        return "The requested item was not found.";
    case Status::InvalidParameter:
        return "A parameter is invalid.";
    case Status::NotAvailable:
        return "The feature or entry is not available.";
    case Status::FunctionNotAvailable:
        return "The function is not available for this feature.";
    case Status::Timeout:
        return "The operation timed out.";
    case Status::Aborted:
        return "The operation was aborted.";
    case Status::FileOperationFailure:
        return "A file operation failed.";
    case Status::FileOperationFatalError:
        return "A file operation failed fatally.";
    case Status::NoAccess:
        return "No access: the feature is not writable or readable now.";
    case Status::WrongBufferSize:
        return "The buffer size is wrong.";
    case Status::InvalidBuffer:
        return "The buffer is invalid.";
    case Status::ResourceInUse:
        return "The resource is in use.";
    case Status::NotImplemented:
        return "The function is not implemented.";
    case Status::InvalidHandle:
        return "The handle is invalid.";
    case Status::IOError:
        return "An input/output error occurred while talking to the device.";
    case Status::ParsingError:
        return "A parsing error occurred.";
    case Status::InvalidValue:
        return "The value is invalid for this feature.";
    case Status::ResourceExhausted:
        return "A resource is exhausted.";
    case Status::OutOfMemory:
        return "Out of memory.";
    case Status::Busy:
        return "The device is busy.";
    default:
        return "";
    }
}

} // namespace

extern "C" int tovrikGetErrorDescription(int code, char* buffer, size_t bufferSize)
{
    if (!buffer || bufferSize == 0)
        return Status::InvalidParameter;
    const char* text = describe(code);
    const size_t length = std::min(std::strlen(text), bufferSize - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return 0;
}
