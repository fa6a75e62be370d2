#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>

namespace dewscope::artwork {

// Pictures of the main window, drawn here with QPainter so they stay sharp at every device
// pixel ratio (each icon carries a 1x and a 2x rendering).

// The toolbar's image list: 1 save, 2 open, 3 list, 4 graph, 5 sampling clock, 6 stop,
// 7 save (the picture button 1 returns to after a recording), 9 Celsius/Fahrenheit, 10 help;
// beyond the list, 11 the alarms' bell.
// Any other index gives an empty icon.
QIcon toolbarImage(int index);

// The unit sign beside the temperature: "°C" or "°F" in the given font and colour, rendered
// for the given device pixel ratio.
QPixmap unitSign(bool celsius, const QFont &font, const QColor &color, qreal devicePixelRatio);

// The program's icon: a thermometer beside a drop.
QIcon applicationIcon();

// The main window's faces: Arial and Times New Roman where installed, else their
// metric-compatible stand-ins.
QFont sansFont(int pointSize, bool bold = true);
QFont serifFont(int pointSize);

} // namespace dewscope::artwork
