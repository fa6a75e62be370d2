#include "cli/Command.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QtMessageHandler g_previousHandler = nullptr;

// Without a desktop session there is no runtime folder; nothing here needs one, so Qt's notice
// of it is dropped. Every other message goes on as before.
void dropMissingRuntimeFolderNotice(QtMsgType type, const QMessageLogContext &context,
                                    const QString &message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char *argv[])
{
    // A file-size limit makes a write fail like a full disk, reported as such, instead of
    // killing the program with a row half written.
    std::signal(SIGXFSZ, SIG_IGN);
    g_previousHandler = qInstallMessageHandler(dropMissingRuntimeFolderNotice);
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
