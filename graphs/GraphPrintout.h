#pragma once

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>

class QPagedPaintDevice;

namespace dewscope {

class RecordTableModel;
struct DataPlotState;

// A graph window on paper: one page with a heading line (what it is, where its records come
// from, when it was printed) and under it the window's picture as wide as the printable area
// allows, and no taller than the rest of the page.
class GraphPrintout
{
public:
    // source: a data file's name, "memory set N" or "live".
    GraphPrintout(const QString &what, const QString &source,
                  const QDateTime &when = QDateTime::currentDateTime());

    // "Plot Data/File: data.txt, 2024-05-17 14:03:09".
    QString heading() const;

    // The data plot drawn anew at the printer's resolution: the frame and the span's curves as a
    // client area of clientSize pixels lays them out, scaled onto the page. The state is not
    // changed. False when the printer failed or the table lacks rows of the span.
    bool printPlot(QPagedPaintDevice *device, const DataPlotState &state,
                   const RecordTableModel *table, const QSize &clientSize) const;
    // A window's image, each of its pixels a whole number of printer dots, without loss.
    bool printImage(QPagedPaintDevice *device, const QImage &image) const;

private:
    QString m_what;
    QString m_source;
    QDateTime m_when;
};

} // namespace dewscope
