#include "cli/Command.h"

#include <QGuiApplication>

#include <cstring>
#include <memory>

int main(int argc, char *argv[])
{
    // plot and print draw text, which needs the Gui application; they show nothing, so they never
    // need a display, whatever platform the environment names.
    std::unique_ptr<QCoreApplication> application;
    if (argc > 1
        && (std::strcmp(argv[1], "plot") == 0 || std::strcmp(argv[1], "print") == 0
            || std::strcmp(argv[1], "report") == 0)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication &app = *application;
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
