#pragma once

#include "recording/CheckedWrites.h"

#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <optional>

namespace dewscope {

// A whole-file output (a saved table, a PDF, a picture, a memory image): written to a temporary
// file in the target's folder and renamed over the target only once it is complete, so that a
// failure leaves whatever was there untouched. A target that exists is replaced only when it is
// a regular file the user may write; a device, a FIFO, a folder, or a file that is one of the
// inputs (the same device and inode) is refused before anything is written. Every write is
// checked, and before the rename the bytes on disk must be the bytes written: a write cut short
// (a full disk, a file size limit) fails with the system's reason and replaces nothing.
class OutputFile
{
public:
    // inputs: the files the output is made from; the output may not be one of them.
    explicit OutputFile(const QString &target, const QStringList &inputs = {});
    ~OutputFile();

    // Why target cannot be written as a whole-file output, or an empty text when it can (its
    // folder included, so that a long job can be refused before it starts).
    static QString whyNotWritable(const QString &target, const QStringList &inputs = {});
    // The target's own part of that rule, for a file written in place (a recording): an empty
    // text when it is missing or a regular file someone may write.
    static QString whyNotWritableInPlace(const QString &target);
    // True when both paths name one existing file (the same device and inode).
    static bool isSameFile(const QString &a, const QString &b);

    // Checks the target and opens the temporary file beside it; false with errorString().
    bool open();
    // Where the writer writes, once open.
    QIODevice *device() { return m_checked ? &*m_checked : nullptr; }
    // Renames the complete temporary file over the target; false with errorString(), and then
    // the target is as it was.
    bool commit();
    // As commit(), but never replaces a file: the complete file takes the target's name only
    // if no file holds it at that moment, else the first free name of TARGET.new, TARGET.new.1,
    // TARGET.new.2, ... by the same rule. placedAt: the name it took.
    bool commitBeside(QString *placedAt);
    // Drops the temporary file; the target is as it was.
    void cancel();
    // Right after a write into device() failed or was cut short, or a writer into it failed:
    // keeps the reason for errorString() (the system's where a write failed, else why) and
    // drops the temporary file.
    void abandon(const QString &why = QString());

    // True once a write into device() was cut short or failed.
    bool writeFailed() const { return m_checked && m_checked->failed(); }
    QString target() const { return m_target; }
    // The reason of the last failure, with the system's own words where it gave one.
    QString errorString() const { return m_error; }

private:
    // The checks before a rename: every write whole, the buffer flushed, the bytes on disk
    // those written. False (with the reason kept and the temporary file dropped) otherwise.
    bool whole();
    bool place(const QString &name, bool *taken);

    QString m_target;
    QStringList m_inputs;
    QSaveFile m_file;
    std::optional<CheckedWrites> m_checked;
    QString m_error;
};

} // namespace dewscope
