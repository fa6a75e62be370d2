#pragma once

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/PortWindow.h"
#include "meter/SimulatedMeter.h"

#include <QPushButton>
#include <QtTest>

#include <memory>

namespace dewscope::test {

// The program started with COM 1 at a port location, or at a demo meter sending fixed values
// every 100 ms; its port window is up until ok().
struct ProgramRig
{
    SimulatedMeter meter;
    std::unique_ptr<Application> app;

    bool start(const QString &location)
    {
        app = std::make_unique<Application>(Application::Options { location });
        return app->start();
    }
    bool startMeter(double tempC, double rh)
    {
        meter.setDrift(false);
        meter.setValues(tempC, rh);
        meter.setFrameInterval(100);
        return meter.open() && start(meter.path());
    }
    // OK in the port window: the main window takes over.
    void ok() { QTest::mouseClick(app->port()->cmdOK(), Qt::LeftButton); }
    MainWindow *mainWindow() const { return app->mainWindow(); }
};

} // namespace dewscope::test
