#pragma once

#include <QSaveFile>
#include <QString>
#include <QStringList>

namespace dewscope {

// A whole-file output (a saved table, a PDF, a picture, a memory image): written to a temporary
// file in the target's folder and renamed over the target only once it is complete, so that a
// failure leaves whatever was there untouched. A target that exists is replaced only when it is
// a regular file the user may write; a device, a FIFO, a folder, or a file that is one of the
// inputs (the same device and inode) is refused before anything is written.
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
    QIODevice *device() { return &m_file; }
    // Renames the complete temporary file over the target; false with errorString(), and then
    // the target is as it was.
    bool commit();
    // Drops the temporary file; the target is as it was.
    void cancel();
    // Right after a write into device() failed or was cut short: keeps the system's reason for
    // errorString() and drops the temporary file (a short write leaves no error behind, so
    // committing would keep a cut file).
    void abandon();

    QString target() const { return m_target; }
    // The reason of the last failure, with the system's own words where it gave one.
    QString errorString() const { return m_error; }

private:
    QString m_target;
    QStringList m_inputs;
    QSaveFile m_file;
    QString m_error;
};

} // namespace dewscope
