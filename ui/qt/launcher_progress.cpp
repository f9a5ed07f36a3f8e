#include "ui/qt/launcher_progress.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace velomira::qt {

void showLauncherProgress(double share, bool visible) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/velomira/Velomira/launcher"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    QVariantMap properties;
    properties.insert(QStringLiteral("progress"), share < 0 ? 0.0 : share > 1 ? 1.0 : share);
    properties.insert(QStringLiteral("progress-visible"), visible);
    signal << QStringLiteral("application://velomira.desktop") << properties;
    bus.send(signal);
}

} // namespace velomira::qt
