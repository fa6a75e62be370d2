#include "app/MainToolbarCommands.h"

#include "app/MainWindow.h"
#include "desktop/ProgramSettings.h"
#include "desktop/ShortcutTip.h"
#include "graphs/RecordTablePrintJob.h"
#include "meter/Poll.h"
#include "recording/DataFile.h"
#include "recording/Recorder.h"
#include "tables/FileListWindow.h"
#include "tables/FileLoader.h"
#include "tables/RecordTableModel.h"
#include "tables/RecordWindows.h"
#include "tables/SaveDialog.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScopedValueRollback>

namespace dewscope {

const QString MainToolbarCommands::OpenRefusal = QStringLiteral("Recording Mode!")
    + QStringLiteral("\n\r") + QStringLiteral("Please stop recording!");
const QString MainToolbarCommands::RecStyle = QStringLiteral("color: #ff5050;");
const QString MainToolbarCommands::RecFailingStyle
    = QStringLiteral("color: black; background-color: #ffb000; padding: 0 4px;");
const QString MainToolbarCommands::NineFieldsKey = QStringLiteral("recording/nineFields");
const QString MainToolbarCommands::SampleTitle = QStringLiteral("Input Sampling Time");
const QString MainToolbarCommands::SamplePrompt
    = QStringLiteral("Enter the SAMPLING TIME in seconds") + QStringLiteral("\r\n")
    + QStringLiteral("(1 <= t <= 86400 ) ");

MainToolbarCommands::MainToolbarCommands(Recorder *recorder, RecordWindows *windows,
                                         QWidget *mainWindow, QObject *parent)
    : QObject(parent)
    , m_recorder(recorder)
    , m_windows(windows)
    , m_mainWindow(mainWindow)
{
    connect(recorder, &Recorder::labelsChanged, this, &MainToolbarCommands::showLabels);
    connect(recorder, &Recorder::recordingStarted, this, &MainToolbarCommands::showRecordButton);
    connect(recorder, &Recorder::recordingStopped, this, &MainToolbarCommands::showRecordButton);
    connect(recorder, &Recorder::fileListRowAppended, windows, &RecordWindows::appendToFileList);
    connect(recorder, &Recorder::listRowAppended, windows, &RecordWindows::appendToList);
}

MainToolbarCommands *MainToolbarCommands::attach(MainWindow *mainWindow)
{
    auto *windows = new RecordWindows(mainWindow->recorder(), mainWindow, mainWindow);
    auto *commands
        = new MainToolbarCommands(mainWindow->recorder(), windows, mainWindow, mainWindow);
    commands->setRecordButton(mainWindow->toolbarButton(1), mainWindow->stopImage(),
                              mainWindow->saveImage());
    commands->setLabels(mainWindow->lblRec(), mainWindow->lblCount(), mainWindow->lblFileName());
    commands->addNineFieldsSetting(mainWindow);
    if (mainWindow->poll())
        commands->watchPoll(mainWindow->poll());
    connect(mainWindow, &MainWindow::commandRequested, commands, &MainToolbarCommands::runCommand);
    connect(windows, &RecordWindows::keyClicked, commands,
            [commands, mainWindow](RecordWindow *window, const QString &key) {
                if (key == QLatin1String("Print"))
                    commands->printTable(window, mainWindow->poll());
            });
    return commands;
}

RecordWindows *MainToolbarCommands::windows() const
{
    return m_windows;
}

FileLoader *MainToolbarCommands::fileLoader() const
{
    return m_loader;
}

void MainToolbarCommands::setRecordButton(QAction *button, const QIcon &stopImage,
                                          const QIcon &saveImage)
{
    m_button = button;
    m_stopImage = stopImage;
    m_saveImage = saveImage;
}

void MainToolbarCommands::setLabels(QLabel *rec, QLabel *count, QLabel *fileName)
{
    m_lblRec = rec;
    m_lblCount = count;
    m_lblFileName = fileName;
}

void MainToolbarCommands::addNineFieldsSetting(QWidget *mainWindow)
{
    const auto settings = ProgramSettings::open();
    m_nineFields = new QAction(tr("Record nine fields, without the date and time"), this);
    m_nineFields->setObjectName(QStringLiteral("NineFieldsAction"));
    m_nineFields->setCheckable(true);
    m_nineFields->setChecked(settings && settings->value(NineFieldsKey, false).toBool());
    mainWindow->addAction(m_nineFields);
    mainWindow->setContextMenuPolicy(Qt::ActionsContextMenu);
    const auto apply = [this] {
        // A recording under way keeps the layout it began with.
        if (m_recorder && !m_recorder->isRecording())
            m_recorder->setNineFields(m_nineFields->isChecked());
    };
    apply();
    connect(m_nineFields, &QAction::toggled, this, [apply](bool nine) {
        if (const auto settings = ProgramSettings::open())
            settings->setValue(NineFieldsKey, nine);
        apply();
    });
}

void MainToolbarCommands::watchPoll(Poll *poll)
{
    if (m_recorder)
        m_recorder->watchPoll(poll);
    connect(poll, &Poll::meterSilent, this, &MainToolbarCommands::closeRealTimeList);
}

RecordTablePrintJob *MainToolbarCommands::printJob() const
{
    return m_printJob;
}

void MainToolbarCommands::printTable(RecordWindow *window, Poll *poll)
{
    if (m_printJob || !window)
        return;
    m_printJob = new RecordTablePrintJob(window, poll, m_mainWindow, this);
    connect(m_printJob, &RecordTablePrintJob::finished, m_printJob, &QObject::deleteLater);
    m_printJob->start();
}

void MainToolbarCommands::showLabels()
{
    if (!m_recorder)
        return;
    if (m_lblFileName)
        m_lblFileName->setText(m_recorder->fileNameLabel());
    if (m_lblCount)
        m_lblCount->setText(m_recorder->countLabel());
    if (m_lblRec) {
        m_lblRec->setText(m_recorder->recLabel());
        m_lblRec->setVisible(m_recorder->isRecLabelVisible());
        // No message box in the tick: while the writes fail, "Rec" turns to a warning look
        // and its tooltip says why and how many samples are missing from the file.
        const bool failing = m_recorder->isRecording() && m_recorder->isWriteFailing();
        // A silent meter: "Rec" turns to "Paused", as nothing is recorded until it sends again.
        const bool silent = m_recorder->isRecording() && m_recorder->isMeterSilent();
        if (silent)
            m_lblRec->setText(tr("Paused"));
        m_lblRec->setStyleSheet(failing || silent ? RecFailingStyle : RecStyle);
        m_lblRec->setToolTip(
            failing ? tr("Records cannot be written to the file: %1\n"
                         "Samples missed so far: %2. Recording goes on when writing works "
                         "again.")
                          .arg(m_recorder->writeError())
                          .arg(m_recorder->samplesMissed())
                : silent ? tr("The meter is silent: no samples are recorded until it sends "
                              "again.")
                         : QString());
    }
}

void MainToolbarCommands::showRecordButton()
{
    if (!m_button || !m_recorder)
        return;
    const bool recording = m_recorder->isRecording();
    m_button->setIcon(recording ? m_stopImage : m_saveImage);
    m_button->setToolTip(
        shortcutTip(recording ? QStringLiteral("Stop Recording") : QStringLiteral("Save As"),
                    QKeySequence::Save));
}

void MainToolbarCommands::runCommand(const QString &key)
{
    if (key == QLatin1String("Save"))
        save();
    else if (key == QLatin1String("Open"))
        open();
    else if (key == QLatin1String("List"))
        list();
    else if (key == QLatin1String("Graph"))
        graph();
    else if (key == QLatin1String("Sample"))
        sample();
}

void MainToolbarCommands::save()
{
    if (!m_recorder || !m_windows || m_inDialog)
        return;
    if (m_recorder->isRecording()) {
        m_recorder->stopRecording();
        SaveDialog::clearFileChosen();
        return;
    }
    QString path;
    {
        const QScopedValueRollback<bool> guard(m_inDialog, true);
        path = SaveDialog::run(m_mainWindow, RememberedFolders::Recording);
    }
    // A tick or a click may have started a recording while the dialog was up.
    if (path.isEmpty() || !m_recorder || m_recorder->isRecording())
        return;
    if (m_nineFields)
        m_recorder->setNineFields(m_nineFields->isChecked());
    // A file that cannot be created ends the command silently, with nothing started.
    if (!m_recorder->startRecording(path)) {
        SaveDialog::clearFileChosen();
        return;
    }
    m_windows->openFileList(m_recorder->fileTitle());
}

QString MainToolbarCommands::askOpenPath()
{
    QFileDialog dialog(m_mainWindow);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QString folder = RememberedFolders::folder(RememberedFolders::Open);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    // The dialog offers the types the last save dialog gave it; none before that.
    const QStringList filters = SaveDialog::lastNameFilters();
    if (!filters.isEmpty()) {
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(SaveDialog::lastSelectedFilter());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    RememberedFolders::remember(RememberedFolders::Open, dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

void MainToolbarCommands::open()
{
    if (!m_recorder || !m_windows || m_inDialog)
        return;
    if (m_recorder->isRecording()) {
        QMessageBox::critical(m_mainWindow, QApplication::applicationDisplayName(), OpenRefusal);
        return;
    }
    QString path;
    {
        const QScopedValueRollback<bool> guard(m_inDialog, true);
        path = askOpenPath();
    }
    if (path.isEmpty() || !m_windows || !m_recorder || m_recorder->isRecording())
        return;
    // Only regular files: opening a FIFO would wait for a writer for ever, and a device such
    // as /dev/zero never ends.
    const QString refusal = DataFile::whyNotReadable(path);
    if (!refusal.isEmpty()) {
        QMessageBox::critical(m_mainWindow, QApplication::applicationDisplayName(), refusal);
        return;
    }
    FileListWindow *window = m_windows->openFileList(QFileInfo(path).fileName());
    // The loader lives with the window: closing or reopening the File List ends the load.
    auto *loader = new FileLoader(window->model(), path, window);
    m_loader = loader;
    connect(loader, &FileLoader::captionChanged, window, &QWidget::setWindowTitle);
    connect(loader, &FileLoader::finished, this, [this, loader, window](bool ok) {
        loader->deleteLater();
        const QString cut = loader->notice();
        if (!cut.isEmpty()) {
            // Once, after the load, and without holding up the event loop.
            auto *box
                = new QMessageBox(QMessageBox::Warning, QApplication::applicationDisplayName(), cut,
                                  QMessageBox::Ok, window);
            box->setObjectName(QStringLiteral("FileCutMessage"));
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        }
        Q_EMIT openFinished(ok);
    });
    loader->start();
}

void MainToolbarCommands::list()
{
    if (m_windows)
        m_windows->openList();
}

void MainToolbarCommands::graph()
{
    Q_EMIT graphRequested();
}

void MainToolbarCommands::sample()
{
    if (!m_recorder || m_inDialog)
        return;
    const QScopedValueRollback<bool> guard(m_inDialog, true);
    QInputDialog dialog(m_mainWindow);
    dialog.setWindowTitle(SampleTitle);
    dialog.setLabelText(SamplePrompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString::number(m_recorder->samplingTime()));
    if (dialog.exec() != QDialog::Accepted || !m_recorder)
        return;
    // Empty answers and answers that are not numbers change nothing.
    m_recorder->applySamplingTimeAnswer(dialog.textValue());
}

void MainToolbarCommands::closeRealTimeList()
{
    if (m_windows)
        m_windows->closeList();
}

} // namespace dewscope
