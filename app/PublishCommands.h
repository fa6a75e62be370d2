#pragma once

#include "publish/PublishSettings.h"

#include <QObject>
#include <QPointer>

class QLabel;

namespace dewscope {

class MainWindow;
class PasswordStore;
class PublishDialog;
class PublishingSession;

// The main window's "Publish" key: its dialog, the publishing of the meter the window shows,
// and the publishing status in the window's status strip. Publishing that was on when the
// program ended starts again with it; closing the program publishes "offline" first.
class PublishCommands : public QObject
{
    Q_OBJECT

public:
    PublishCommands(MainWindow *mainWindow, QObject *parent = nullptr);
    ~PublishCommands() override;

    PublishingSession *session() const { return m_session; }
    PublishDialog *dialog() const; // while it is open

    // After the main window's load: publishing starts when it was on at the last exit and the
    // meter is online.
    void startIfWanted();
    // "Publish": the dialog.
    void openDialog();
    // The program closes: "offline", then stopped(); the settings keep whether it was on.
    void stop();

Q_SIGNALS:
    void stopped();

private:
    void apply(const PublishSettings &settings, const QString &password);
    void start();
    void showStatus();
    QString passwordPlace() const;

    MainWindow *m_mainWindow;
    PublishingSession *m_session;
    PasswordStore *m_passwords;
    PublishSettings m_settings;
    QString m_password;
    QPointer<PublishDialog> m_dialog;
    bool m_passwordKnown = false;
    bool m_startAfterRead = false;
    bool m_dialogAfterRead = false;
    bool m_restart = false; // start again once the running session has stopped
    bool m_closing = false;
};

} // namespace dewscope
