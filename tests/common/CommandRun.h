#pragma once

#include "cli/Command.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace dewscope::test {

// One dewscope-cli command line run in-process: its exit code and what it printed on each
// stream. out() may be read while a long command still runs (from a timer).
class CommandRun
{
public:
    CommandRun() = default;
    explicit CommandRun(const QStringList &args) { exec(args); }

    int exec(const QStringList &args) { return code = cli::runCommandLine(args, m_io); }
    QString out() { return m_outStream.flush(), m_out; }
    QString err() { return m_errStream.flush(), m_err; }

    int code = -1;

private:
    QString m_out;
    QString m_err;
    QTextStream m_outStream { &m_out };
    QTextStream m_errStream { &m_err };
    cli::Io m_io { m_outStream, m_errStream };
};

} // namespace dewscope::test
