#pragma once

#include "ManualSource.h"

#include <QString>

namespace dewscope::manual {

// Typesets one manual as an A4 PDF: a title page with the title, the front matter and a table
// of contents with page numbers, then the body, each body page with a footer that carries the
// title and "page / pages".
class ManualRenderer
{
public:
    explicit ManualRenderer(const ManualSource &source);

    // Text under the title on the title page, e.g. the program name and version.
    void setSubtitle(const QString &subtitle) { m_subtitle = subtitle; }

    // Writes the PDF to path through a temporary file that replaces path only when the whole
    // document was written; on failure path is left as it was and error says why.
    bool render(const QString &path, QString *error) const;

private:
    ManualSource m_source;
    QString m_subtitle;
};

} // namespace dewscope::manual
