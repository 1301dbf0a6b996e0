#include "SupportedCamera.h"

#include "FeatureAccess.h"

#include <QStringList>

bool isSupportedCamera(const std::vector<std::shared_ptr<Tovrik::Feature>>& features)
{
    try {
        const FeatureAccess access(features);
        const QString serialNumber = access.getValueAsString(QStringLiteral("DeviceSerialNumber"));
        const QStringList parts = serialNumber.split(QLatin1Char('-'), Qt::KeepEmptyParts, Qt::CaseSensitive);
        bool ok = false;
        const int family = parts.first().toInt(&ok, 10);
        return ok && static_cast<unsigned>(family - 40000) <= 1999u;
    } catch (const std::exception&) {
        return false;
    }
}
