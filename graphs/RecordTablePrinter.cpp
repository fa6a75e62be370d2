#include "graphs/RecordTablePrinter.h"

#include "tables/PrintLayout.h"
#include "tables/RecordTableModel.h"

#include <QElapsedTimer>
#include <QFont>

namespace dewscope {

namespace {

QFont printFont()
{
    // Arial's measures, or a font with the same widths where it is missing.
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(PrintLayout::FontSize);
    return font;
}

} // namespace

RecordTablePrinter::RecordTablePrinter(RecordTableModel *model, QPagedPaintDevice *device,
                                       QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_device(device)
    , m_surface(printFont())
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &RecordTablePrinter::slice);
}

// A document still open is ended by the surface as it goes.
RecordTablePrinter::~RecordTablePrinter() = default;

void RecordTablePrinter::setSliceLimits(int rows, int milliseconds)
{
    m_sliceRows = qMax(1, rows);
    m_sliceMs = qMax(1, milliseconds);
}

bool RecordTablePrinter::start()
{
    if (m_running)
        return false;
    if (!m_model || !m_device || !m_surface.beginDocument(m_device)) {
        Q_EMIT finished(false, tr("The printer could not be started."));
        return false;
    }
    m_running = true;
    m_page = 1;
    m_next = 1;
    printPageNumber();
    m_y = PrintLayout::Top;
    printPageBreak(&m_y, PrintLayout::LineHeight, PrintLayout::Top);
    for (int c = 0; c < RecordTableModel::ColumnCount; ++c)
        printAt(PrintLayout::columnX(c), m_y, PrintLayout::headerTexts().at(c));
    printPageBreak(&m_y, PrintLayout::LineHeight, PrintLayout::Top);
    printAt(PrintLayout::LeftMargin, m_y, PrintLayout::rule());
    m_timer.start();
    return true;
}

bool RecordTablePrinter::printPageBreak(int *y, int lineHeight, int top)
{
    if (!PrintLayout::pageIsFull(*y)) {
        *y += lineHeight;
        return true;
    }
    if (!m_surface.newPage())
        return false;
    ++m_page;
    printPageNumber();
    *y = lineHeight + top;
    for (int c = 0; c < RecordTableModel::ColumnCount; ++c)
        printAt(PrintLayout::columnX(c), *y, PrintLayout::headerTexts().at(c));
    *y += lineHeight;
    printAt(PrintLayout::LeftMargin, *y, PrintLayout::rule());
    *y += lineHeight;
    return true;
}

void RecordTablePrinter::printPageNumber()
{
    printAt(PrintLayout::pageNumberX(m_surface.scaleWidth()), PrintLayout::PageNumberY,
            PrintLayout::pageNumberText(m_page));
}

void RecordTablePrinter::printAt(double x, double y, const QString &text)
{
    m_surface.setCurrentX(x);
    m_surface.setCurrentY(y);
    m_surface.print(text);
}

void RecordTablePrinter::slice()
{
    if (!m_running)
        return;
    QElapsedTimer clock;
    clock.start();
    int inSlice = 0;
    bool done = false;
    while (inSlice < m_sliceRows && clock.elapsed() < m_sliceMs) {
        if (!m_model) {
            finish(false, tr("The table was closed while it was being printed."));
            return;
        }
        // Read again at every row: the recorder may have appended some meanwhile.
        if (m_next > m_model->rows() - 1) {
            done = true;
            break;
        }
        if (!printPageBreak(&m_y, PrintLayout::LineHeight, PrintLayout::Top)) {
            finish(false, tr("The printer refused page %1.").arg(m_page + 1));
            return;
        }
        const QStringList cells = m_model->rowCells(m_next);
        for (int c = 0; c < cells.size(); ++c)
            printAt(PrintLayout::columnX(c), m_y, cells.at(c));
        ++m_next;
        ++inSlice;
    }
    if (inSlice > 0)
        Q_EMIT captionChanged(QString::number(m_next - 1) + QLatin1String(" record(s) completed"));
    if (done)
        finish(true, QString());
    else
        m_timer.start();
}

void RecordTablePrinter::finish(bool ok, const QString &error)
{
    m_running = false;
    m_timer.stop();
    if (!ok)
        Q_EMIT abandoning();
    const bool ended = m_surface.endDocument();
    if (ok && !ended) {
        Q_EMIT finished(false, tr("The printer failed at the end of the document."));
        return;
    }
    Q_EMIT finished(ok, error);
}

} // namespace dewscope
