#include "alarms/AlarmDialog.h"

#include "desktop/ProgramSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace dewscope {

namespace {

const QString Group = QStringLiteral("Alarms");
const char *const BoxNames[]
    = { "tempLow",        "tempHigh",     "rhLow",        "rhHigh", "delay",
        "hysteresisTemp", "hysteresisRh", "silenceDelay", "logPath" };

} // namespace

AlarmDialog::AlarmDialog(QWidget *parent)
    : QDialog(parent)
    , m_unit(new QComboBox)
    , m_notify(new QCheckBox(QStringLiteral("Desktop notification at each start and end")))
    , m_sound(new QCheckBox(QStringLiteral("Sound until acknowledged")))
{
    setObjectName(QStringLiteral("AlarmDialog"));
    setWindowTitle(QStringLiteral("Alarms"));
    for (const char *name : BoxNames) {
        auto *box = new QLineEdit;
        box->setObjectName(QString::fromLatin1(name));
        m_boxes.insert(box->objectName(), box);
    }
    m_unit->setObjectName(QStringLiteral("unit"));
    m_unit->addItems({ QString::fromUtf8("°C"), QString::fromUtf8("°F") });
    m_notify->setObjectName(QStringLiteral("notify"));
    m_sound->setObjectName(QStringLiteral("sound"));
    const auto pair = [this](const char *low, const char *high, QWidget *extra = nullptr) {
        auto *row = new QHBoxLayout;
        row->addWidget(m_boxes.value(QLatin1String(low)));
        row->addWidget(m_boxes.value(QLatin1String(high)));
        if (extra)
            row->addWidget(extra);
        return row;
    };
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Temperature low, high:"), pair("tempLow", "tempHigh", m_unit));
    form->addRow(QStringLiteral("Humidity low, high (%):"), pair("rhLow", "rhHigh"));
    form->addRow(QStringLiteral("Delay (s):"), m_boxes.value(QStringLiteral("delay")));
    form->addRow(QStringLiteral("Hysteresis temperature, humidity:"),
                 pair("hysteresisTemp", "hysteresisRh"));
    form->addRow(QStringLiteral("Silent meter after (s):"),
                 m_boxes.value(QStringLiteral("silenceDelay")));
    auto *browse = new QPushButton(QStringLiteral("Browse..."));
    QLineEdit *log = m_boxes.value(QStringLiteral("logPath"));
    connect(browse, &QPushButton::clicked, this, [this, log] {
        const QString path
            = QFileDialog::getSaveFileName(this, QStringLiteral("Alarm log"), log->text(),
                                           QString(), nullptr, QFileDialog::DontConfirmOverwrite);
        if (!path.isEmpty())
            log->setText(path);
    });
    auto *logRow = new QHBoxLayout;
    logRow->addWidget(log, 1);
    logRow->addWidget(browse);
    form->addRow(QStringLiteral("Alarm log:"), logRow);
    form->addRow(m_notify);
    form->addRow(m_sound);
    m_boxes.value(QStringLiteral("tempLow"))->setPlaceholderText(QStringLiteral("none"));
    m_boxes.value(QStringLiteral("tempHigh"))->setPlaceholderText(QStringLiteral("none"));
    m_boxes.value(QStringLiteral("rhLow"))->setPlaceholderText(QStringLiteral("none"));
    m_boxes.value(QStringLiteral("rhHigh"))->setPlaceholderText(QStringLiteral("none"));
    m_boxes.value(QStringLiteral("delay"))->setPlaceholderText(QStringLiteral("0"));
    m_boxes.value(QStringLiteral("hysteresisTemp"))
        ->setPlaceholderText(QStringLiteral("0.5 / 0.9"));
    m_boxes.value(QStringLiteral("hysteresisRh"))->setPlaceholderText(QStringLiteral("2"));
    m_boxes.value(QStringLiteral("silenceDelay"))->setPlaceholderText(QStringLiteral("60"));
    log->setPlaceholderText(QStringLiteral("no log"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &AlarmDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AlarmDialog::reject);
    auto *column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(buttons);

    const QHash<QString, QString> kept = storedTexts();
    for (QLineEdit *box : std::as_const(m_boxes))
        box->setText(kept.value(box->objectName()));
    m_unit->setCurrentIndex(kept.value(QStringLiteral("unit")) == QLatin1String("f") ? 1 : 0);
    m_notify->setChecked(kept.value(QStringLiteral("notify"), QStringLiteral("1")) != "0");
    m_sound->setChecked(kept.value(QStringLiteral("sound"), QStringLiteral("1")) != "0");
}

QHash<QString, QString> AlarmDialog::texts() const
{
    QHash<QString, QString> texts;
    for (QLineEdit *box : std::as_const(m_boxes))
        texts.insert(box->objectName(), box->text().trimmed());
    texts.insert(QStringLiteral("unit"),
                 m_unit->currentIndex() == 1 ? QStringLiteral("f") : QStringLiteral("c"));
    texts.insert(QStringLiteral("notify"), m_notify->isChecked() ? QStringLiteral("1") : "0");
    texts.insert(QStringLiteral("sound"), m_sound->isChecked() ? QStringLiteral("1") : "0");
    return texts;
}

QHash<QString, QString> AlarmDialog::storedTexts()
{
    QHash<QString, QString> texts;
    if (const auto store = ProgramSettings::open()) {
        store->beginGroup(Group);
        for (const QString &key : store->childKeys())
            texts.insert(key, store->value(key).toString());
    }
    return texts;
}

AlarmPreferences AlarmDialog::stored()
{
    QString problem;
    return AlarmPreferences::fromTexts(storedTexts(), &problem).value_or(AlarmPreferences());
}

void AlarmDialog::accept()
{
    const QHash<QString, QString> entered = texts();
    QString problem;
    const auto preferences = AlarmPreferences::fromTexts(entered, &problem);
    if (!preferences) {
        auto *box
            = new QMessageBox(QMessageBox::Warning, windowTitle(), problem, QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("AlarmProblem"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    if (const auto store = ProgramSettings::open()) {
        store->beginGroup(Group);
        for (auto it = entered.begin(); it != entered.end(); ++it)
            store->setValue(it.key(), it.value());
    }
    Q_EMIT applied(*preferences);
    QDialog::accept();
}

} // namespace dewscope
