#include "alarms/AlarmLog.h"

#include <QFile>
#include <QFileInfo>

namespace dewscope {

void AlarmLog::setPath(const QString &path)
{
    if (path != m_path)
        m_failing = false;
    m_path = path;
}

AlarmLog::Outcome AlarmLog::append(const QString &line, QString *error)
{
    QString reason;
    const QFileInfo info(m_path);
    QFile file(m_path);
    if (m_path.isEmpty()) {
        reason = QStringLiteral("no log file is chosen");
    } else if (info.exists() && !info.isFile()) {
        reason = QStringLiteral("not a regular file");
    } else if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        reason = file.errorString();
    } else {
        const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
        if (file.write(bytes) != bytes.size() || !file.flush())
            reason = file.errorString();
        file.close();
        if (reason.isEmpty() && file.error() != QFileDevice::NoError)
            reason = file.errorString();
    }
    if (error)
        *error = reason;
    if (reason.isEmpty())
        return std::exchange(m_failing, false) ? Outcome::Recovered : Outcome::Written;
    return std::exchange(m_failing, true) ? Outcome::StillFailing : Outcome::Failed;
}

} // namespace dewscope
