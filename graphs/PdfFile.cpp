#include "graphs/PdfFile.h"

#include <QCoreApplication>
#include <QPagedPaintDevice>
#include <QPdfWriter>

namespace dewscope {

PdfFile::PdfFile(const QString &target, const QStringList &inputs)
    : m_output(target, inputs)
{
}

PdfFile::~PdfFile() = default;

bool PdfFile::open(const QPagedPaintDevice *likePage)
{
    if (!m_output.open()) {
        m_error = m_output.errorString();
        return false;
    }
    m_writer = std::make_unique<QPdfWriter>(m_output.device());
    m_writer->setCreator(QCoreApplication::applicationName());
    if (likePage) {
        m_writer->setResolution(likePage->logicalDpiX());
        m_writer->setPageLayout(likePage->pageLayout());
    }
    return true;
}

bool PdfFile::finish(bool drawn)
{
    // The writer ends the document as it goes; every byte it wrote was checked on the way.
    m_writer.reset();
    if (!drawn) {
        // A write that failed under the painter is the reason it failed.
        const bool cut = m_output.writeFailed();
        m_output.abandon();
        m_error = cut ? m_output.errorString()
                      : QCoreApplication::translate("PdfFile",
                                                    "%1 was not written: the document could not "
                                                    "be drawn.")
                            .arg(m_output.target());
        return false;
    }
    if (!m_output.commit()) {
        m_error = m_output.errorString();
        return false;
    }
    return true;
}

} // namespace dewscope
