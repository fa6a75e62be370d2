#include "cli/Command.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("hygrolog-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    hygrolog::cli::Io io { out, err };
    const int code = hygrolog::cli::runCommandLine(app.arguments().mid(1), io);
    out.flush();
    err.flush();
    return code;
}
