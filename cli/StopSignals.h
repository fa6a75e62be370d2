#pragma once

#include <QObject>

class QSocketNotifier;

namespace dewscope::cli {

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal while it lives (the handler only writes a
// byte to a pipe; the event loop reads it), and puts the previous handlers back when it goes. A
// SIGHUP that was ignored when it came (nohup) stays ignored.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void stopRequested(int signalNumber);

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace dewscope::cli
