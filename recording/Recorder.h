#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTime>

#include <optional>

namespace dewscope {

class Poll;
struct SharedState;

// The PC recorder: the main window's second timer (960 ms). Every samplingTime ticks one
// sample of the live display texts becomes a record line, written to the recording's data file
// and appended to the File List while recording, and to the Real Time List while that is open.
//
// Each record is written as one complete line with a single write to the system and flushed
// before the tick ends, so a crash of the program loses no written record. A write that fails
// (disk full, file removed, no permission) abandons the tick: the line is taken back out of the
// file if only part of it got there, the count and sampleTicks stay as they were, and the next
// tick samples again. A recording file that was deleted or replaced on disk is opened again
// (created) at its path, so the records that follow are not written into an unreachable file.
// Failed writes show no message of their own; the recorder keeps the system's reason and counts
// the samples missed, so the window and the command line can make the failure visible.
//
// Each record ends with a tenth field, the local date and time of the sampling tick with its UTC
// offset, unless nine fields are asked for. While the meter is silent (from the poll's silence
// until the next decoded reading) samples are taken and stamped as always, but none is written
// or listed: a silent meter never shows up in a file as a reading.
class Recorder : public QObject
{
    Q_OBJECT

public:
    static constexpr int TickIntervalMs = 960;
    static constexpr int DefaultSamplingTime = 2;
    static constexpr int MinSamplingTime = 1;
    static constexpr int MaxSamplingTime = 86400;
    static constexpr qint64 MaxRecords = 35000;
    static constexpr int MaxListRows = 34999;

    // The time of day the recorder stamps against; tests give a clock of their own.
    class Clock
    {
    public:
        virtual ~Clock();
        virtual QTime timeOfDay() const = 0;
        // The date and time of the tick; by default today's date at timeOfDay().
        virtual QDateTime dateTime() const;
    };

    explicit Recorder(SharedState *state, QObject *parent = nullptr);
    ~Recorder() override;

    // The clock to read (not owned); nullptr returns to the system clock.
    void setClock(const Clock *clock);

    // The main window's load: not recording, sampling time 2 s.
    void loadDefaults();
    // The main window's load: the time stamp starts as the clock's time of day.
    void resetRecordTime();
    // Starts or stops the 960 ms timer.
    void setTimerEnabled(bool enabled);
    bool isTimerEnabled() const;

    // Sampling time in whole seconds, 1 to 86400.
    int samplingTime() const;
    // Sets the sampling time (limited to 1..86400); the next tick takes a sample.
    void setSamplingTime(int seconds);
    // The "Sample" answer: empty or not a number changes nothing and returns false; otherwise
    // the number is rounded half to even, limited to 1..86400 and applied.
    bool applySamplingTimeAnswer(const QString &answer);
    // The sampling time an answer gives, or nothing for an empty or non-numeric answer.
    static std::optional<int> parseSamplingTime(const QString &answer);

    // Ticks since the last sample; 0 means: sample at the next tick.
    int sampleTicks() const;
    // The stamp of the latest sample, "hh:mm:ss".
    QString recordTime() const;
    void setRecordTime(const QTime &time);

    // Recording to a data file.
    bool isRecording() const;
    qint64 recordCount() const;
    QString filePath() const;
    QString fileTitle() const;
    // Creates or truncates the file and starts recording. Returns false (and changes nothing)
    // when already recording or when the file cannot be created.
    bool startRecording(const QString &path, QString *error = nullptr);
    // Stops recording and closes the file.
    void stopRecording();

    // Records of nine fields, without the date and time (the older layout).
    bool nineFields() const;
    void setNineFields(bool nine);

    // The meter's silence as the poll declares it, until it decodes a reading again.
    void watchPoll(const Poll *poll);
    bool isMeterSilent() const;
    // Silences that cost the recording at least one sample, and their time in seconds (from
    // the poll's declaring each until the next reading); kept after the recording stopped until
    // the next one starts.
    qint64 silences() const;
    double silentSeconds() const;

    // Real-time listing: on from the opening of the Real Time List until it unloads or has
    // taken MaxListRows rows.
    bool isListActive() const;
    int listCount() const;
    // The Real Time List was opened: numbering starts again from 1.
    void startList();
    // The Real Time List unloaded.
    void listClosed();

    // True while the recording's writes fail: from a failed sample to the next one written.
    bool isWriteFailing() const;
    // The system's reason for the latest failed write of the recording.
    QString writeError() const;
    // Samples missed since the writes began to fail (0 while they succeed).
    qint64 samplesMissed() const;
    // Samples missed in the whole recording, kept after it stopped until the next one starts.
    qint64 totalSamplesMissed() const;

    // What the main window's labels show.
    QString fileNameLabel() const;
    QString countLabel() const;
    QString recLabel() const;
    bool isRecLabelVisible() const;

public Q_SLOTS:
    // One tick of the 960 ms timer.
    void tick();
    // The poll found the meter silent (true) or decoded a reading again (false).
    void setMeterSilent(bool silent);

Q_SIGNALS:
    // The file name, count or "Rec" label changed.
    void labelsChanged();
    // A recording started (fileTitle is the file's name without folder) or stopped, by the
    // user or at MaxRecords.
    void recordingStarted(const QString &fileTitle);
    void recordingStopped();
    // A record was written: the row for the File List ("number TAB time TAB values").
    void fileListRowAppended(const QString &rowText);
    // A sample for the Real Time List, numbered with the list's own count.
    void listRowAppended(const QString &rowText);
    // A record is in the file (count within the recording).
    void recordWritten(qint64 count);
    // A sample could not be written (reason from the system); missed counts the samples lost
    // since the writes began to fail, 1 for the first of them.
    void writeFailed(const QString &reason, qint64 missed);
    // A sample was written again after missed samples had failed.
    void writeRecovered(qint64 missed);
    // The recording reached MaxRecords and stopped (recordingStopped follows).
    void recordingFull();
    // A recording's silence began to cost samples (the first sample skipped), or ended.
    void silenceBegan();
    void silenceEnded(double seconds);

private:
    void endRecording();

    class Private;
    Private *d;
};

} // namespace dewscope
