#pragma once

#include "meter/SharedState.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "meter/SimulatedMeter.h"

#include <QSignalSpy>
#include <QTest>

namespace dewscope::test {

// The program's side and the meter's side of one pseudo-terminal, with the poll ready to run.
struct MeterRig
{
    SimulatedMeter meter;
    PortMap ports;
    MeterLink link { &ports };
    SharedState state;
    Poll poll { &link, &state };
    QSignalSpy decoded { &poll, &Poll::readingDecoded };
    QSignalSpy silent { &poll, &Poll::meterSilent };
    QSignalSpy back { &poll, &Poll::meterBack };

    // Opens the meter (optionally behind a symbolic link) and the port as COM 1, sending fixed
    // values every intervalMs (0: the meter stays silent).
    bool start(double tempC, double rh, int intervalMs, const QString &linkPath = QString())
    {
        meter.setDrift(false);
        meter.setValues(tempC, rh);
        meter.setFrameInterval(qMax(intervalMs, 100));
        meter.setSilent(intervalMs == 0);
        meter.setLinkPath(linkPath);
        if (!meter.open())
            return false;
        ports.setOverride(linkPath.isEmpty() ? meter.path() : linkPath);
        link.setCommPort(1);
        state.comPortNumber = 1;
        state.meterOnline = true;
        return link.open() == MeterLink::NoError;
    }

    // Starts the poll and waits until it has shown that many frames.
    bool runUntilDecoded(int count)
    {
        poll.setEnabled(true);
        return QTest::qWaitFor([&] { return decoded.count() >= count; }, 3000);
    }
};

} // namespace dewscope::test
