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
    const int code = dewscope::cli::runCommandLine(app.arguments().mid(1), io);
    out.flush();
    err.flush();
    return code;
}
