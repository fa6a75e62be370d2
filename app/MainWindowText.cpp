#include "app/MainWindowText.h"

#include <QFileInfo>

#include <cmath>

namespace dewscope::mainwindow {

namespace {
const QString releaseDate = QStringLiteral("2018-02-02.1");
}

QString caption()
{
    return QStringLiteral("Panel V10.02");
}

QString captionWithRelease()
{
    return caption() + QStringLiteral("   ") + releaseDate;
}

QString toggledCaption(const QString &current)
{
    return current.contains(releaseDate) ? caption() : captionWithRelease();
}

QString portLabel(int comPortNumber)
{
    return QStringLiteral("COM") + QString::number(comPortNumber);
}

QString helpManualFile(int option)
{
    static const char *const languages[HelpLanguageCount] = { "EN", "BPT", "DE", "ES", "FR", "IT" };
    if (option < 0 || option >= HelpLanguageCount)
        return {};
    return QStringLiteral("VK38-SW-HELP-%1_V3.1.pdf").arg(QLatin1String(languages[option]));
}

QString installedDataDir()
{
    return QStringLiteral(DEWSCOPE_DATA_DIR);
}

QString dataFolder(const QString &programDir, const QString &name, const QString &dataDir)
{
    const auto trimmed = [](QString dir) {
        while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
            dir.chop(1);
        return dir;
    };
    const QString beside = trimmed(programDir) + QLatin1Char('/') + name;
    if (QFileInfo(beside).isDir())
        return beside;
    const QString installed = trimmed(dataDir) + QLatin1Char('/') + name;
    return QFileInfo(installed).isDir() ? installed : beside;
}

QString helpManualPath(const QString &programDir, int option, const QString &dataDir)
{
    const QString file = helpManualFile(option);
    if (file.isEmpty())
        return {};
    return dataFolder(programDir, QStringLiteral("help"), dataDir) + QLatin1Char('/') + file;
}

int twipsToPixels(int twips, double dotsPerInch)
{
    if (!(dotsPerInch > 0))
        dotsPerInch = 96;
    return int(std::lround(twips * dotsPerInch / 1440.0));
}

bool isSetKeyAccepted(int key, const QString &text)
{
    // Backspace, Delete and the keys that move in the box mend a typo; Enter loads the set.
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        break;
    }
    return text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9');
}

ShownTexts shownTexts(const ReadingTexts &texts, bool celsiusMode)
{
    if (celsiusMode)
        return { texts.tempC, texts.dewC, texts.wetC, texts.rh };
    return { texts.tempF, texts.dewF, texts.wetF, texts.rh };
}

} // namespace dewscope::mainwindow
