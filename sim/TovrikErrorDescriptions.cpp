#include "TovrikApi.h"

#include <algorithm>
#include <cstring>

namespace {

const char* describe(int code)
{
    switch (code) {
    case -100:
        return "The SDK or the device has not been initialized.";
    case -101:
        return "The operation is not allowed in the current state.";
    case -102:
        return "The device is not opened.";
    case -103:
        return "No image data is available.";
    case -104:
        return "The requested item was not found.";
    case -105:
        return "A parameter is invalid.";
    case -106:
        return "The feature or entry is not available.";
    case -107:
        return "The function is not available for this feature.";
    case -108:
        return "The operation timed out.";
    case -109:
        return "The operation was aborted.";
    case -110:
        return "A file operation failed.";
    case -111:
        return "A file operation failed fatally.";
    case -112:
        return "No access: the feature is not writable or readable now.";
    case -113:
        return "The buffer size is wrong.";
    case -114:
        return "The buffer is invalid.";
    case -115:
        return "The resource is in use.";
    case -116:
        return "The function is not implemented.";
    case -117:
        return "The handle is invalid.";
    case -118:
        return "An input/output error occurred while talking to the device.";
    case -119:
        return "A parsing error occurred.";
    case -120:
        return "The value is invalid for this feature.";
    case -121:
        return "A resource is exhausted.";
    case -122:
        return "Out of memory.";
    case -123:
        return "The device is busy.";
    default:
        return "";
    }
}

} // namespace

extern "C" int tovrikGetErrorDescription(int code, char* buffer, size_t bufferSize)
{
    if (!buffer || bufferSize == 0)
        return -105;
    const char* text = describe(code);
    const size_t length = std::min(std::strlen(text), bufferSize - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return 0;
}
