#pragma once

#include <QString>
#include <QStringList>

namespace dewscope::manual {

// A manual's Markdown text cut into the parts the PDF is built from: the level-1 heading is the
// title of the title page, the text between it and the first level-2 heading is printed on the
// title page under it, and everything from the first level-2 heading on is the body, whose
// level-2 headings make the table of contents.
class ManualSource
{
public:
    static ManualSource parse(const QString &markdown);

    QString title() const { return m_title; }
    QString frontMatter() const { return m_frontMatter; }
    QString body() const { return m_body; }
    QStringList sections() const { return m_sections; }

    // Level of an ATX heading line ("## Text" gives 2), 0 for any other line. Lines inside
    // fenced code blocks are the caller's business.
    static int headingLevel(const QString &line);
    static QString headingText(const QString &line);

private:
    QString m_title;
    QString m_frontMatter;
    QString m_body;
    QStringList m_sections;
};

} // namespace dewscope::manual
