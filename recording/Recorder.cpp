#include "recording/Recorder.h"

#include "meter/Poll.h"
#include "meter/SharedState.h"
#include "recording/DataFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <cmath>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dewscope {

namespace {

const QString TimeFormat = QStringLiteral("hh:mm:ss");

class SystemClock : public Recorder::Clock
{
public:
    QTime timeOfDay() const override { return QTime::currentTime(); }
    QDateTime dateTime() const override { return QDateTime::currentDateTime(); }
};

const SystemClock &systemClock()
{
    static const SystemClock clock;
    return clock;
}

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double x)
{
    const double lower = std::floor(x);
    const double fraction = x - lower;
    if (fraction > 0.5)
        return lower + 1;
    if (fraction < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1;
}

} // namespace

Recorder::Clock::~Clock() = default;

QDateTime Recorder::Clock::dateTime() const
{
    return QDateTime(QDate::currentDate(), timeOfDay());
}

class Recorder::Private
{
public:
    SharedState *state = nullptr;
    const Clock *clock = &systemClock();
    QTimer timer;

    bool recording = false;
    int samplingTime = DefaultSamplingTime;
    int sampleTicks = 0;
    qint64 recordCount = 0;
    QTime recordTime = QTime(0, 0, 0);
    bool listActive = false;
    int listCount = 0;
    bool nineFields = false;

    bool silent = false;
    bool silenceCounted = false; // the silence under way has cost the recording a sample
    QElapsedTimer silentFor;
    qint64 silences = 0;
    double silentSeconds = 0; // of the silences counted and ended

    QFile file;
    QString path;
    qint64 goodSize = 0; // bytes of complete records in the file
    QString writeError; // the latest failed write's reason
    qint64 samplesMissed = 0; // since the writes began to fail
    qint64 totalSamplesMissed = 0; // in the recording

    QString fileNameLabel;
    QString countLabel;
    QString recLabel = QStringLiteral("Rec");
    bool recLabelVisible = false;

    bool fileStillInPlace() const;
    bool reopenForAppend();
    bool writeRecord(const QByteArray &line);
    void closeFile();
};

// True when the path still names the file we hold open (not deleted, not replaced).
bool Recorder::Private::fileStillInPlace() const
{
    if (!file.isOpen())
        return false;
#ifdef Q_OS_UNIX
    struct stat onDisk;
    struct stat held;
    if (::stat(QFile::encodeName(path).constData(), &onDisk) != 0)
        return false;
    if (::fstat(file.handle(), &held) != 0)
        return false;
    return onDisk.st_dev == held.st_dev && onDisk.st_ino == held.st_ino;
#else
    return QFileInfo::exists(path);
#endif
}

bool Recorder::Private::reopenForAppend()
{
    file.close();
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        writeError = file.errorString();
        return false;
    }
    goodSize = file.size();
    return true;
}

bool Recorder::Private::writeRecord(const QByteArray &line)
{
    if (!fileStillInPlace() && !reopenForAppend())
        return false;
    // A piece of a line left by a failed write whose cut failed too goes before this record.
    if (file.size() > goodSize && !file.resize(goodSize)) {
        writeError = file.errorString();
        return false;
    }
    errno = 0;
    const qint64 written = file.write(line);
    if (written != line.size() || !file.flush()) {
        // A write cut short (the disk filled up in the middle of the line) leaves no error on
        // the file; the system's reason is then in errno.
        const int systemError = errno;
        if (file.error() != QFileDevice::NoError)
            writeError = file.errorString();
        else if (systemError != 0)
            writeError = qt_error_string(systemError);
        else
            writeError = tr("only part of the record could be written");
        // Take a partial line back out so the file keeps only complete records.
        if (written > 0)
            file.resize(goodSize);
        return false;
    }
    goodSize += written;
    return true;
}

void Recorder::Private::closeFile()
{
    if (file.isOpen()) {
        file.flush();
#ifdef Q_OS_UNIX
        ::fsync(file.handle());
#endif
        file.close();
    }
}

Recorder::Recorder(SharedState *state, QObject *parent)
    : QObject(parent)
    , d(new Private)
{
    d->state = state;
    d->timer.setInterval(TickIntervalMs);
    connect(&d->timer, &QTimer::timeout, this, &Recorder::tick);
}

Recorder::~Recorder()
{
    d->closeFile();
    delete d;
}

void Recorder::setClock(const Clock *clock)
{
    d->clock = clock ? clock : &systemClock();
}

bool Recorder::nineFields() const
{
    return d->nineFields;
}

void Recorder::setNineFields(bool nine)
{
    d->nineFields = nine;
}

void Recorder::watchPoll(const Poll *poll)
{
    connect(poll, &Poll::meterSilent, this, [this] { setMeterSilent(true); });
    connect(poll, &Poll::readingDecoded, this, [this] { setMeterSilent(false); });
}

bool Recorder::isMeterSilent() const
{
    return d->silent;
}

qint64 Recorder::silences() const
{
    return d->silences;
}

double Recorder::silentSeconds() const
{
    return d->silentSeconds + (d->silenceCounted ? double(d->silentFor.elapsed()) / 1000 : 0.0);
}

void Recorder::setMeterSilent(bool silent)
{
    if (silent == d->silent)
        return;
    d->silent = silent;
    if (silent) {
        d->silentFor.start();
        return;
    }
    if (d->silenceCounted) {
        const double seconds = double(d->silentFor.elapsed()) / 1000;
        d->silentSeconds += seconds;
        d->silenceCounted = false;
        Q_EMIT silenceEnded(seconds);
    }
    Q_EMIT labelsChanged();
}

void Recorder::loadDefaults()
{
    if (d->recording)
        stopRecording();
    d->samplingTime = DefaultSamplingTime;
    d->recordCount = 0;
}

void Recorder::resetRecordTime()
{
    const QTime now = d->clock->timeOfDay();
    d->recordTime = QTime(now.hour(), now.minute(), now.second());
}

void Recorder::setTimerEnabled(bool enabled)
{
    if (enabled)
        d->timer.start();
    else
        d->timer.stop();
}

bool Recorder::isTimerEnabled() const
{
    return d->timer.isActive();
}

int Recorder::samplingTime() const
{
    return d->samplingTime;
}

void Recorder::setSamplingTime(int seconds)
{
    d->samplingTime = qBound(MinSamplingTime, seconds, MaxSamplingTime);
    d->sampleTicks = 0;
}

std::optional<int> Recorder::parseSamplingTime(const QString &answer)
{
    const QString text = answer.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok); // C locale: "." is the decimal mark
    if (!ok || std::isnan(value))
        return std::nullopt;
    const double limited = qBound(double(MinSamplingTime) - 1, value, double(MaxSamplingTime) + 1);
    return qBound(MinSamplingTime, int(roundHalfEven(limited)), MaxSamplingTime);
}

bool Recorder::applySamplingTimeAnswer(const QString &answer)
{
    const std::optional<int> seconds = parseSamplingTime(answer);
    if (!seconds)
        return false;
    setSamplingTime(*seconds);
    return true;
}

int Recorder::sampleTicks() const
{
    return d->sampleTicks;
}

QString Recorder::recordTime() const
{
    return d->recordTime.toString(TimeFormat);
}

void Recorder::setRecordTime(const QTime &time)
{
    d->recordTime = QTime(time.hour(), time.minute(), time.second());
}

bool Recorder::isRecording() const
{
    return d->recording;
}

qint64 Recorder::recordCount() const
{
    return d->recordCount;
}

QString Recorder::filePath() const
{
    return d->path;
}

QString Recorder::fileTitle() const
{
    return QFileInfo(d->path).fileName();
}

bool Recorder::startRecording(const QString &path, QString *error)
{
    if (d->recording) {
        if (error)
            *error = tr("A recording is already under way.");
        return false;
    }
    d->file.setFileName(path);
    if (!d->file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        if (error)
            *error = d->file.errorString();
        return false;
    }
    d->path = path;
    d->goodSize = 0;
    d->writeError.clear();
    d->samplesMissed = 0;
    d->totalSamplesMissed = 0;
    d->silences = 0;
    d->silentSeconds = 0;
    d->silenceCounted = false;
    d->recording = true;
    d->fileNameLabel = fileTitle();
    d->recLabelVisible = true;
    Q_EMIT labelsChanged();
    Q_EMIT recordingStarted(fileTitle());
    return true;
}

void Recorder::stopRecording()
{
    if (!d->recording)
        return;
    d->recLabelVisible = false;
    d->fileNameLabel.clear();
    endRecording();
}

// What both ways of stopping do: the count and its label go, the file is closed.
void Recorder::endRecording()
{
    d->recording = false;
    d->samplesMissed = 0;
    if (d->silenceCounted) {
        d->silentSeconds += double(d->silentFor.elapsed()) / 1000;
        d->silenceCounted = false;
    }
    d->countLabel.clear();
    d->recordCount = 0;
    d->closeFile();
    Q_EMIT labelsChanged();
    Q_EMIT recordingStopped();
}

bool Recorder::isListActive() const
{
    return d->listActive;
}

int Recorder::listCount() const
{
    return d->listCount;
}

void Recorder::startList()
{
    d->listCount = 0;
    d->listActive = true;
}

void Recorder::listClosed()
{
    d->listCount = 0;
    d->listActive = false;
}

bool Recorder::isWriteFailing() const
{
    return d->samplesMissed > 0;
}

QString Recorder::writeError() const
{
    return d->writeError;
}

qint64 Recorder::samplesMissed() const
{
    return d->samplesMissed;
}

qint64 Recorder::totalSamplesMissed() const
{
    return d->totalSamplesMissed;
}

QString Recorder::fileNameLabel() const
{
    return d->fileNameLabel;
}

QString Recorder::countLabel() const
{
    return d->countLabel;
}

QString Recorder::recLabel() const
{
    return d->recLabel;
}

bool Recorder::isRecLabelVisible() const
{
    return d->recLabelVisible;
}

void Recorder::tick()
{
    if (!d->state || !d->state->meterOnline)
        return;
    if (d->sampleTicks != 0 && d->sampleTicks < d->samplingTime) {
        ++d->sampleTicks;
        return;
    }

    // The stamp advances by the sampling time; when its seconds drift 4 or more away from the
    // clock's (also across a minute boundary) it is pulled back to the clock.
    d->recordTime = d->recordTime.addSecs(d->samplingTime);
    const QDateTime at = d->clock->dateTime();
    const QTime now = at.time();
    const int drift = now.second() - d->recordTime.second();
    if (drift >= 4 || drift <= -4)
        d->recordTime = QTime(now.hour(), now.minute(), now.second());

    QString line = DataFile::timeAndValues(recordTime(), d->state->texts);
    if (!d->nineFields)
        line += QLatin1Char(DataFile::Separator) + DataFile::dateTimeText(at);

    if (d->recording && d->silent) {
        // The sample is taken and stamped, but a silent meter's last values are no reading.
        if (!d->silenceCounted) {
            d->silenceCounted = true;
            ++d->silences;
            Q_EMIT silenceBegan();
            Q_EMIT labelsChanged();
        }
    } else if (d->recording) {
        if (d->recordCount == MaxRecords) {
            // The recording is full: close it without writing this sample. The labels clear
            // at the next tick, which samples again.
            d->recLabel.clear();
            Q_EMIT recordingFull();
            endRecording();
            return;
        }
        const qint64 number = d->recordCount + 1;
        if (!d->writeRecord(DataFile::recorderLine(number, line))) {
            // No message box in the tick: the next tick tries a sample again, and the failure
            // is reported for the labels and the command line to show.
            ++d->samplesMissed;
            ++d->totalSamplesMissed;
            Q_EMIT writeFailed(d->writeError, d->samplesMissed);
            Q_EMIT labelsChanged();
            return;
        }
        const qint64 missed = d->samplesMissed;
        d->samplesMissed = 0;
        if (missed > 0)
            Q_EMIT writeRecovered(missed);
        d->recordCount = number;
        d->countLabel = QString::number(number);
        d->recLabel = QStringLiteral("Rec");
        Q_EMIT labelsChanged();
        Q_EMIT recordWritten(number);
        Q_EMIT fileListRowAppended(QString::number(number) + QLatin1Char('\t') + line);
    } else {
        const bool changed = !d->fileNameLabel.isEmpty() || !d->countLabel.isEmpty()
            || !d->recLabel.isEmpty() || d->recordCount != 0;
        d->fileNameLabel.clear();
        d->countLabel.clear();
        d->recLabel.clear();
        d->recordCount = 0;
        if (changed)
            Q_EMIT labelsChanged();
    }

    if (d->listActive && !d->silent) {
        ++d->listCount;
        const int number = d->listCount;
        if (d->listCount == MaxListRows) {
            d->listCount = 0;
            d->listActive = false;
        }
        Q_EMIT listRowAppended(QString::number(number) + QLatin1Char('\t') + line);
    }

    d->sampleTicks = 1;
}

} // namespace dewscope
