#pragma once

#include "alarms/AlarmEvent.h"

namespace dewscope {

// Desktop notifications of alarm starts and ends through the freedesktop notification service
// on the session bus. Without a session bus nothing is shown and nothing else is held up.
namespace AlarmNotifier {

// The notification's title and body for an event.
QString title(const AlarmEvent &event);
QString body(const AlarmEvent &event);

// Sends the notification without waiting for an answer; false when there is no session bus.
bool notify(const AlarmEvent &event);

} // namespace AlarmNotifier
} // namespace dewscope
