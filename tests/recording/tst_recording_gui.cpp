#include "app/Panel.h"
#include "app/SharedState.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "recording/FileLoader.h"
#include "recording/MainToolbarCommands.h"
#include "recording/Recorder.h"
#include "tables/FileList.h"
#include "tables/List.h"
#include "tables/RecordTableModel.h"
#include "tables/RecordWindows.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace hygrolog;

namespace {

class FakeClock : public Recorder::Clock
{
public:
    QTime timeOfDay() const override { return now; }
    QTime now = QTime(9, 30, 0);
};

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

// Answers a file dialog with the path typed into its name box, as the user does (selectFile
// leaves a focused box alone), or cancels it for an empty path. Any other dialog is closed.
std::function<void(QWidget *)> fileAnswer(const QString &path, QStringList *filtersSeen = nullptr)
{
    return [=](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog || path.isEmpty()) {
            modal->close();
            return;
        }
        if (filtersSeen)
            *filtersSeen = dialog->nameFilters() + QStringList { dialog->selectedNameFilter() };
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        else
            dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    };
}

// Runs a user action and reads the message box it shows: title, text, and whether it is the
// critical kind. Any other dialog shown while the action runs is closed at once and noted first.
QStringList messageOf(const std::function<void()> &action)
{
    QStringList seen;
    answering(
        [&seen](QWidget *modal) {
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                seen << box->windowTitle() << box->text()
                     << (box->icon() == QMessageBox::Critical ? "critical" : "other");
                box->button(QMessageBox::Ok)->click();
            } else {
                seen << QStringLiteral("<%1 first>").arg(modal->metaObject()->className());
                modal->close();
            }
        },
        action);
    return seen;
}

// The main window with its recorder, on a meter that counts as online; the recorder's ticks are
// driven by the test against a clock of its own.
struct Rig
{
    Rig()
    {
        // tempC, tempF, dewC, dewF, wetC, wetF, rh
        state.texts = { "21.5", "70.7", "10.2", "50.4", "14.9", "58.8", "48.5" };
        recorder.setClock(&clock);
        panel.show();
        recorder.loadDefaults();
        recorder.resetRecordTime();
        recorder.setSamplingTime(1);
        state.meterOnline = true;
    }
    QTemporaryDir dir;
    SharedState state;
    PortMap ports;
    MeterLink link { &ports };
    Poll poll { &link, &state };
    FakeClock clock;
    Recorder recorder { &state };
    Panel panel { &state, &link, &poll, &recorder };
    MainToolbarCommands *commands = MainToolbarCommands::attach(&panel);
};

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}

} // namespace

class TestRecordingGui : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_rig = std::make_unique<Rig>(); }
    void cleanup();
    void threeSampleRecording();
    void stopAndRestartEmptiesFileList();
    void closedFileListKeepsTakingRecords();
    void openShowsCaptionsAndSplitsAtCommas();
    void refusalsWhileRecording_data();
    void refusalsWhileRecording();
    void saveOfRealTimeList_data();
    void saveOfRealTimeList();
    void listReopensNumberingFromOne();
    void silentMeterClosesRealTimeList();
    void appendKeepsNewestRowsInView_data();
    void appendKeepsNewestRowsInView();
    void sampleInputs_data();
    void sampleInputs();

private:
    void press(int button) { m_rig->panel.toolbarButton(button)->trigger(); }
    // Samples taken by the recorder's timer, the clock a second further each time.
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_rig->clock.now = m_rig->clock.now.addSecs(1);
            m_rig->recorder.tick();
        }
    }
    void startRecording(const QString &name);
    // The main window's file name, count and "Rec" labels, and the record button's tip.
    QStringList panelState() const
    {
        const Panel &panel = m_rig->panel;
        return { panel.lblFileName()->text(), panel.lblCount()->text(),
                 panel.lblRec()->isVisibleTo(&panel) ? panel.lblRec()->text() : "(hidden)",
                 panel.toolbarButton(1)->toolTip() };
    }
    FileList *fileList() const { return m_rig->commands->windows()->currentFileList(); }
    List *list() const { return m_rig->commands->windows()->currentList(); }

    std::unique_ptr<Rig> m_rig;
};

void TestRecordingGui::cleanup()
{
    m_rig.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestRecordingGui::startRecording(const QString &name)
{
    answering(fileAnswer(m_rig->dir.filePath(name)), [this] { press(1); });
    QVERIFY(m_rig->recorder.isRecording());
}

void TestRecordingGui::threeSampleRecording()
{
    // A cancelled file dialog starts nothing.
    answering(fileAnswer(QString()), [this] { press(1); });
    QVERIFY(!m_rig->recorder.isRecording());
    QCOMPARE(panelState(), QStringList({ "", "", "(hidden)", "Save As" }));

    startRecording(QStringLiteral("morning.txt"));
    QCOMPARE(m_rig->panel.toolbarButton(1)->icon().cacheKey(), m_rig->panel.stopImage().cacheKey());
    QVERIFY(fileList() && fileList()->isVisible());
    QCOMPARE(fileList()->windowTitle(), QStringLiteral("morning.txt"));
    ticks(3);
    QCOMPARE(panelState(), QStringList({ "morning.txt", "3", "Rec", "Stop Recording" }));
    // Nine fields, no trailing TAB, CR LF; the File List shows the same rows.
    const QByteArray expected = "1\t09:30:01\t21.5\t10.2\t14.9\t48.5\t70.7\t50.4\t58.8\r\n"
                                "2\t09:30:02\t21.5\t10.2\t14.9\t48.5\t70.7\t50.4\t58.8\r\n"
                                "3\t09:30:03\t21.5\t10.2\t14.9\t48.5\t70.7\t50.4\t58.8\r\n";
    const QString path = m_rig->dir.filePath(QStringLiteral("morning.txt"));
    QCOMPARE(readBytes(path), expected);
    QCOMPARE(fileList()->model()->rows(), 4);
    QCOMPARE(fileList()->model()->rowCells(3).join('\t').toLatin1() + "\r\n",
             expected.split('\n').at(2) + '\n');

    press(1); // stop
    QVERIFY(!m_rig->recorder.isRecording());
    QCOMPARE(panelState(), QStringList({ "", "", "(hidden)", "Save As" }));
    QCOMPARE(m_rig->panel.toolbarButton(1)->icon().cacheKey(), m_rig->panel.saveImage().cacheKey());
    ticks(1);
    QCOMPARE(readBytes(path), expected);
    // The File List keeps the recording's rows after the stop.
    QCOMPARE(fileList()->model()->rows(), 4);
}

void TestRecordingGui::stopAndRestartEmptiesFileList()
{
    startRecording(QStringLiteral("first.txt"));
    ticks(2);
    QPointer<FileList> first = fileList();
    press(1);
    startRecording(QStringLiteral("second.txt"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QCOMPARE(fileList()->windowTitle(), QStringLiteral("second.txt"));
    QCOMPARE(fileList()->model()->rows(), 1);
    ticks(1);
    QCOMPARE(fileList()->model()->cellText(1, 0), QStringLiteral("1"));
    QVERIFY(readBytes(m_rig->dir.filePath(QStringLiteral("second.txt"))).startsWith("1\t"));
}

void TestRecordingGui::closedFileListKeepsTakingRecords()
{
    startRecording(QStringLiteral("long.txt"));
    ticks(1);
    fileList()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!fileList());
    ticks(2);
    // A hidden File List took the rows; nothing was lost from the file.
    QVERIFY(fileList() && !fileList()->isVisible());
    QCOMPARE(fileList()->windowTitle(), QStringLiteral("File List"));
    QCOMPARE(fileList()->model()->rows(), 3);
    QCOMPARE(fileList()->model()->cellText(2, 0), QStringLiteral("3"));
    press(1);
    QCOMPARE(readBytes(m_rig->dir.filePath(QStringLiteral("long.txt"))).count('\n'), 3);
}

// How lines split into rows, and hostile files: tst_tables. Here: the Open dialog's file types,
// and the captions the File List shows while it fills after the dialog has returned.
void TestRecordingGui::openShowsCaptionsAndSplitsAtCommas()
{
    const QString path = m_rig->dir.filePath(QStringLiteral("comma.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("1\t10:00:00\t20,5\t9.1\r\n2\t10:00:02\t21.0\t9.2\r\n");
    file.close();
    // A save dialog first, so the open dialog offers its file types.
    startRecording(QStringLiteral("r.txt"));
    press(1);
    QStringList filters;
    QSignalSpy finished(m_rig->commands, &MainToolbarCommands::openFinished);
    answering(fileAnswer(path, &filters),
              [this] { m_rig->panel.runToolbarKey(QStringLiteral("Open")); });
    QCOMPARE(filters, QStringList({ "Data Files (*.txt)", "All Files (*.*)", "All Files (*.*)" }));
    QVERIFY(m_rig->commands->fileLoader());
    m_rig->commands->fileLoader()->setSliceLimits(1, 1000);
    QStringList captions;
    connect(fileList(), &QWidget::windowTitleChanged,
            [&captions](const QString &title) { captions.append(title); });
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().at(0).toBool(), true);
    QCOMPARE(captions,
             QStringList({ "1 Records Completed", "2 Records Completed", "3 Records Completed",
                           "comma.txt" }));
    QCOMPARE(fileList()->model()->rowCells(2).mid(0, 2), QStringList({ "5", "9.1" }));
}

void TestRecordingGui::refusalsWhileRecording_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("inList");
    QTest::addColumn<QString>("message");
    QTest::newRow("Open") << "Open" << false << "Recording Mode!\n\rPlease stop recording!";
    QTest::newRow("Real Time List: Save")
        << "Save" << true << "Aready in recording mode, close it and try again !";
}

// The refusal comes before any file dialog, and leaves the windows, the cursor and the recording
// as they were.
void TestRecordingGui::refusalsWhileRecording()
{
    QFETCH(QString, key);
    QFETCH(bool, inList);
    QFETCH(QString, message);
    // The Real Time List is open with a row, and a recording runs.
    press(3);
    ticks(1);
    startRecording(QStringLiteral("busy.txt"));
    ticks(1);
    FileList *files = fileList();
    const int fileRows = files->model()->rows();
    QCOMPARE(messageOf([&] { inList ? list()->runKey(key) : m_rig->panel.runToolbarKey(key); }),
             QStringList({ QApplication::applicationDisplayName(), message, "critical" }));
    QCOMPARE(fileList(), files);
    QCOMPARE(files->model()->rows(), fileRows);
    QVERIFY(!list()->isSaving());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(m_rig->recorder.isRecording());
}

// The bytes of a saved list: tst_tables, saveLinesAndCaptions. Here: the window's Save key, its
// dialog and its caption.
void TestRecordingGui::saveOfRealTimeList_data()
{
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("two rows saved") << true << QStringList { "list.txt" };
    QTest::newRow("cancelled: nothing written") << false << QStringList();
}

void TestRecordingGui::saveOfRealTimeList()
{
    QFETCH(bool, chosen);
    QFETCH(QStringList, files);
    press(3);
    ticks(2);
    QSignalSpy finished(list(), &RecordWindow::saveFinished);
    answering(fileAnswer(chosen ? m_rig->dir.filePath(QStringLiteral("list.txt")) : QString()),
              [this] { list()->runKey(QStringLiteral("Save")); });
    QVERIFY(finished.count() == 1 || finished.wait(5000));
    QCOMPARE(finished.first().at(0).toBool(), chosen);
    QCOMPARE(QDir(m_rig->dir.path()).entryList(QDir::Files), files);
    if (chosen)
        QCOMPARE(readBytes(m_rig->dir.filePath(files.first())),
                 QByteArray("1\t09:30:01\t21.5\t10.2\t14.9\t48.5\t70.7\t50.4\t58.8\t\r\n"
                            "2\t09:30:02\t21.5\t10.2\t14.9\t48.5\t70.7\t50.4\t58.8\t\r\n"));
    QCOMPARE(list()->windowTitle(), QStringLiteral("Real Time List"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestRecordingGui::listReopensNumberingFromOne()
{
    press(3);
    ticks(3);
    QPointer<List> first = list();
    QCOMPARE(first->model()->rows(), 4);
    press(3);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QVERIFY(list()->isVisible());
    QCOMPARE(list()->model()->rows(), 1);
    ticks(1);
    QCOMPARE(list()->model()->cellText(1, 0), QStringLiteral("1"));
    // Closing the list stops the listing.
    list()->close();
    QVERIFY(!m_rig->recorder.isListActive());
    QCOMPARE(m_rig->recorder.listCount(), 0);
}

void TestRecordingGui::silentMeterClosesRealTimeList()
{
    press(3);
    QPointer<List> shown = list();
    Q_EMIT m_rig->poll.meterSilent();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!shown);
    QVERIFY(!m_rig->recorder.isListActive());
    QSignalSpy rows(&m_rig->recorder, &Recorder::listRowAppended);
    ticks(1);
    QCOMPARE(rows.count(), 0);
}

void TestRecordingGui::appendKeepsNewestRowsInView_data()
{
    QTest::addColumn<int>("appended");
    QTest::addColumn<int>("topRow");
    QTest::newRow("15 rows: no scroll") << 15 << 1;
    QTest::newRow("16 rows: no scroll yet") << 16 << 1;
    QTest::newRow("17th row scrolls by one") << 17 << 2;
    QTest::newRow("every later row scrolls") << 40 << 25;
}

void TestRecordingGui::appendKeepsNewestRowsInView()
{
    QFETCH(int, appended);
    QFETCH(int, topRow);
    press(3);
    QVERIFY(QTest::qWaitForWindowExposed(list()));
    for (int i = 0; i < appended; ++i) {
        ticks(1);
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    QCOMPARE(list()->topRow(), topRow);
    const QRect last = list()->grid()->visualRect(list()->model()->index(appended - 1, 0));
    QVERIFY(list()->grid()->viewport()->rect().contains(last));
}

// Rounding and limits of the answer: tst_recorder, samplingTimeAnswer. Here: the dialog, and
// that its answer reaches the recorder.
void TestRecordingGui::sampleInputs_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("expected");
    QTest::newRow("2.6 -> 3") << "2.6" << true << 3;
    QTest::newRow("abc: unchanged") << "abc" << true << 7;
    QTest::newRow("cancel: unchanged") << "9" << false << 7;
}

void TestRecordingGui::sampleInputs()
{
    QFETCH(QString, answer);
    QFETCH(bool, accept);
    QFETCH(int, expected);
    m_rig->recorder.setSamplingTime(7);
    ticks(1);
    QStringList shown;
    answering(
        [&](QWidget *modal) {
            auto *dialog = qobject_cast<QInputDialog *>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            shown = QStringList { dialog->windowTitle(), dialog->labelText(), dialog->textValue() };
            dialog->setTextValue(answer);
            accept ? dialog->accept() : dialog->reject();
        },
        [this] { press(5); });
    QCOMPARE(shown,
             QStringList({ "Input Sampling Time",
                           "Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) ", "7" }));
    QCOMPARE(m_rig->recorder.samplingTime(), expected);
    // A taken answer makes the next tick sample.
    QCOMPARE(m_rig->recorder.sampleTicks(), expected == 7 ? 1 : 0);
}

QTEST_MAIN(TestRecordingGui)
#include "tst_recording_gui.moc"
