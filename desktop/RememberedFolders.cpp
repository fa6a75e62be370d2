#include "desktop/RememberedFolders.h"

#include "desktop/ProgramSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>

namespace dewscope {

namespace {

QString settingsKey(RememberedFolders::Kind kind)
{
    static const char *const keys[]
        = { "folders/open", "folders/save", "folders/recording", "folders/print" };
    return QString::fromLatin1(keys[kind]);
}

} // namespace

QString RememberedFolders::folder(Kind kind)
{
    const auto settings = ProgramSettings::open();
    if (!settings)
        return {};
    const QString folder = settings->value(settingsKey(kind)).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void RememberedFolders::remember(Kind kind, const QString &filePath)
{
    const auto settings = ProgramSettings::open();
    if (settings && !filePath.isEmpty())
        settings->setValue(settingsKey(kind), QFileInfo(filePath).absolutePath());
}

void RememberedFolders::offerPrintFile(QPrintDialog *dialog, const QString &documentName)
{
    // The dialog's box for the file name ("filename"); a dialog without one is left as it is.
    auto *box = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
    if (!box || !dialog->printer()->outputFileName().isEmpty())
        return;
    QString name = documentName;
    name.replace(QLatin1Char('/'), QLatin1Char(' '));
    name = name.simplified();
    if (name.contains(QLatin1Char('.')))
        name = QFileInfo(name).completeBaseName();
    if (name.isEmpty())
        name = QStringLiteral("print");
    QString folder = RememberedFolders::folder(Print);
    if (folder.isEmpty())
        folder = QFileInfo(box->text()).absolutePath();
    box->setText(QDir(folder).filePath(name + QStringLiteral(".pdf")));
}

void RememberedFolders::rememberPrintFile(const QPrinter *printer)
{
    if (printer->outputFormat() == QPrinter::PdfFormat)
        remember(Print, printer->outputFileName());
}

} // namespace dewscope
