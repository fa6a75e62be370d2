#include "app/Application.h"
#include "app/Artwork.h"
#include "desktop/ProgramSettings.h"

#include <QApplication>
#include <QTextStream>

#include <csignal>

int main(int argc, char *argv[])
{
    // A file-size limit makes a write fail like a full disk (the recorder reports it and tries
    // again) instead of killing the program with a row half written.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication::setApplicationName(QStringLiteral("Dewscope"));
    QCoreApplication::setApplicationVersion(QStringLiteral("10.02"));

    // The command line is read before any window system is needed, so --help and --version
    // answer on a terminal with no display.
    dewscope::Application::Options options;
    QString message;
    using Parse = dewscope::Application::Parse;
    Parse parsed;
    {
        QCoreApplication reader(argc, argv);
        parsed = dewscope::Application::parseArguments(QCoreApplication::arguments(), &options,
                                                       &message);
    }
    if (parsed == Parse::Answered) {
        QTextStream(stdout) << message;
        return 0;
    }
    if (parsed == Parse::UsageError) {
        QTextStream(stderr) << message;
        return 2;
    }

    QApplication app(argc, argv);
    // The folders of the file dialogs and the summary's limits are kept between runs here.
    dewscope::ProgramSettings::name(QStringLiteral("Dewscope"), QStringLiteral("dewscope"));
    QApplication::setDesktopFileName(QStringLiteral("dewscope"));
    QApplication::setWindowIcon(dewscope::artwork::applicationIcon());
    // The port window's closing ends the program only through Application::finished.
    QApplication::setQuitOnLastWindowClosed(false);

    dewscope::Application program(options);
    QObject::connect(&program, &dewscope::Application::finished, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    QString error;
    if (!program.start(&error)) {
        QTextStream(stderr) << error << '\n';
        return 1;
    }
    return app.exec();
}
