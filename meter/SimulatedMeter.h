#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTime>

namespace dewscope {

// A meter that speaks the live protocol over a real pseudo-terminal (POSIX openpty, raw mode):
// the program opens path() like any serial port. Frames go out at a set interval with slowly
// drifting plausible values (or fixed ones); over-range and negative values, torn frames,
// garbage and silence on request; and a memory download (six bytes FF, then a memory image)
// sent at about the pace of 9600 baud.
//
// It is the tests' meter and the user's demo meter (dewscope --demo, dewscope-cli simulate).
class SimulatedMeter : public QObject
{
    Q_OBJECT

public:
    explicit SimulatedMeter(QObject *parent = nullptr);
    ~SimulatedMeter() override;

    // Opens the pseudo-terminal and starts sending. Returns false with a message on failure.
    bool open(QString *error = nullptr);
    void close();
    bool isOpen() const;
    // The path to open on the program's side, e.g. /dev/pts/4.
    QString path() const;

    // A symbolic link kept pointing at the current pseudo-terminal (created by open() and
    // replug(), removed by unplug() and close()): a stable location for a meter that is
    // unplugged and plugged in again. Empty (the default) makes none.
    void setLinkPath(const QString &linkPath);
    QString linkPath() const;
    // Pulls the plug: the pseudo-terminal is closed (an open port on it fails with an error)
    // and the link path vanishes. replug() opens a new pseudo-terminal and points the link
    // path at it; sending resumes.
    void unplug();
    bool replug(QString *error = nullptr);
    bool isPlugged() const;

    // Seeds the drift, so a run can be repeated.
    void setSeed(quint32 seed);

    // Time between frames (default 500 ms).
    void setFrameInterval(int milliseconds);
    int frameInterval() const;

    // The values sent (tenths are what the meter resolves). With drift on (the default) they
    // wander slowly around these values.
    void setValues(double tempC, double rh);
    double temperature() const;
    double humidity() const;
    void setDrift(bool drift);

    // Over-range flags of the next frames (bit 7; with negative also bit 6).
    void setTemperatureOverRange(bool overRange, bool negative = false);
    void setHumidityOverRange(bool overRange, bool negative = false);

    // While silent nothing is sent.
    void setSilent(bool silent);
    bool isSilent() const;

    // Sends bytes as they are (torn frames, garbage), between two regular frames.
    void sendRaw(const QByteArray &bytes);

    // Sends six bytes FF in place of the next frame, then the image at bytesPerSecond, by default
    // the line's 960 (even while silent); the image's first `along` bytes go out in the same
    // write as the announcement. The pace is kept by the clock: a sender held up catches up, as
    // the bytes of a real meter wait in the port meanwhile. Regular frames pause until the image
    // is out; downloadSent() follows.
    void sendDownload(const QByteArray &image, int along = 0, int bytesPerSecond = 960);
    bool isSendingDownload() const;

    // One live frame for the given values (tenths, sign and over-range bits as the meter codes
    // them).
    static QByteArray encodeFrame(double tempC, double rh);
    // The four bytes of a temperature-humidity pair, as in a frame or a memory record.
    static QByteArray encodeValues(double tempC, double rh);

    // A memory image: header (start and end time in BCD, interval, slot count) and the given
    // number of sets of recordsPerSet records each, every set closed by FF FF FF FF.
    static QByteArray makeMemoryImage(int sets, int recordsPerSet, QTime start,
                                      int intervalSeconds);

Q_SIGNALS:
    void frameSent(const QByteArray &frame);
    void downloadSent();

private:
    class Private;
    Private *d;
};

} // namespace dewscope
