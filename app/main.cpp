#include "app/Application.h"
#include "app/Artwork.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dewscope"));
    QApplication::setApplicationVersion(QStringLiteral("10.02"));
    QApplication::setDesktopFileName(QStringLiteral("dewscope"));
    QApplication::setWindowIcon(dewscope::artwork::applicationIcon());
    // The port window's closing ends the program only through Application::finished.
    QApplication::setQuitOnLastWindowClosed(false);

    dewscope::Application::Options options;
    QString message;
    using Parse = dewscope::Application::Parse;
    const Parse parsed
        = dewscope::Application::parseArguments(QApplication::arguments(), &options, &message);
    if (parsed == Parse::Answered) {
        QTextStream(stdout) << message;
        return 0;
    }
    if (parsed == Parse::UsageError) {
        QTextStream(stderr) << message;
        return 2;
    }

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
