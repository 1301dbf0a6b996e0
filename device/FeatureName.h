#pragma once

// The line-scan camera's features and the entries that mean something beyond their text, named as
// in the GenICam Standard Features Naming Convention: one place for the backends and the viewer.
namespace FeatureName {

inline constexpr char DeviceVendorName[] = "DeviceVendorName";
inline constexpr char DeviceModelName[] = "DeviceModelName";
inline constexpr char DeviceSerialNumber[] = "DeviceSerialNumber";
inline constexpr char DeviceFirmwareVersion[] = "DeviceFirmwareVersion";
inline constexpr char MasterSlaveMode[] = "MasterSlaveMode";

inline constexpr char Width[] = "Width";
inline constexpr char Height[] = "Height";
inline constexpr char PixelFormat[] = "PixelFormat";
inline constexpr char PayloadSize[] = "PayloadSize";

inline constexpr char AcquisitionStart[] = "AcquisitionStart";
inline constexpr char AcquisitionStop[] = "AcquisitionStop";
inline constexpr char AcquisitionLineRate[] = "AcquisitionLineRate";
inline constexpr char ExposureTime[] = "ExposureTime";

inline constexpr char TriggerSelector[] = "TriggerSelector";
inline constexpr char TriggerMode[] = "TriggerMode";
inline constexpr char TriggerSource[] = "TriggerSource";
inline constexpr char TriggerActivation[] = "TriggerActivation";
inline constexpr char TriggerDivider[] = "TriggerDivider";
inline constexpr char LineTriggerMissedCount[] = "LineTriggerMissedCount";

inline constexpr char EncoderSelector[] = "EncoderSelector";
inline constexpr char EncoderSourceA[] = "EncoderSourceA";
inline constexpr char EncoderSourceB[] = "EncoderSourceB";
inline constexpr char EncoderMode[] = "EncoderMode";
inline constexpr char EncoderDividerFloat[] = "EncoderDividerFloat";
inline constexpr char EncoderValue[] = "EncoderValue";
inline constexpr char EncoderStatus[] = "EncoderStatus";
inline constexpr char EncoderReset[] = "EncoderReset";

inline constexpr char LineSelector[] = "LineSelector";
inline constexpr char LineMode[] = "LineMode";
inline constexpr char LineInverter[] = "LineInverter";
inline constexpr char LineStatus[] = "LineStatus";
inline constexpr char LineStatusAll[] = "LineStatusAll";

// The settings a page reads first (everything but what the camera measures and its commands).
inline constexpr const char* settings[] = {
    DeviceVendorName,
    DeviceModelName,
    DeviceSerialNumber,
    DeviceFirmwareVersion,
    MasterSlaveMode,
    Width,
    Height,
    PixelFormat,
    PayloadSize,
    AcquisitionLineRate,
    ExposureTime,
    TriggerSelector,
    TriggerMode,
    TriggerSource,
    TriggerActivation,
    TriggerDivider,
    EncoderSelector,
    EncoderSourceA,
    EncoderSourceB,
    EncoderMode,
    EncoderDividerFloat,
    LineSelector,
    LineMode,
    LineInverter,
};

} // namespace FeatureName

namespace EntryName {

inline constexpr char LineStart[] = "LineStart";
inline constexpr char FrameStart[] = "FrameStart";
inline constexpr char On[] = "On";
inline constexpr char Off[] = "Off";
inline constexpr char Encoder0[] = "Encoder0";
inline constexpr char Software[] = "Software";
inline constexpr char FourPhase[] = "FourPhase";
inline constexpr char HighResolution[] = "HighResolution";
inline constexpr char Input[] = "Input";
inline constexpr char Output[] = "Output";
inline constexpr char EncoderUp[] = "EncoderUp";
inline constexpr char EncoderDown[] = "EncoderDown";
inline constexpr char EncoderStatic[] = "EncoderStatic";
inline constexpr char EncoderIdle[] = "EncoderIdle";
inline constexpr char RisingEdge[] = "RisingEdge";
inline constexpr char FallingEdge[] = "FallingEdge";
inline constexpr char AnyEdge[] = "AnyEdge";
inline constexpr char LevelHigh[] = "LevelHigh";
inline constexpr char LevelLow[] = "LevelLow";
inline constexpr char Mono8[] = "Mono8";
inline constexpr char Master[] = "Master";
inline constexpr char Slave[] = "Slave";

} // namespace EntryName
