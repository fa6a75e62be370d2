#pragma once

#include <QImage>
#include <QProcess>
#include <QString>

namespace dewscope::test {

// The first page of a PDF file rendered at dpi by poppler (an empty image when it fails).
inline QImage pdfPage(const QString &pdf, int dpi)
{
    QProcess::execute(QStringLiteral("pdftoppm"),
                      { "-r", QString::number(dpi), "-png", "-singlefile", pdf, pdf + "-page" });
    return QImage(pdf + "-page.png");
}

// The text of a PDF file as poppler reads it; with layout, each line as the page shows it.
inline QString pdfText(const QString &pdf, bool layout = false)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  layout ? QStringList { "-layout", pdf, "-" } : QStringList { pdf, "-" });
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace dewscope::test
