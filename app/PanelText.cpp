#include "app/PanelText.h"

#include <cmath>

namespace dewscope::panel {

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

QString helpManualPath(const QString &programDir, int option)
{
    const QString file = helpManualFile(option);
    if (file.isEmpty())
        return {};
    QString dir = programDir;
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir + QStringLiteral("/help/") + file;
}

int twipsToPixels(int twips, double dotsPerInch)
{
    if (!(dotsPerInch > 0))
        dotsPerInch = 96;
    return int(std::lround(twips * dotsPerInch / 1440.0));
}

bool isSetKeyAccepted(int key, const QString &text)
{
    if (key == Qt::Key_Backspace || key == Qt::Key_Return || key == Qt::Key_Enter)
        return true;
    return text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9');
}

ShownTexts shownTexts(const ReadingTexts &texts, bool celsiusMode)
{
    if (celsiusMode)
        return { texts.tempC, texts.dewC, texts.wetC, texts.rh };
    return { texts.tempF, texts.dewF, texts.wetF, texts.rh };
}

} // namespace dewscope::panel
