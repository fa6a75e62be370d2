// dewscope-manual: turns one Markdown manual into the PDF that the help panel opens.
//
//   dewscope-manual [--subtitle TEXT] INPUT.md OUTPUT.pdf
//
// Runs at build time on the offscreen platform; exit status 0 on success, 1 on a failure
// (unreadable source, a source without a title or sections, a PDF that cannot be written),
// 2 on a usage error.

#include "ManualRenderer.h"
#include "ManualSource.h"

#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

using dewscope::manual::ManualRenderer;
using dewscope::manual::ManualSource;

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Build machines often have no session runtime folder; a private one keeps the build log
    // free of Qt's warning about it.
    std::unique_ptr<QTemporaryDir> runtimeDir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtimeDir = std::make_unique<QTemporaryDir>();
        if (runtimeDir->isValid())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir->path()));
    }
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Typesets a Markdown manual as an A4 PDF."));
    parser.addHelpOption();
    const QCommandLineOption subtitleOption(QStringLiteral("subtitle"),
                                            QStringLiteral("Text under the title."),
                                            QStringLiteral("TEXT"));
    parser.addOption(subtitleOption);
    parser.addPositionalArgument(QStringLiteral("input"), QStringLiteral("Markdown source."));
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("PDF to write."));
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        err << "usage: dewscope-manual [--subtitle TEXT] INPUT.md OUTPUT.pdf\n";
        return 2;
    }

    QFile input(args.at(0));
    if (!input.open(QIODevice::ReadOnly)) {
        err << "dewscope-manual: " << args.at(0) << ": " << input.errorString() << "\n";
        return 1;
    }
    const ManualSource source = ManualSource::parse(QString::fromUtf8(input.readAll()));
    if (source.title().isEmpty() || source.sections().isEmpty()) {
        err << "dewscope-manual: " << args.at(0)
            << ": needs a '# ' title and at least one '## ' section\n";
        return 1;
    }

    ManualRenderer renderer(source);
    renderer.setSubtitle(parser.value(subtitleOption));
    QString error;
    if (!renderer.render(args.at(1), &error)) {
        err << "dewscope-manual: " << args.at(1) << ": " << error << "\n";
        return 1;
    }
    return 0;
}
