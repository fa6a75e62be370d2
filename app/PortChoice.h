#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace dewscope {

class MeterLink;

// The port names of the port window: "COM  " (two blanks) followed by the number.
QString comPortText(int number);
// "COM  1" to "COM  16", in that order: the list the port window starts with.
QStringList allComPortTexts();
// The port number a choice gives: "Auto" gives 1, "COM  1" to "COM  16" give 1 to 16; any
// other text keeps the previous number.
int comPortNumberFromText(const QString &text, int previous);

// Probes COM 1 to 16 in ascending order with the given link: close it if open, settings
// "9600,n,8,1", port number, open; a port that opens (or reports that it is already open) is
// listed and closed again. progress(i) is called before port i is probed. The link is left
// closed. The list comes out sorted.
QStringList scanPorts(MeterLink &link, const std::function<void(int)> &progress = {});

} // namespace dewscope
