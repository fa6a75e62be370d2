#pragma once

#include "recording/DataFileReader.h"

#include <QCryptographicHash>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>

namespace dewscope {

class RecordTableModel;

// Loads a data file into a record grid: each item of the list-input reader becomes one row,
// split at TABs into the nine cells. The file is read in slices, each a turn of the event loop
// bounded in items, in time and in bytes looked at per step, so a huge or binary file keeps the
// window responsive and is read in bounded memory. The caption shows "n Records Completed"
// at least once per slice and the file title at the end. Loading stops when the grid is gone
// (its window was closed or reopened). When the grid is full the rest of the file is still
// read, only to count the rows left out; those and the cells cut to the grid's cell length
// are what cutNotice() tells the user. A file most of whose rows have no time of day in their
// second cell does not look like a data file: notice() says so too.
class FileLoader : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultSliceItems = 4000;
    static constexpr int DefaultSliceMs = 10;
    static constexpr qint64 ByteBudget = 16 * 1024;

    FileLoader(RecordTableModel *model, const QString &path, QObject *parent = nullptr);
    ~FileLoader() override;

    void setSliceLimits(int items, int milliseconds);

    // Opens the file and starts loading. Returns false when it cannot be opened;
    // finished(false, ...) is emitted then too, after the caption went back to the title.
    bool start();
    bool isRunning() const { return m_running; }
    int rowsLoaded() const { return m_count; }
    // Items of the file that did not fit in the grid, and cells cut to the cell length.
    qint64 rowsLeftOut() const { return m_leftOut; }
    qint64 cellsCut() const { return m_cellsCut; }
    // What was left out or cut, for the user; empty when the whole file is shown.
    QString cutNotice() const;
    // Rows loaded whose second cell holds no time "hh:mm:ss".
    int rowsWithoutTime() const { return m_untimed; }
    // Once loaded: that the file does not look like a data file, when more than half of its
    // rows have no time, and what was left out or cut; empty when there is nothing to say.
    QString notice() const;
    QString fileTitle() const;

Q_SIGNALS:
    void captionChanged(const QString &caption);
    void finished(bool ok, const QString &error);

private:
    void slice();
    void finish(bool ok, const QString &error);

    QPointer<RecordTableModel> m_model;
    QFile m_file;
    std::unique_ptr<DataFileReader> m_reader;
    QCryptographicHash m_hash { QCryptographicHash::Sha256 };
    QTimer m_timer;
    int m_sliceItems = DefaultSliceItems;
    int m_sliceMs = DefaultSliceMs;
    int m_count = 0;
    int m_untimed = 0;
    qint64 m_leftOut = 0;
    qint64 m_cellsCut = 0;
    bool m_running = false;
};

} // namespace dewscope
