#include <arv.h>

#include "GenicamStatus.h"

namespace GenicamStatus {

namespace {

int fromGenicamError(int code)
{
    switch (code) {
    case ARV_GC_ERROR_NODE_NOT_FOUND:
    case ARV_GC_ERROR_PROPERTY_NOT_DEFINED:
    case ARV_GC_ERROR_PVALUE_NOT_DEFINED:
    case ARV_GC_ERROR_INVALID_PVALUE:
        return notFound;
    case ARV_GC_ERROR_OUT_OF_RANGE:
    case ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND:
    case ARV_GC_ERROR_EMPTY_ENUMERATION:
    case ARV_GC_ERROR_INVALID_LENGTH:
    case ARV_GC_ERROR_INVALID_BIT_RANGE:
        return invalidValue;
    case ARV_GC_ERROR_READ_ONLY:
        return noAccess;
    case ARV_GC_ERROR_SET_FROM_STRING_UNDEFINED:
    case ARV_GC_ERROR_GET_AS_STRING_UNDEFINED:
    case ARV_GC_ERROR_NO_EVENT_IMPLEMENTATION:
        return notImplemented;
    case ARV_GC_ERROR_NO_DEVICE_SET:
        return notOpened;
    case ARV_GC_ERROR_INVALID_SYNTAX:
        return parsingError;
    default:
        return ioError;
    }
}

int fromDeviceError(int code)
{
    switch (code) {
    case ARV_DEVICE_ERROR_WRONG_FEATURE:
    case ARV_DEVICE_ERROR_INVALID_PARAMETER:
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_PARAMETER:
        return invalidParameter;
    case ARV_DEVICE_ERROR_FEATURE_NOT_FOUND:
    case ARV_DEVICE_ERROR_NOT_FOUND:
        return notFound;
    case ARV_DEVICE_ERROR_NOT_CONNECTED:
        return notOpened;
    case ARV_DEVICE_ERROR_TIMEOUT:
        return timeout;
    case ARV_DEVICE_ERROR_GENICAM_NOT_FOUND:
        return parsingError;
    case ARV_DEVICE_ERROR_NO_STREAM_CHANNEL:
        return functionNotAvailable;
    case ARV_DEVICE_ERROR_NOT_CONTROLLER:
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT:
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED:
        return noAccess;
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_NOT_IMPLEMENTED:
        return notImplemented;
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_BUSY:
        return busy;
    default:
        // Protocol, transfer, address and alignment errors: the link to the camera failed.
        return ioError;
    }
}

} // namespace

int fromError(const GError* error)
{
    if (!error)
        return 0;
    if (error->domain == ARV_GC_ERROR)
        return fromGenicamError(error->code);
    if (error->domain == ARV_DEVICE_ERROR)
        return fromDeviceError(error->code);
    return ioError;
}

int take(GError** error, std::string* message)
{
    if (!error || !*error)
        return 0;
    const int status = fromError(*error);
    if (message)
        *message = (*error)->message ? (*error)->message : "";
    g_clear_error(error);
    return status;
}

} // namespace GenicamStatus
