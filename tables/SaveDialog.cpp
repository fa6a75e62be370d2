#include "tables/SaveDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>

namespace dewscope {

namespace {
struct DialogState
{
    QStringList nameFilters;
    QString selectedFilter;
    QString saveFileName;
    bool fileChosen = false;
};

DialogState &dialogState()
{
    static DialogState state;
    return state;
}
} // namespace

QString SaveDialog::run(QWidget *parent, RememberedFolders::Kind kind)
{
    DialogState &state = dialogState();
    state.fileChosen = false;
    // Shown without their last pattern list (HideNameFilterDetails), so the user reads
    // "Data Files (*.txt)" and "All Files (*.*)", while All Files lists every file, also the
    // names without a dot.
    state.nameFilters
        = { QStringLiteral("Data Files (*.txt) (*.txt)"), QStringLiteral("All Files (*.*) (*)") };
    state.selectedFilter = state.nameFilters.at(1);

    QPointer<QFileDialog> dialog = new QFileDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(state.nameFilters);
    dialog->selectNameFilter(state.selectedFilter);
    // A recording typed as "gui_rec" becomes "gui_rec.txt" before the overwrite question.
    if (kind == RememberedFolders::Recording)
        dialog->setDefaultSuffix(QStringLiteral("txt"));
    const QString folder = RememberedFolders::folder(kind);
    if (!folder.isEmpty())
        dialog->setDirectory(folder);
    const int result = dialog->exec();
    if (!dialog)
        return QString();
    const QStringList files = dialog->selectedFiles();
    delete dialog;
    if (result != QDialog::Accepted || files.isEmpty())
        return QString();
    const QString path = files.first();
    if (QFileInfo(path).fileName().isEmpty())
        return QString();
    RememberedFolders::remember(kind, path);
    state.saveFileName = path;
    state.fileChosen = true;
    return path;
}

QStringList SaveDialog::lastNameFilters()
{
    return dialogState().nameFilters;
}

QString SaveDialog::lastSelectedFilter()
{
    return dialogState().selectedFilter;
}

bool SaveDialog::fileChosen()
{
    return dialogState().fileChosen;
}

QString SaveDialog::saveFileName()
{
    return dialogState().saveFileName;
}

void SaveDialog::clearFileChosen()
{
    dialogState().fileChosen = false;
}

} // namespace dewscope
