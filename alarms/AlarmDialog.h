#pragma once

#include "alarms/AlarmPreferences.h"

#include <QDialog>
#include <QHash>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace dewscope {

// The Alarms dialog: limits with the °C/°F choice, the delay, the hysteresis, the silent-meter
// delay, the alarm log and the actions. Its boxes are kept in the program's settings (group
// "Alarms") as typed; OK checks them and applies them, a refused entry says why and the dialog
// stays open.
class AlarmDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AlarmDialog(QWidget *parent = nullptr);

    // What the settings hold, as the dialog would apply it; the defaults when nothing is kept or
    // what is kept does not read.
    static AlarmPreferences stored();
    QLineEdit *box(const QString &name) const { return m_boxes.value(name); }

    // OK: checks, keeps and applies the boxes, or says why not.
    void accept() override;

Q_SIGNALS:
    void applied(const dewscope::AlarmPreferences &preferences);

private:
    QHash<QString, QString> texts() const;
    static QHash<QString, QString> storedTexts();

    QHash<QString, QLineEdit *> m_boxes;
    QComboBox *m_unit;
    QCheckBox *m_notify;
    QCheckBox *m_sound;
};

} // namespace dewscope
