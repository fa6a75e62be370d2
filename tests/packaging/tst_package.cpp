#include "app/Application.h"
#include "app/MainWindowText.h"
#include "cli/Command.h"
#include "tests/common/CommandRun.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace dewscope;

namespace {
// A manual page's source, with roff's escaped minus signs as plain ones.
QString manPage(const QString &name)
{
    QFile file(QStringLiteral(DEWSCOPE_MAN_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).replace(QLatin1String("\\-"), QLatin1String("-"));
}

// The long options a text names.
QStringList optionsIn(const QString &text)
{
    static const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
    QStringList names;
    for (const QRegularExpressionMatch &match : option.globalMatch(text))
        names << match.captured();
    names.removeDuplicates();
    return names;
}
} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void helpFolder_data()
    {
        QTest::addColumn<bool>("beside"); // a help folder beside the program
        QTest::addColumn<bool>("installed"); // a help folder in the share folder
        QTest::addColumn<bool>("fromShare"); // the manual is looked for in the share folder
        QTest::newRow("build tree") << true << false << false;
        QTest::newRow("unpacked over installed") << true << true << false;
        QTest::newRow("installed") << false << true << true;
        QTest::newRow("neither") << false << false << false;
    }
    // The help folder beside the program wins; the installed one serves otherwise. With
    // neither, the path stays beside the program, where a missing manual is passed over.
    void helpFolder()
    {
        QFETCH(bool, beside);
        QFETCH(bool, installed);
        QFETCH(bool, fromShare);
        QTemporaryDir root;
        const QString program = root.path() + QStringLiteral("/bin");
        const QString share = root.path() + QStringLiteral("/share/dewscope");
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(share));
        QVERIFY(!beside || QDir(program).mkdir(QStringLiteral("help")));
        QVERIFY(!installed || QDir(share).mkdir(QStringLiteral("help")));
        QCOMPARE(
            mainwindow::helpManualPath(program + QLatin1Char('/'), 2, share + QLatin1Char('/')),
            (fromShare ? share : program) + QStringLiteral("/help/VK38-SW-HELP-DE_V3.1.pdf"));
    }

    // Every command of dewscope-cli has its entry in dewscope-cli(1), and every option its
    // help names is described there.
    void cliManualPage()
    {
        const QString page = manPage(QStringLiteral("dewscope-cli.1"));
        QVERIFY(!page.isEmpty());
        for (const cli::Command &command : cli::commands()) {
            const QString name = QString::fromLatin1(command.name);
            const QRegularExpression entry(QStringLiteral("\\n\\.TP\\n(\\.B[IR]? |\\\\fB)") + name
                                           + QStringLiteral("\\b"));
            QVERIFY2(page.contains(entry), qPrintable(name + QStringLiteral(" has no entry")));
            test::CommandRun help({ name, QStringLiteral("--help") });
            QCOMPARE(help.code, 0);
            for (const QString &option : optionsIn(help.out()))
                QVERIFY2(page.contains(option), qPrintable(name + QLatin1Char(' ') + option));
        }
    }

    // Every option the program's --help lists is described in dewscope(1).
    void programManualPage()
    {
        const QString page = manPage(QStringLiteral("dewscope.1"));
        Application::Options options;
        QString help;
        QCOMPARE(Application::parseArguments(
                     { QStringLiteral("dewscope"), QStringLiteral("--help") }, &options, &help),
                 Application::Parse::Answered);
        const QStringList listed = optionsIn(help);
        QVERIFY(listed.contains(QStringLiteral("--port")));
        for (const QString &option : listed)
            QVERIFY2(page.contains(option), qPrintable(option));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
