#include "LPlatform.h"

#include "framework/LVersion.h"

#include <QCoreApplication>

void LPlatformInitialize()
{
    QCoreApplication::setOrganizationName(QString::fromUtf8(kKestranoName));
    QCoreApplication::setApplicationName(QString::fromUtf8(kKestranoName));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(kKestranoVersion));
}
