#include "SupportedCamera.h"

#include "CameraFamily.h"
#include "FeatureAccess.h"

bool isSupportedCamera(const std::vector<std::shared_ptr<Tovrik::Feature>>& features)
{
    try {
        const FeatureAccess access(features);
        return CameraFamily::serves(access.getValueAsString(QStringLiteral("DeviceSerialNumber")));
    } catch (const std::exception&) {
        return false;
    }
}
