// A message through the desktop's notification service
// (org.freedesktop.Notifications on the session bus).
#pragma once

#include <QString>

namespace mouse {

// Sends the notification without waiting for the service; a failure (no
// session bus, no notification service) is logged and otherwise ignored.
void SendDesktopNotification(const QString& title, const QString& body);

}  // namespace mouse
