#include "app/PublishCommands.h"

#include "app/MainWindow.h"
#include "desktop/PasswordStore.h"
#include "desktop/ProgramSettings.h"
#include "meter/MeterLink.h"
#include "meter/SharedState.h"
#include "publish/PublishDialog.h"
#include "publish/PublishingSession.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <utility>

namespace dewscope {

namespace {

// Beside the settings file; none while no settings are named (tests, tools).
QString passwordFile()
{
    const auto settings = ProgramSettings::open();
    return settings
        ? QFileInfo(settings->fileName()).dir().filePath(QStringLiteral("dewscope-mqtt-password"))
        : QString();
}

} // namespace

PublishCommands::PublishCommands(MainWindow *mainWindow, QObject *parent)
    : QObject(parent)
    , m_mainWindow(mainWindow)
    , m_session(new PublishingSession(mainWindow->poll(), mainWindow->sharedState(), this))
    , m_passwords(new PasswordStore(QStringLiteral("Dewscope"), QStringLiteral("mqtt-password"),
                                    passwordFile(), this))
{
    if (const auto settings = ProgramSettings::open())
        m_settings = PublishSettings::load(*settings);
    connect(m_session, &PublishingSession::statusChanged, this, &PublishCommands::showStatus);
    connect(m_session, &PublishingSession::stopped, this, [this] {
        if (m_closing) {
            Q_EMIT stopped();
        } else if (m_restart) {
            m_restart = false;
            start();
        }
    });
    connect(m_passwords, &PasswordStore::passwordRead, this, [this](const QString &password) {
        m_password = password;
        m_passwordKnown = true;
        if (std::exchange(m_startAfterRead, false) && !m_closing && !m_session->isRunning())
            start();
        if (std::exchange(m_dialogAfterRead, false))
            openDialog();
    });
    connect(mainWindow, &MainWindow::commandRequested, this, [this](const QString &key) {
        if (key == QLatin1String("Publish"))
            openDialog();
    });
    showStatus();
}

PublishCommands::~PublishCommands() = default;

PublishDialog *PublishCommands::dialog() const
{
    return m_dialog;
}

void PublishCommands::startIfWanted()
{
    if (!m_settings.enabled || !m_mainWindow->sharedState()->meterOnline)
        return;
    m_startAfterRead = true; // publishing starts with the password
    m_passwords->read();
}

void PublishCommands::openDialog()
{
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    // The key store is asked only when publishing needs the password.
    if (!m_passwordKnown) {
        m_dialogAfterRead = true;
        m_passwords->read();
        return;
    }
    const QString location = m_mainWindow->meterLink()->location();
    m_dialog = new PublishDialog(m_settings, m_password, m_settings.meterName(location),
                                 passwordPlace(), m_mainWindow);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &QDialog::accepted, this,
            [this] { apply(m_dialog->settings(), m_dialog->password()); });
    m_dialog->open();
}

QString PublishCommands::passwordPlace() const
{
    switch (m_passwords->place()) {
    case PasswordStore::Place::KeyStore:
        return QStringLiteral("The password is kept in the system's key store.");
    case PasswordStore::Place::File:
        return QStringLiteral("No key store answers: the password is kept in %1, readable by "
                              "you only.")
            .arg(m_passwords->file());
    case PasswordStore::Place::Nowhere:
        break;
    }
    return QStringLiteral("The password is kept in the system's key store, or where none "
                          "answers in a file readable by you only.");
}

void PublishCommands::apply(const PublishSettings &settings, const QString &password)
{
    const bool passwordChanged = password != m_password;
    m_settings = settings;
    m_password = password;
    if (const auto stored = ProgramSettings::open())
        m_settings.save(*stored);
    if (passwordChanged)
        m_passwords->write(password);
    if (m_session->isRunning()) {
        m_restart = m_settings.enabled;
        m_session->stop();
    } else if (m_settings.enabled) {
        start();
    }
}

void PublishCommands::start()
{
    if (!m_mainWindow->sharedState()->meterOnline)
        return;
    const QString location = m_mainWindow->meterLink()->location();
    m_session->start(m_settings.client(location, m_password),
                     m_settings.publisher(location, QApplication::applicationVersion()));
}

void PublishCommands::stop()
{
    m_closing = true;
    m_session->stop();
}

void PublishCommands::showStatus()
{
    QLabel *label = m_mainWindow->lblPublish();
    const PublishingSession::Status status = m_session->status();
    QString text;
    if (status.running && status.connected)
        text = status.waiting > 0
            ? QStringLiteral("MQTT: connected, %1 waiting").arg(status.waiting)
            : QStringLiteral("MQTT: connected");
    else if (status.running)
        text = status.waiting > 0
            ? QStringLiteral("MQTT: not connected, %1 waiting").arg(status.waiting)
            : QStringLiteral("MQTT: not connected");
    else if (!status.lastError.isEmpty())
        text = QStringLiteral("MQTT: stopped");
    if (!status.connected && !status.lastError.isEmpty())
        text += QStringLiteral(" (%1)").arg(status.lastError);
    label->setText(text);
    label->setToolTip(status.lastError.isEmpty()
                          ? QString()
                          : QStringLiteral("Last error: %1").arg(status.lastError));
    label->setVisible(!text.isEmpty());
}

} // namespace dewscope
