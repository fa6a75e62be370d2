#pragma once

#include "meter/SharedState.h"
#include "recording/Recorder.h"

#include <QTemporaryDir>
#include <QTimeZone>

namespace dewscope::test {

// A recorder on a meter that counts as online and shows fixed texts, its samples stamped
// against a clock of the test's that each timer tick moves on a second.
struct RecorderRig
{
    struct Clock : Recorder::Clock
    {
        QTime timeOfDay() const override { return now; }
        // 7 December 2026 at one hour east of UTC: "2026-12-07T12:00:01+01:00".
        QDateTime dateTime() const override
        {
            return QDateTime(QDate(2026, 12, 7), now, QTimeZone(3600));
        }
        QTime now = QTime(12, 0, 0);
    };
    explicit RecorderRig(int samplingTime = 1)
    {
        state.meterOnline = true;
        // tempC, tempF, dewC, dewF, wetC, wetF, rh
        state.texts = { "23.4", "74.1", "12.1", "53.8", "16.5", "61.7", "49.0" };
        recorder.setClock(&clock);
        recorder.loadDefaults();
        recorder.resetRecordTime();
        recorder.setSamplingTime(samplingTime);
    }
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            clock.now = clock.now.addSecs(1);
            recorder.tick();
        }
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rec.txt"));
    SharedState state;
    Clock clock;
    Recorder recorder { &state };
};

} // namespace dewscope::test
