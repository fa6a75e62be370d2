#include "cli/Command.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dewscope-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    dewscope::cli::Io io { out, err };
    const QStringList args = app.arguments().mid(1);
    if (args == QStringList { QStringLiteral("--version") }) {
        out << "dewscope-cli " << DEWSCOPE_VERSION << '\n';
        return dewscope::cli::Success;
    }
    const int code = dewscope::cli::runCommandLine(args, io);
    out.flush();
    err.flush();
    return code;
}
