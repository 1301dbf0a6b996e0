#include "CameraFamily.h"

#include <QString>
#include <QStringList>

namespace CameraFamily {

bool serves(const QString& serialNumber)
{
    const QStringList parts = serialNumber.split(QLatin1Char('-'), Qt::KeepEmptyParts, Qt::CaseSensitive);
    bool ok = false;
    const int family = parts.first().toInt(&ok, 10);
    return ok && static_cast<unsigned>(family - first) <= static_cast<unsigned>(last - first);
}

} // namespace CameraFamily
