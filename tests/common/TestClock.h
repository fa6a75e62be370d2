#pragma once

#include "recording/Recorder.h"

#include <QTime>

namespace dewscope::test {

// The recorder's time of day, as the test sets it.
struct TestClock : Recorder::Clock
{
    QTime timeOfDay() const override { return now; }
    // Timer ticks of the recorder, the clock a second further with each.
    void ticks(Recorder *recorder, int count)
    {
        for (int i = 0; i < count; ++i) {
            now = now.addSecs(1);
            recorder->tick();
        }
    }
    QTime now;
};

} // namespace dewscope::test
