#pragma once

// A desktop client of the media-player service, on a connection of its own. Calls wait for
// the reply while the event loop runs, so a service in the same process can answer.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QVariantList>

#include "ui/MprisService.h"

namespace mpris {

inline const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
inline const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");

inline QDBusConnection client() {
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("mpris-test-client"));
}

inline QDBusMessage call(const QString& interface, const QString& method, const QVariantList& arguments = {}) {
  QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(MprisService::kServiceName),
                                                        QString::fromLatin1(MprisService::kObjectPath),
                                                        interface, method);
  message.setArguments(arguments);
  QDBusPendingCallWatcher watcher(client().asyncCall(message));
  QEventLoop loop;
  QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
  if (!watcher.isFinished()) loop.exec();
  return watcher.reply();
}

inline QVariant property(const QString& interface, const QString& name) {
  const QDBusMessage reply =
      call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {interface, name});
  if (reply.type() != QDBusMessage::ReplyMessage) return {};
  return reply.arguments().value(0).value<QDBusVariant>().variant();
}

inline QVariantMap metadata() { return qdbus_cast<QVariantMap>(property(kPlayer, QStringLiteral("Metadata"))); }

}  // namespace mpris
