#include "cli/Command.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char *argv[])
{
    // "print" needs fonts, so a window-less Gui application on no display.
    std::unique_ptr<QCoreApplication> gui;
    if (argc > 1 && std::strcmp(argv[1], "print") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        gui = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        gui = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication &app = *gui;
    QCoreApplication::setApplicationName(QStringLiteral("dewscope-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    dewscope::cli::Io io { out, err };
    const int code = dewscope::cli::runCommandLine(app.arguments().mid(1), io);
    out.flush();
    err.flush();
    return code;
}
