#include "publish/PublishDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

namespace dewscope {

PublishDialog::PublishDialog(const PublishSettings &settings, const QString &password,
                             const QString &defaultName, const QString &passwordPlace,
                             QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_enabled(new QCheckBox(QStringLiteral("Publish this meter to an MQTT broker")))
    , m_host(new QLineEdit(settings.host))
    , m_port(new QSpinBox)
    , m_caFile(new QLineEdit(settings.caFile))
    , m_username(new QLineEdit(settings.username))
    , m_password(new QLineEdit(password))
    , m_name(new QLineEdit(settings.name))
    , m_label(new QLineEdit(settings.label))
    , m_interval(new QSpinBox)
    , m_qos(new QComboBox)
    , m_discovery(new QCheckBox(QStringLiteral("Home Assistant discovery")))
{
    setObjectName(QStringLiteral("PublishDialog"));
    setWindowTitle(QStringLiteral("Publish"));
    m_enabled->setChecked(settings.enabled);
    m_host->setPlaceholderText(QStringLiteral("broker.example.org"));
    m_port->setRange(1, 65535);
    m_port->setValue(settings.port);
    m_caFile->setPlaceholderText(QStringLiteral("none: no TLS"));
    auto *browse = new QPushButton(QStringLiteral("Browse..."));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(
            this, QStringLiteral("CA certificates"), m_caFile->text(),
            QStringLiteral("Certificates (*.pem *.crt);;All files (*)"));
        if (!file.isEmpty()) {
            m_caFile->setText(file);
            if (m_port->value() == 1883)
                m_port->setValue(8883);
        }
    });
    auto *caRow = new QHBoxLayout;
    caRow->addWidget(m_caFile, 1);
    caRow->addWidget(browse);
    m_password->setEchoMode(QLineEdit::Password);
    auto *place = new QLabel(passwordPlace);
    place->setObjectName(QStringLiteral("PasswordPlace"));
    place->setWordWrap(true);
    m_name->setPlaceholderText(defaultName);
    m_label->setPlaceholderText(QStringLiteral("the name"));
    m_interval->setRange(0, 86400);
    m_interval->setSuffix(QStringLiteral(" s"));
    m_interval->setSpecialValueText(QStringLiteral("every reading"));
    m_interval->setValue(settings.intervalSeconds);
    m_qos->addItem(QStringLiteral("0: readings are not sent while the broker is away"));
    m_qos->addItem(QStringLiteral("1: readings wait while the broker is away"));
    m_qos->setCurrentIndex(settings.qos);
    m_discovery->setChecked(settings.discovery);

    auto *form = new QFormLayout;
    form->addRow(m_enabled);
    form->addRow(QStringLiteral("Broker:"), m_host);
    form->addRow(QStringLiteral("Port:"), m_port);
    form->addRow(QStringLiteral("TLS CA file:"), caRow);
    form->addRow(QStringLiteral("User:"), m_username);
    form->addRow(QStringLiteral("Password:"), m_password);
    form->addRow(QString(), place);
    form->addRow(QStringLiteral("Name:"), m_name);
    form->addRow(QStringLiteral("Label:"), m_label);
    form->addRow(QStringLiteral("Interval:"), m_interval);
    form->addRow(QStringLiteral("QoS:"), m_qos);
    form->addRow(m_discovery);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &PublishDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PublishDialog::reject);
    auto *column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(buttons);
}

PublishSettings PublishDialog::settings() const
{
    PublishSettings s = m_settings;
    s.enabled = m_enabled->isChecked();
    s.host = m_host->text().trimmed();
    s.port = m_port->value();
    s.caFile = m_caFile->text().trimmed();
    s.username = m_username->text().trimmed();
    s.name = m_name->text().trimmed();
    s.label = m_label->text().trimmed();
    s.intervalSeconds = m_interval->value();
    s.qos = m_qos->currentIndex();
    s.discovery = m_discovery->isChecked();
    return s;
}

QString PublishDialog::password() const
{
    return m_password->text();
}

void PublishDialog::accept()
{
    const PublishSettings s = settings();
    QString problem;
    if (s.enabled && s.host.isEmpty())
        problem = QStringLiteral("Give the broker's host name or address.");
    else if (!s.name.isEmpty() && !MqttMessages::isMeterName(s.name))
        problem = QStringLiteral("The name takes letters, digits, - and _ only.");
    if (problem.isEmpty()) {
        QDialog::accept();
        return;
    }
    auto *box
        = new QMessageBox(QMessageBox::Warning, windowTitle(), problem, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace dewscope
