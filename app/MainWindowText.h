#pragma once

#include "meter/ReadingTexts.h"

#include <QString>

namespace dewscope {

// Texts and measures of the main window that do not need a window to be worked out.
namespace mainwindow {

// The window caption, and the caption with the release date that a click on the port label
// toggles to.
QString caption();
QString captionWithRelease();
// The caption a click on the port label gives: back to the plain caption when the release date
// is showing, otherwise the caption with the date.
QString toggledCaption(const QString &current);

// The port label for an open port: "COM" and the number without a blank (COM3).
QString portLabel(int comPortNumber);

// The share folder of an installed program (e.g. /usr/share/dewscope).
QString installedDataDir();
// A folder of the program's data: the folder of that name beside the program (a build tree or an
// unpacked tree) when there is one, otherwise the one in dataDir. Without a trailing slash.
QString dataFolder(const QString &programDir, const QString &name,
                   const QString &dataDir = installedDataDir());

// The help manual of a language option (0 English, 1 Portuguese, 2 German, 3 Spanish,
// 4 French, 5 Italian): file name, and its path in the program's help folder. Empty for an
// index outside 0-5.
constexpr int HelpLanguageCount = 6;
QString helpManualFile(int option);
QString helpManualPath(const QString &programDir, int option,
                       const QString &dataDir = installedDataDir());

// Window heights in twips with the memory panel hidden and shown.
constexpr int HeightWithoutMemoryTwips = 5190;
constexpr int HeightWithMemoryTwips = 6585;
// Twips (1/1440 inch) to pixels at a given number of pixels per inch (15 twips per pixel at 96).
int twipsToPixels(int twips, double dotsPerInch);

// The set number box takes the digits 0 to 9, Backspace, Delete, Left, Right, Home, End and
// Enter; every other key is dropped.
// key is a Qt::Key value, text the text the key press would type.
bool isSetKeyAccepted(int key, const QString &text);

// What the four value labels show for the chosen unit.
struct ShownTexts
{
    QString temperature;
    QString dew;
    QString wet;
    QString humidity;
};
ShownTexts shownTexts(const ReadingTexts &texts, bool celsiusMode);

} // namespace mainwindow
} // namespace dewscope
