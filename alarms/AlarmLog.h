#pragma once

#include <QString>

namespace dewscope {

// The alarm log: one line per event appended to a file, flushed as it is written and never
// truncated. Each line opens the file afresh, so a log moved or rotated meanwhile is written
// anew. Only a regular file (or none yet) is written to.
class AlarmLog
{
public:
    enum class Outcome {
        Written,
        Failed, // the first line that could not be written since the last that could
        StillFailing,
        Recovered, // written, after lines that could not be
    };

    explicit AlarmLog(const QString &path = QString())
        : m_path(path)
    {
    }

    void setPath(const QString &path);
    QString path() const { return m_path; }
    bool isFailing() const { return m_failing; }

    // Appends text and a line end; *error says why it failed.
    Outcome append(const QString &line, QString *error = nullptr);

private:
    QString m_path;
    bool m_failing = false;
};

} // namespace dewscope
