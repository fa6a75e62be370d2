#pragma once

#include "recording/OutputFile.h"

#include <QPageLayout>
#include <QString>
#include <QStringList>

#include <memory>

class QPagedPaintDevice;
class QPdfWriter;

namespace dewscope {

// A PDF document written whole or not at all: a QPdfWriter over an OutputFile, so that the
// target is replaced only once the document is complete and a failure leaves it as it was.
class PdfFile
{
public:
    explicit PdfFile(const QString &target, const QStringList &inputs = {});
    ~PdfFile();

    // Checks the target and opens the writer, with the page setup and resolution of likePage
    // when given (a printer whose dialog chose "Print to File"); false with errorString().
    bool open(const QPagedPaintDevice *likePage = nullptr);
    // What the document is painted on, once open.
    QPdfWriter *writer() { return m_writer.get(); }
    // Once the document is painted: drawn, it replaces the target; otherwise it is dropped.
    // False with errorString() when the target was not replaced.
    bool finish(bool drawn);
    QString errorString() const { return m_error; }

private:
    OutputFile m_output;
    std::unique_ptr<QPdfWriter> m_writer;
    QString m_error;
};

} // namespace dewscope
