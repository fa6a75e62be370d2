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

// Answers the next modal dialog of type Dialog with the given action, as the user would. A
// dialog of another type, or none within five seconds, is rejected so a test never hangs.
// Answer timers still waiting; the next test must not meet them.
QList<QPointer<QTimer>> &pendingAnswers()
{
    static QList<QPointer<QTimer>> timers;
    return timers;
}

template<typename Dialog> void whenModal(std::function<void(Dialog *)> answer, bool *seen = nullptr)
{
    auto *timer = new QTimer;
    pendingAnswers().append(timer);
    auto *waited = new int(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<Dialog *>(modal)) {
            timer->stop();
            timer->deleteLater();
            delete waited;
            if (seen)
                *seen = true;
            answer(dialog);
            return;
        }
        if (++*waited > 500) {
            timer->stop();
            timer->deleteLater();
            delete waited;
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            else if (modal)
                modal->close();
        }
    });
    timer->start();
}

void chooseFile(const QString &path, QStringList *filtersSeen = nullptr, int attempts = 50)
{
    whenModal<QFileDialog>([=](QFileDialog *dialog) {
        if (filtersSeen)
            *filtersSeen = dialog->nameFilters() + QStringList { dialog->selectedNameFilter() };
        // Typed into the name box, as the user does (selectFile leaves a focused box alone).
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (name)
            name->setText(path);
        else
            dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
        // The dialog may still be reading its folder and keep itself open: answer again.
        if (dialog->isVisible() && attempts > 0)
            chooseFile(path, nullptr, attempts - 1);
    });
}

void cancelFileDialog()
{
    whenModal<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); });
}

struct Message
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool seen = false;
};

void readMessage(Message *message)
{
    whenModal<QMessageBox>([message](QMessageBox *box) {
        message->seen = true;
        message->title = box->windowTitle();
        message->text = box->text();
        message->icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
}

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
    void init();
    void cleanup();
    void threeSampleRecording();
    void stopAndRestartEmptiesFileList();
    void closedFileListKeepsTakingRecords();
    void openShowsCaptionsAndSplitsAtCommas();
    void openOfBinaryFileStaysResponsive();
    void refusalsWhileRecording();
    void saveOfRealTimeList_data();
    void saveOfRealTimeList();
    void cancelledSaveWritesNothing();
    void listReopensNumberingFromOne();
    void silentMeterClosesRealTimeList();
    void appendKeepsNewestRowsInView_data();
    void appendKeepsNewestRowsInView();
    void sampleInputs_data();
    void sampleInputs();

private:
    void press(int button) { m_panel->toolbarButton(button)->trigger(); }
    void startRecording(const QString &path);
    FileList *fileList() const { return m_commands->windows()->currentFileList(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SharedState> m_state;
    std::unique_ptr<PortMap> m_ports;
    std::unique_ptr<MeterLink> m_link;
    std::unique_ptr<Poll> m_poll;
    std::unique_ptr<Recorder> m_recorder;
    std::unique_ptr<Panel> m_panel;
    FakeClock m_clock;
    MainToolbarCommands *m_commands = nullptr;
};

void TestRecordingGui::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_state = std::make_unique<SharedState>();
    m_state->texts.tempC = QStringLiteral("21.5");
    m_state->texts.dewC = QStringLiteral("10.2");
    m_state->texts.wetC = QStringLiteral("14.9");
    m_state->texts.rh = QStringLiteral("48.5");
    m_state->texts.tempF = QStringLiteral("70.7");
    m_state->texts.dewF = QStringLiteral("50.4");
    m_state->texts.wetF = QStringLiteral("58.8");
    m_ports = std::make_unique<PortMap>();
    m_link = std::make_unique<MeterLink>(m_ports.get());
    m_poll = std::make_unique<Poll>(m_link.get(), m_state.get());
    m_recorder = std::make_unique<Recorder>(m_state.get());
    m_clock.now = QTime(9, 30, 0);
    m_recorder->setClock(&m_clock);
    m_panel = std::make_unique<Panel>(m_state.get(), m_link.get(), m_poll.get(), m_recorder.get());
    m_commands = MainToolbarCommands::attach(m_panel.get());
    m_panel->show();
    // The ticks are driven by the test; the meter counts as online.
    m_recorder->loadDefaults();
    m_recorder->resetRecordTime();
    m_recorder->setSamplingTime(1);
    m_state->meterOnline = true;
}

void TestRecordingGui::cleanup()
{
    m_panel.reset();
    m_recorder.reset();
    m_poll.reset();
    m_link.reset();
    m_ports.reset();
    m_state.reset();
    m_dir.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const QPointer<QTimer> &timer : std::as_const(pendingAnswers()))
        delete timer.data();
    pendingAnswers().clear();
}

void TestRecordingGui::startRecording(const QString &path)
{
    chooseFile(path);
    press(1);
    QVERIFY(m_recorder->isRecording());
}

void TestRecordingGui::threeSampleRecording()
{
    const QString path = m_dir->filePath(QStringLiteral("morning.txt"));
    QAction *button = m_panel->toolbarButton(1);
    startRecording(path);
    QCOMPARE(button->toolTip(), QStringLiteral("Stop Recording"));
    QCOMPARE(button->icon().cacheKey(), m_panel->stopImage().cacheKey());
    QVERIFY(m_panel->lblRec()->isVisibleTo(m_panel.get()));
    QCOMPARE(m_panel->lblFileName()->text(), QStringLiteral("morning.txt"));
    QVERIFY(fileList() && fileList()->isVisible());
    QCOMPARE(fileList()->windowTitle(), QStringLiteral("morning.txt"));
    QCOMPARE(fileList()->model()->rows(), 1);

    for (int i = 0; i < 3; ++i) {
        m_clock.now = m_clock.now.addSecs(1);
        m_recorder->tick();
    }
    QCOMPARE(m_panel->lblCount()->text(), QStringLiteral("3"));
    QCOMPARE(m_panel->lblRec()->text(), QStringLiteral("Rec"));
    const QByteArray expected = "1\t09:30:01\t21.5\t10.2\t14.9\t48.5\t70.7\t50.4\t58.8\r\n"
                                "2\t09:30:02\t21.5\t10.2\t14.9\t48.5\t70.7\t50.4\t58.8\r\n"
                                "3\t09:30:03\t21.5\t10.2\t14.9\t48.5\t70.7\t50.4\t58.8\r\n";
    QCOMPARE(readBytes(path), expected);
    RecordTableModel *model = fileList()->model();
    QCOMPARE(model->rows(), 4);
    QCOMPARE(
        model->rowCells(3),
        QStringList({ "3", "09:30:03", "21.5", "10.2", "14.9", "48.5", "70.7", "50.4", "58.8" }));

    press(1); // stop
    QVERIFY(!m_recorder->isRecording());
    QCOMPARE(button->toolTip(), QStringLiteral("Save As"));
    QCOMPARE(button->icon().cacheKey(), m_panel->saveImage().cacheKey());
    QVERIFY(!m_panel->lblRec()->isVisibleTo(m_panel.get()));
    QCOMPARE(m_panel->lblCount()->text(), QString());
    QCOMPARE(m_panel->lblFileName()->text(), QString());
    m_recorder->tick();
    QCOMPARE(readBytes(path), expected);
    // The File List keeps the recording's rows after the stop.
    QCOMPARE(fileList()->model()->rows(), 4);
}

void TestRecordingGui::stopAndRestartEmptiesFileList()
{
    startRecording(m_dir->filePath(QStringLiteral("first.txt")));
    m_recorder->tick();
    m_recorder->tick();
    QPointer<FileList> first = fileList();
    press(1);
    const QString second = m_dir->filePath(QStringLiteral("second.txt"));
    startRecording(second);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QCOMPARE(fileList()->windowTitle(), QStringLiteral("second.txt"));
    QCOMPARE(fileList()->model()->rows(), 1);
    m_recorder->tick();
    QCOMPARE(fileList()->model()->cellText(1, 0), QStringLiteral("1"));
    QVERIFY(readBytes(second).startsWith("1\t"));
    press(1);
}

void TestRecordingGui::closedFileListKeepsTakingRecords()
{
    const QString path = m_dir->filePath(QStringLiteral("long.txt"));
    startRecording(path);
    m_recorder->tick();
    fileList()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!fileList());
    m_recorder->tick();
    m_recorder->tick();
    // A hidden File List took the rows; nothing was lost from the file.
    QVERIFY(fileList());
    QVERIFY(!fileList()->isVisible());
    QCOMPARE(fileList()->windowTitle(), QStringLiteral("File List"));
    QCOMPARE(fileList()->model()->rows(), 3);
    QCOMPARE(fileList()->model()->cellText(2, 0), QStringLiteral("3"));
    press(1);
    QCOMPARE(readBytes(path).count('\n'), 3);
}

void TestRecordingGui::openShowsCaptionsAndSplitsAtCommas()
{
    const QString path = m_dir->filePath(QStringLiteral("comma.txt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1\t10:00:00\t20,5\t9.1\r\n2\t10:00:02\t21.0\t9.2\r\n");
    }
    // A save dialog first, so the open dialog offers its file types.
    startRecording(m_dir->filePath(QStringLiteral("r.txt")));
    press(1);

    QStringList filters;
    chooseFile(path, &filters);
    QSignalSpy finished(m_commands, &MainToolbarCommands::openFinished);
    m_panel->runToolbarKey(QStringLiteral("Open"));
    QCOMPARE(filters, QStringList({ "Data Files (*.txt)", "All Files (*.*)", "All Files (*.*)" }));
    QVERIFY(m_commands->fileLoader());
    m_commands->fileLoader()->setSliceLimits(1, 1000);
    QStringList captions;
    connect(fileList(), &QWidget::windowTitleChanged,
            [&captions](const QString &title) { captions.append(title); });
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().at(0).toBool(), true);
    QCOMPARE(captions,
             QStringList({ "1 Records Completed", "2 Records Completed", "3 Records Completed",
                           "comma.txt" }));
    RecordTableModel *model = fileList()->model();
    QCOMPARE(model->rows(), 4);
    QCOMPARE(model->rowCells(1).mid(0, 4), QStringList({ "1", "10:00:00", "20", "" }));
    QCOMPARE(model->cellText(2, 0), QStringLiteral("5"));
    QCOMPARE(model->cellText(2, 1), QStringLiteral("9.1"));
    QCOMPARE(model->cellText(3, 2), QStringLiteral("21.0"));
}

void TestRecordingGui::openOfBinaryFileStaysResponsive()
{
    const QString path = m_dir->filePath(QStringLiteral("noise.bin"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray noise(2 * 1024 * 1024, '\0');
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919) ^ (i >> 5));
        file.write(noise);
    }
    chooseFile(path);
    QSignalSpy finished(m_commands, &MainToolbarCommands::openFinished);
    m_panel->runToolbarKey(QStringLiteral("Open"));
    // The window keeps serving events while the file loads: a 10 ms timer keeps firing.
    int beats = 0;
    QTimer heartbeat;
    connect(&heartbeat, &QTimer::timeout, [&beats] { ++beats; });
    heartbeat.start(10);
    QVERIFY(finished.wait(20000));
    QVERIFY(beats > 0);
    QCOMPARE(fileList()->windowTitle(), QStringLiteral("noise.bin"));
    QVERIFY(fileList()->model()->rows() > 1);
}

void TestRecordingGui::refusalsWhileRecording()
{
    // The Real Time List is open with a row, and a recording runs.
    press(3);
    m_recorder->tick();
    startRecording(m_dir->filePath(QStringLiteral("busy.txt")));
    m_recorder->tick();
    FileList *files = fileList();
    const int fileRows = files->model()->rows();

    Message open;
    readMessage(&open);
    m_panel->runToolbarKey(QStringLiteral("Open"));
    QVERIFY(open.seen);
    QCOMPARE(open.text, QStringLiteral("Recording Mode!\n\rPlease stop recording!"));
    QCOMPARE(open.icon, QMessageBox::Critical);
    QCOMPARE(open.title, QApplication::applicationDisplayName());
    QCOMPARE(fileList(), files);
    QCOMPARE(files->model()->rows(), fileRows);

    List *list = m_commands->windows()->currentList();
    QVERIFY(list);
    Message save;
    readMessage(&save);
    list->runKey(QStringLiteral("Save"));
    // The refusal comes before any dialog: a file dialog shown instead would have been
    // rejected by readMessage after its wait, leaving save.seen false.
    QVERIFY(save.seen);
    QCOMPARE(save.text, QStringLiteral("Aready in recording mode, close it and try again !"));
    QCOMPARE(save.icon, QMessageBox::Critical);
    QVERIFY(!list->isSaving());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    press(1);
}

void TestRecordingGui::saveOfRealTimeList_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty grid: empty file") << 0 << QByteArray();
    QTest::newRow("two rows: trailing TAB")
        << 2
        << QByteArray("1\t09:30:01\t21.5\t10.2\t14.9\t48.5\t70.7\t50.4\t58.8\t\r\n"
                      "2\t09:30:02\t21.5\t10.2\t14.9\t48.5\t70.7\t50.4\t58.8\t\r\n");
}

void TestRecordingGui::saveOfRealTimeList()
{
    QFETCH(int, samples);
    QFETCH(QByteArray, expected);
    press(3);
    for (int i = 0; i < samples; ++i) {
        m_clock.now = m_clock.now.addSecs(1);
        m_recorder->tick();
    }
    List *list = m_commands->windows()->currentList();
    const QString path = m_dir->filePath(QStringLiteral("list.txt"));
    QSignalSpy finished(list, &RecordWindow::saveFinished);
    chooseFile(path);
    list->runKey(QStringLiteral("Save"));
    QVERIFY(finished.count() == 1 || finished.wait(5000));
    QCOMPARE(finished.first().at(0).toBool(), true);
    QCOMPARE(readBytes(path), expected);
    QCOMPARE(list->windowTitle(), QStringLiteral("Real Time List"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestRecordingGui::cancelledSaveWritesNothing()
{
    press(3);
    m_recorder->tick();
    List *list = m_commands->windows()->currentList();
    QSignalSpy finished(list, &RecordWindow::saveFinished);
    cancelFileDialog();
    list->runKey(QStringLiteral("Save"));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toBool(), false);
    QCOMPARE(list->windowTitle(), QStringLiteral("Real Time List"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // Cancelling the recording's dialog starts nothing.
    cancelFileDialog();
    press(1);
    QVERIFY(!m_recorder->isRecording());
    QCOMPARE(m_panel->toolbarButton(1)->toolTip(), QStringLiteral("Save As"));
}

void TestRecordingGui::listReopensNumberingFromOne()
{
    press(3);
    for (int i = 0; i < 3; ++i)
        m_recorder->tick();
    QPointer<List> first = m_commands->windows()->currentList();
    QCOMPARE(first->model()->rows(), 4);
    press(3);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    List *second = m_commands->windows()->currentList();
    QVERIFY(second->isVisible());
    QCOMPARE(second->model()->rows(), 1);
    m_recorder->tick();
    QCOMPARE(second->model()->cellText(1, 0), QStringLiteral("1"));
    // Closing the list stops the listing.
    second->close();
    QVERIFY(!m_recorder->isListActive());
    QCOMPARE(m_recorder->listCount(), 0);
}

void TestRecordingGui::silentMeterClosesRealTimeList()
{
    press(3);
    QPointer<List> list = m_commands->windows()->currentList();
    Q_EMIT m_poll->meterSilent();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!list);
    QVERIFY(!m_recorder->isListActive());
    QSignalSpy rows(m_recorder.get(), &Recorder::listRowAppended);
    m_recorder->tick();
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
    List *list = m_commands->windows()->currentList();
    QVERIFY(QTest::qWaitForWindowExposed(list));
    for (int i = 0; i < appended; ++i) {
        m_recorder->tick();
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    QCOMPARE(list->topRow(), topRow);
    const QRect last = list->grid()->visualRect(list->model()->index(appended - 1, 0));
    QVERIFY(list->grid()->viewport()->rect().contains(last));
}

void TestRecordingGui::sampleInputs_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("expected");
    QTest::newRow("5") << "5" << true << 5;
    QTest::newRow("2.6 -> 3") << "2.6" << true << 3;
    QTest::newRow("2.5 -> 2") << "2.5" << true << 2;
    QTest::newRow("0 -> 1") << "0" << true << 1;
    QTest::newRow("100000 -> 86400") << "100000" << true << 86400;
    QTest::newRow("abc: unchanged") << "abc" << true << 7;
    QTest::newRow("empty: unchanged") << "" << true << 7;
    QTest::newRow("cancel: unchanged") << "9" << false << 7;
}

void TestRecordingGui::sampleInputs()
{
    QFETCH(QString, answer);
    QFETCH(bool, accept);
    QFETCH(int, expected);
    m_recorder->setSamplingTime(7);
    m_recorder->tick();
    QString title;
    QString prompt;
    QString shown;
    whenModal<QInputDialog>([&](QInputDialog *dialog) {
        title = dialog->windowTitle();
        prompt = dialog->labelText();
        shown = dialog->textValue();
        dialog->setTextValue(answer);
        accept ? dialog->accept() : dialog->reject();
    });
    press(5);
    QCOMPARE(title, QStringLiteral("Input Sampling Time"));
    QCOMPARE(prompt, QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) "));
    QCOMPARE(shown, QStringLiteral("7"));
    QCOMPARE(m_recorder->samplingTime(), expected);
    // A taken answer makes the next tick sample.
    QCOMPARE(m_recorder->sampleTicks(), expected == 7 ? 1 : 0);
}

QTEST_MAIN(TestRecordingGui)
#include "tst_recording_gui.moc"
