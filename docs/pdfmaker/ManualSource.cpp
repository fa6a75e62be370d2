#include "ManualSource.h"

namespace dewscope::manual {

namespace {
bool isFence(const QString &line)
{
    const QString t = line.trimmed();
    return t.startsWith(QLatin1String("```")) || t.startsWith(QLatin1String("~~~"));
}
} // namespace

int ManualSource::headingLevel(const QString &line)
{
    // At most three leading blanks, one to six '#', then a blank or the end of the line.
    int i = 0;
    while (i < line.size() && i < 3 && line.at(i) == QLatin1Char(' '))
        ++i;
    int level = 0;
    while (i < line.size() && line.at(i) == QLatin1Char('#')) {
        ++level;
        ++i;
    }
    if (level == 0 || level > 6)
        return 0;
    if (i < line.size() && line.at(i) != QLatin1Char(' ') && line.at(i) != QLatin1Char('\t'))
        return 0;
    return level;
}

QString ManualSource::headingText(const QString &line)
{
    QString t = line.trimmed();
    while (t.startsWith(QLatin1Char('#')))
        t.remove(0, 1);
    t = t.trimmed();
    // A closing sequence of '#' belongs to the syntax, not to the text.
    while (t.endsWith(QLatin1Char('#')))
        t.chop(1);
    return t.trimmed();
}

ManualSource ManualSource::parse(const QString &markdown)
{
    ManualSource source;
    QString text = markdown;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList lines = text.split(QLatin1Char('\n'));

    enum Part { BeforeTitle, Front, Body } part = BeforeTitle;
    QStringList front;
    QStringList body;
    bool inFence = false;
    for (const QString &line : lines) {
        if (isFence(line))
            inFence = !inFence;
        const int level = inFence || isFence(line) ? 0 : headingLevel(line);
        if (level == 1 && source.m_title.isEmpty() && part != Body) {
            source.m_title = headingText(line);
            part = Front;
            continue;
        }
        if (level == 2) {
            part = Body;
            source.m_sections.append(headingText(line));
        }
        switch (part) {
        case BeforeTitle:
        case Front:
            front.append(line);
            break;
        case Body:
            body.append(line);
            break;
        }
    }
    source.m_frontMatter = front.join(QLatin1Char('\n')).trimmed();
    source.m_body = body.join(QLatin1Char('\n')).trimmed();
    return source;
}

} // namespace dewscope::manual
