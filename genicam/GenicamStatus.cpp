#include <arv.h>

#include "GenicamStatus.h"

#include "TovrikStatus.h"

namespace GenicamStatus {

namespace {

int fromGenicamError(int code)
{
    switch (code) {
    case ARV_GC_ERROR_NODE_NOT_FOUND:
    case ARV_GC_ERROR_PROPERTY_NOT_DEFINED:
    case ARV_GC_ERROR_PVALUE_NOT_DEFINED:
    case ARV_GC_ERROR_INVALID_PVALUE:
        return Tovrik::Status::NotFound;
    case ARV_GC_ERROR_OUT_OF_RANGE:
    case ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND:
    case ARV_GC_ERROR_EMPTY_ENUMERATION:
    case ARV_GC_ERROR_INVALID_LENGTH:
    case ARV_GC_ERROR_INVALID_BIT_RANGE:
        return Tovrik::Status::InvalidValue;
    case ARV_GC_ERROR_READ_ONLY:
        return Tovrik::Status::NoAccess;
    case ARV_GC_ERROR_SET_FROM_STRING_UNDEFINED:
    case ARV_GC_ERROR_GET_AS_STRING_UNDEFINED:
    case ARV_GC_ERROR_NO_EVENT_IMPLEMENTATION:
        return Tovrik::Status::NotImplemented;
    case ARV_GC_ERROR_NO_DEVICE_SET:
        return Tovrik::Status::NotOpened;
    case ARV_GC_ERROR_INVALID_SYNTAX:
        return Tovrik::Status::ParsingError;
    default:
        return Tovrik::Status::IOError;
    }
}

int fromDeviceError(int code)
{
    switch (code) {
    case ARV_DEVICE_ERROR_WRONG_FEATURE:
    case ARV_DEVICE_ERROR_INVALID_PARAMETER:
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_PARAMETER:
        return Tovrik::Status::InvalidParameter;
    case ARV_DEVICE_ERROR_FEATURE_NOT_FOUND:
    case ARV_DEVICE_ERROR_NOT_FOUND:
        return Tovrik::Status::NotFound;
    case ARV_DEVICE_ERROR_NOT_CONNECTED:
        return Tovrik::Status::NotOpened;
    case ARV_DEVICE_ERROR_TIMEOUT:
        return Tovrik::Status::Timeout;
    case ARV_DEVICE_ERROR_GENICAM_NOT_FOUND:
        return Tovrik::Status::ParsingError;
    case ARV_DEVICE_ERROR_NO_STREAM_CHANNEL:
        return Tovrik::Status::FunctionNotAvailable;
    case ARV_DEVICE_ERROR_NOT_CONTROLLER:
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT:
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED:
        return Tovrik::Status::NoAccess;
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_NOT_IMPLEMENTED:
        return Tovrik::Status::NotImplemented;
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_BUSY:
        return Tovrik::Status::Busy;
    default:
        // Protocol, transfer, address and alignment errors: the link to the camera failed.
        return Tovrik::Status::IOError;
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
    return Tovrik::Status::IOError;
}

bool isLinkFailure(const GError* error)
{
    return error && error->domain == ARV_DEVICE_ERROR &&
           (error->code == ARV_DEVICE_ERROR_TIMEOUT || error->code == ARV_DEVICE_ERROR_TRANSFER_ERROR ||
            error->code == ARV_DEVICE_ERROR_NOT_CONNECTED);
}

bool isNotController(const GError* error)
{
    return error && error->domain == ARV_DEVICE_ERROR &&
           (error->code == ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED ||
            error->code == ARV_DEVICE_ERROR_NOT_CONTROLLER);
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
