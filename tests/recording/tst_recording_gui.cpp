#include "app/MainToolbarCommands.h"
#include "app/MainWindow.h"
#include "desktop/ProgramSettings.h"
#include "desktop/RememberedFolders.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "recording/DataFile.h"
#include "tables/FileListWindow.h"
#include "tables/FileLoader.h"
#include "tables/RealTimeListWindow.h"
#include "tables/RecordTableModel.h"
#include "tables/RecordWindows.h"
#include "tests/common/FileSizeLimit.h"
#include "tests/common/RecorderRig.h"
#include "tests/common/TestData.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>
#include <sys/stat.h>

using namespace dewscope;
using test::readBytes;

namespace {

// Runs a user action that opens modal dialogs, handing each to answer as the user would; every
// 10 ms while the action runs, so a dialog that stays open is answered again.
void answering(const std::function<void(QWidget *)> &answer, const std::function<void()> &action)
{
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&answer] {
        if (QWidget *modal = QApplication::activeModalWidget())
            answer(modal);
    });
    timer.start(10);
    action();
}

// Answers a file dialog with the path typed into its name box, as the user does, or cancels it
// for an empty path, and replaces a file when asked. Another message box is noted in seen
// ("critical: " and its text) and closed, as is any other dialog.
std::function<void(QWidget *)> fileAnswer(const QString &path, QStringList *seen = nullptr)
{
    return [=](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (box && qobject_cast<QFileDialog *>(box->parentWidget()))
            return box->button(QMessageBox::Yes)->click();
        if (box && seen)
            *seen << (box->icon() == QMessageBox::Critical ? "critical: " : "") + box->text();
        if (!dialog || path.isEmpty())
            return modal->close(), void();
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        // Out of the timer's turn, so that a question the dialog asks is answered too.
        QTimer::singleShot(0, dialog, &QDialog::accept);
    };
}

// The main window with its recorder; the recorder's ticks are driven by the test.
struct Rig : test::RecorderRig
{
    Rig()
    {
        panel.show();
        recorder.loadDefaults();
        recorder.resetRecordTime();
        recorder.setSamplingTime(1);
    }
    PortMap ports;
    MeterLink link { &ports };
    Poll poll { &link, &state };
    MainWindow panel { &state, &link, &poll, &recorder };
    MainToolbarCommands *commands = MainToolbarCommands::attach(&panel);
};

// Lets windows closed by the program go.
void deleteClosed()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestRecordingGui : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The file dialogs' folders are remembered in settings of this test's own.
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        ProgramSettings::name("Dewscope", "dewscope");
    }
    void init() { m_rig = std::make_unique<Rig>(); }
    void cleanup()
    {
        m_rig.reset();
        deleteClosed();
    }

    // Both file dialogs show the types "Data Files (*.txt)" and "All Files (*.*)", and All
    // Files lists every file, also a recording saved as a name without a dot; a cancelled save
    // dialog starts nothing. Open and saving a list are refused while recording. Ctrl+S never
    // ends a recording without asking (the button does).
    // A recording started again after the stop begins anew, and goes on through trouble.
    void threeSampleRecording()
    {
        QFile(m_rig->dir.filePath(QStringLiteral("run1"))).open(QIODevice::WriteOnly);
        QStringList seen;
        const auto look = [&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            auto *view = modal->findChild<QListView *>(QStringLiteral("listView"));
            if (!dialog || !view)
                return modal->close(), void();
            if (dialog->directory() != QDir(m_rig->dir.path()))
                return dialog->setDirectory(m_rig->dir.path());
            QStringList listed;
            for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
                listed << view->model()->index(r, 0, view->rootIndex()).data().toString();
            if (!listed.contains(QStringLiteral("morning.txt")))
                return; // not listed yet
            const auto *types = modal->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            listed.sort();
            seen << types->itemText(0) + '|' + types->currentText() + ": " + listed.join(' ');
            dialog->reject();
        };
        QFile(m_rig->dir.filePath(QStringLiteral("morning.txt"))).open(QIODevice::WriteOnly);
        answering(look, [this] { press(1); });
        QVERIFY(!m_rig->recorder.isRecording());
        QCOMPARE(panelState(), QStringList({ "", "", "(hidden)", "Save As (Ctrl+S)" }));

        startRecording(QStringLiteral("morning.txt"));
        QVERIFY(fileList() && fileList()->isVisible());
        QCOMPARE(fileList()->windowTitle(), QStringLiteral("morning.txt"));
        ticks(3);
        QCOMPARE(panelState(),
                 QStringList({ "morning.txt", "3", "Rec", "Stop Recording (Ctrl+S)" }));
        // Ten fields (the clock's date last), no trailing TAB, CR LF, on disk before the stop;
        // the File List shows the same rows, the date in its own column.
        const QByteArray values = "\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7\t2026-12-07T12:00:0";
        const QByteArray expected = "1\t12:00:01" + values + "1+01:00\r\n2\t12:00:02" + values
            + "2+01:00\r\n3\t12:00:03" + values + "3+01:00\r\n";
        const QString path = m_rig->dir.filePath(QStringLiteral("morning.txt"));
        QCOMPARE(readBytes(path), expected);
        QCOMPARE(fileList()->model()->rows(), 4);
        QCOMPARE(fileList()->model()->savedCells(3).join('\t').toLatin1() + "\r\n",
                 expected.split('\n').at(2) + '\n');
        QCOMPARE(fileList()->model()->headerData(9, Qt::Horizontal).toString(), "Date");
        // Open, and Save in the Real Time List, are refused before any file dialog, and leave
        // the windows, the cursor and the recording as they were.
        press(3);
        answering(fileAnswer(QString(), &seen), [this] {
            m_rig->panel.runToolbarKey(QStringLiteral("Open"));
            list()->runKey(QStringLiteral("Save"));
        });
        QVERIFY(!list()->isSaving() && !QApplication::overrideCursor());
        QVERIFY(m_rig->recorder.isRecording() && fileList()->isVisible());

        for (const auto answer : { QMessageBox::No, QMessageBox::Yes }) {
            m_rig->panel.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&m_rig->panel));
            answering(
                [&](QWidget *modal) {
                    seen << qobject_cast<QMessageBox *>(modal)->text();
                    qobject_cast<QMessageBox *>(modal)->button(answer)->click();
                },
                [this] { QTest::keySequence(&m_rig->panel, QKeySequence::Save); });
            QCOMPARE(m_rig->recorder.isRecording(), answer == QMessageBox::No);
        }
        // Stopped: nothing more is written, the File List keeps its rows.
        QCOMPARE(panelState(), QStringList({ "", "", "(hidden)", "Save As (Ctrl+S)" }));
        ticks(1);
        QCOMPARE(readBytes(path), expected);
        QCOMPARE(fileList()->model()->rows(), 4);
        answering(look, [this] { press(2); });
        const QString shown = "Data Files (*.txt)|All Files (*.*): morning.txt run1";
        const QString asked = "A recording is running.\nStop recording?";
        QCOMPARE(seen,
                 QStringList({ shown, "critical: Recording Mode!\n\rPlease stop recording!",
                               "critical: Aready in recording mode, close it and try again !",
                               asked, asked, shown }));

        // A new recording into the same file: a new, empty File List, the file started again
        // and numbered from 1.
        QPointer<FileListWindow> first = fileList();
        startRecording(QStringLiteral("morning.txt"));
        deleteClosed();
        QVERIFY(!first && fileList()->model()->rows() == 1);
        ticks(1);
        QCOMPARE(fileList()->model()->cellText(1, 0), QStringLiteral("1"));
        QVERIFY(readBytes(path).startsWith("1\t") && readBytes(path).count('\n') == 1);

        // Closing the File List neither stops the recording nor loses a record. While the
        // writes fail (here the file's place is taken by a folder) "Rec" keeps its place and
        // count but turns to a warning look, with the reason and the samples missed in its
        // tooltip; the next record written brings it back.
        fileList()->close();
        deleteClosed();
        QVERIFY(QFile::remove(path) && QDir().mkdir(path));
        ticks(2);
        QLabel *rec = m_rig->panel.lblRec();
        QCOMPARE(panelState(),
                 QStringList({ "morning.txt", "1", "Rec", "Stop Recording (Ctrl+S)" }));
        QCOMPARE(rec->styleSheet(), MainToolbarCommands::RecFailingStyle);
        QVERIFY(rec->toolTip().contains(m_rig->recorder.writeError())
                && rec->toolTip().contains(QStringLiteral(": 2.")));
        QVERIFY(QDir().rmdir(path));
        ticks(2);
        QCOMPARE(panelState(),
                 QStringList({ "morning.txt", "3", "Rec", "Stop Recording (Ctrl+S)" }));
        QCOMPARE(rec->styleSheet(), MainToolbarCommands::RecStyle);
        QCOMPARE(rec->toolTip(), QString());
        QVERIFY(fileList() && !fileList()->isVisible());
        QCOMPARE(fileList()->model()->cellText(2, 0), QStringLiteral("3"));
        QCOMPARE(readBytes(path).count('\n'), 2);
    }

    void saveOfRealTimeList_data()
    {
        QTest::addColumn<QString>("name"); // in the test's folder; the dialog is cancelled if empty
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("message"); // what a failure says after the file name
        QTest::addColumn<int>("limit"); // the bytes a file may take (a full disk); 0: any
        const QByteArray row = "\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7\t2026-12-07T12:00:0";
        // clang-format off
        QTest::newRow("two rows saved, dated") << "list.txt" << "1\t12:00:01" + row + "1+01:00\t\r\n2\t12:00:02" + row + "2+01:00\t\r\n" << "" << 0;
        QTest::newRow("cancelled: nothing written") << "" << QByteArray("<cannot open>") << "" << 0;
        QTest::newRow("failed: said with the reason") << "gone/list.txt" << QByteArray("<cannot open>") << " cannot be written: No such file or directory." << 0;
        QTest::newRow("disk full: earlier file kept") << "list.txt" << QByteArray("earlier\r\n") << " cannot be written: " + QString(strerror(EFBIG)) + '.' << 60;
        // clang-format on
    }
    // The window's Save key, its dialog, its caption and a failure's message; the saver's own
    // cases: tst_tables.
    void saveOfRealTimeList()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        press(3);
        ticks(2);
        const QString path = name.isEmpty() ? QString() : m_rig->dir.filePath(name);
        test::writeBytes(path, "earlier\r\n");
        QSignalSpy finished(list(), &RecordWindow::saveFinished);
        auto limit = std::make_optional<test::FileSizeLimit>(FETCHED(int, limit));
        answering(fileAnswer(path), [this] { list()->runKey(QStringLiteral("Save")); });
        QVERIFY(finished.count() == 1 || finished.wait(5000));
        limit.reset();
        QCOMPARE(finished.first().at(0).toBool(), !name.isEmpty() && message.isEmpty());
        QTEST(readBytes(path), "written");
        QCOMPARE(QDir(m_rig->dir.path()).entryList({ "list.txt?*" }), QStringList());
        QCOMPARE(list()->windowTitle(), QStringLiteral("Real Time List"));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        auto *box = list()->findChild<QMessageBox *>(QStringLiteral("SaveFailedMessage"));
        QCOMPARE(box ? box->text().section('\n', 0, 1) : QString(),
                 message.isEmpty() ? QString()
                                   : "The table could not be saved:\n" + path + message);
    }

    // The list shows 16 data rows: appends up to the 16th leave the view alone, the 17th and
    // every later one scroll it by one row, so the newest row stays in view. The List opened
    // again is a new, empty window numbering from 1; a silent meter closes it (no stale figures
    // are listed), as closing it does: the listing stops.
    void listFollowsReopensAndCloses()
    {
        press(3);
        QVERIFY(QTest::qWaitForWindowExposed(list()));
        QCOMPARE(list()->keyButton("Save")->toolTip() + '|' + list()->keyButton("Print")->toolTip(),
                 "Save AS (Ctrl+S)|Print (Ctrl+P)");
        for (const auto &[samples, topRow] : { std::pair(16, 1), std::pair(4, 5) }) {
            for (int i = 0; i < samples; ++i) {
                ticks(1);
                QCoreApplication::processEvents();
            }
            QCoreApplication::processEvents();
            QCOMPARE(list()->topRow(), topRow);
            const QRect newest = list()->grid()->visualRect(
                list()->model()->index(list()->model()->rowCount() - 1, 0));
            QVERIFY(list()->grid()->viewport()->rect().contains(newest));
        }
        QPointer<RealTimeListWindow> first = list();
        press(3);
        deleteClosed();
        QVERIFY(!first && list()->isVisible() && list()->model()->rows() == 1);
        ticks(1);
        QCOMPARE(list()->model()->cellText(1, 0), QStringLiteral("1"));
        QPointer<RealTimeListWindow> shown = list();
        Q_EMIT m_rig->poll.meterSilent();
        deleteClosed();
        QVERIFY(!shown && !m_rig->recorder.isListActive());
        QCOMPARE(m_rig->recorder.listCount(), 0);
        QSignalSpy rows(&m_rig->recorder, &Recorder::listRowAppended);
        ticks(1);
        QCOMPARE(rows.count(), 0);
    }

    // The dialog, and that its answer reaches the recorder, a cancel leaving it as it was;
    // rounding and limits of the answer: tst_recorder, samplingTimeAnswer.
    void sampleInputs()
    {
        m_rig->recorder.setSamplingTime(7);
        ticks(1);
        for (const bool accept : { false, true }) {
            QStringList shown;
            answering(
                [&](QWidget *modal) {
                    auto *dialog = qobject_cast<QInputDialog *>(modal);
                    if (!dialog)
                        return modal->close(), void();
                    shown = QStringList { dialog->windowTitle(), dialog->labelText(),
                                          dialog->textValue() };
                    dialog->setTextValue(QStringLiteral("2.6"));
                    accept ? dialog->accept() : dialog->reject();
                },
                [this] { press(5); });
            QCOMPARE(
                shown,
                QStringList({ "Input Sampling Time",
                              "Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) ", "7" }));
            QCOMPARE(m_rig->recorder.samplingTime(), accept ? 3 : 7);
            // A taken answer makes the next tick sample.
            QCOMPARE(m_rig->recorder.sampleTicks(), accept ? 0 : 1);
        }
    }

    void openTellsWhatItCannotShow_data()
    {
        QTest::addColumn<QString>("name"); // in the test's folder, or a device path
        QTest::addColumn<QByteArray>("bytes"); // written to the file
        QTest::addColumn<QString>("message"); // none: the refusal that gives the reason why not
        const QByteArray rows = "1\t10:00:00\t20,5\t9.1\r\n2\t10:00:02\r\n";
        test::row("FIFO: refused", QString("pipe"), QByteArray(), QString());
        test::row("device: refused", QString("/dev/zero"), QByteArray(), QString());
        test::row("long cells: cut, said once", QString("long.txt"),
                  rows + QByteArray(300, 'x') + "\t" + QByteArray(999, 'y') + "\r\n",
                  QString("long.txt is not shown in full.\n2 cells were longer than 256 "
                          "characters and are shown cut to that length."));
        test::row("no data file: said once", QString("manual.pdf"),
                  rows + "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\n",
                  QString("manual.pdf does not look like a data file: 4 of its 6 rows have no "
                          "time in their second cell."));
    }
    // Open takes regular files only. A file's captions while it fills after the dialog, a comma
    // that splits a line in two rows (other line forms: tst_tables), and once loaded, what the
    // grid could not show in full, or that most rows have no time.
    void openTellsWhatItCannotShow()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        const QString path = name.startsWith('/') ? name : m_rig->dir.filePath(name);
        QVERIFY(name != "pipe"
                    ? name.startsWith('/') || test::writeBytes(path, FETCHED(QByteArray, bytes))
                    : mkfifo(QFile::encodeName(path), 0600) == 0);
        QSignalSpy finished(m_rig->commands, &MainToolbarCommands::openFinished);
        QStringList seen, captions;
        answering(fileAnswer(path, &seen),
                  [this] { m_rig->panel.runToolbarKey(QStringLiteral("Open")); });
        if (fileList()) {
            m_rig->commands->fileLoader()->setSliceLimits(1, 1000);
            connect(fileList(), &QWidget::windowTitleChanged,
                    [&captions](const QString &title) { captions.append(title); });
            QVERIFY(finished.wait(5000) && finished.first().at(0).toBool());
            QCOMPARE(fileList()->model()->rowCells(2).mid(0, 2), QStringList({ "5", "9.1" }));
            const auto boxes = fileList()->findChildren<QMessageBox *>();
            for (QMessageBox *box : boxes)
                seen << box->text();
        }
        QCOMPARE(seen,
                 QStringList(message.isEmpty() ? "critical: " + DataFile::whyNotReadable(path)
                                               : message));
        QStringList counted;
        for (int n = 1; n <= (message.isEmpty() ? 0 : name == "long.txt" ? 4 : 6); ++n)
            counted << QString::number(n) + " Records Completed";
        QCOMPARE(captions, message.isEmpty() ? QStringList() : counted << name);
    }

    // Closing the main window while recording asks first: No keeps the window and the
    // recording, whose file stays whole; Yes closes the window (the program ends).
    void closeWhileRecording()
    {
        startRecording(QStringLiteral("closing.txt"));
        ticks(2);
        QSignalSpy closed(&m_rig->panel, &MainWindow::closed);
        for (const auto answer : { QMessageBox::No, QMessageBox::Yes }) {
            m_rig->panel.close();
            auto *box = m_rig->panel.findChild<QMessageBox *>("QuitRecordingQuestion");
            QVERIFY(box && box->isVisible());
            QCOMPARE(box->text(), "A recording is running.\nStop recording and quit?");
            box->button(answer)->click();
            deleteClosed();
            QCOMPARE(m_rig->panel.isVisible() && m_rig->recorder.isRecording(),
                     answer == QMessageBox::No);
        }
        QCOMPARE(closed.count(), 1);
        QVERIFY(readBytes(m_rig->dir.filePath("closing.txt")).endsWith("\r\n"));
    }

    // Each kind of file dialog starts in the folder last chosen for it, kept in the settings: a
    // recording's, a saved table's and an opened file's.
    void foldersAreRemembered()
    {
        const QString a = m_rig->dir.filePath("a"), b = m_rig->dir.filePath("b"),
                      c = m_rig->dir.filePath("c");
        QVERIFY(QDir().mkpath(a) && QDir().mkpath(b) && QDir().mkpath(c));
        startRecording(QStringLiteral("a/run.txt"));
        ticks(1);
        press(1);
        QVERIFY(QFile::copy(a + "/run.txt", c + "/run.txt"));
        press(3);
        QSignalSpy saved(list(), &RecordWindow::saveFinished);
        answering(fileAnswer(b + "/list.txt"), [this] { list()->runKey("Save"); });
        QVERIFY(saved.count() || saved.wait(5000));
        QSignalSpy opened(m_rig->commands, &MainToolbarCommands::openFinished);
        answering(fileAnswer(c + "/run.txt"), [this] { press(2); });
        QVERIFY(opened.count() || opened.wait(5000));
        QStringList started;
        const auto look = [&started](QWidget *modal) {
            if (auto *dialog = qobject_cast<QFileDialog *>(modal))
                started << dialog->directory().absolutePath();
            modal->close();
        };
        for (const auto &action : std::initializer_list<std::function<void()>> {
                 [this] { press(1); }, [this] { list()->runKey("Save"); }, [this] { press(2); } })
            answering(look, action);
        QCOMPARE(started, QStringList({ a, b, c }));
        QVERIFY(QFileInfo(m_settings.filePath("Dewscope/dewscope.conf")).size() > 0);
    }

private:
    void press(int button) { m_rig->panel.toolbarButton(button)->trigger(); }
    void ticks(int count) { m_rig->ticks(count); }
    void startRecording(const QString &name)
    {
        answering(fileAnswer(m_rig->dir.filePath(name)), [this] { press(1); });
        QVERIFY(m_rig->recorder.isRecording());
    }
    // The main window's file name, count and "Rec" labels, and the record button's tip.
    QStringList panelState() const
    {
        const MainWindow &panel = m_rig->panel;
        return { panel.lblFileName()->text(), panel.lblCount()->text(),
                 panel.lblRec()->isVisibleTo(&panel) ? panel.lblRec()->text() : "(hidden)",
                 panel.toolbarButton(1)->toolTip() };
    }
    FileListWindow *fileList() const { return m_rig->commands->windows()->currentFileList(); }
    RealTimeListWindow *list() const { return m_rig->commands->windows()->currentList(); }

    std::unique_ptr<Rig> m_rig;
    QTemporaryDir m_settings;
};

QTEST_MAIN(TestRecordingGui)
#include "tst_recording_gui.moc"
