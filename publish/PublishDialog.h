#pragma once

#include "publish/PublishSettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace dewscope {

// "Publish": where and how the window publishes the meter it shows. OK checks the broker and
// the name; the password box says where the password is kept.
class PublishDialog : public QDialog
{
    Q_OBJECT

public:
    // defaultName: the meter's name when none is given; passwordPlace: where the password is
    // kept, in words.
    PublishDialog(const PublishSettings &settings, const QString &password,
                  const QString &defaultName, const QString &passwordPlace,
                  QWidget *parent = nullptr);

    PublishSettings settings() const;
    QString password() const;

    void accept() override;

private:
    PublishSettings m_settings;
    QCheckBox *m_enabled;
    QLineEdit *m_host;
    QSpinBox *m_port;
    QLineEdit *m_caFile;
    QLineEdit *m_username;
    QLineEdit *m_password;
    QLineEdit *m_name;
    QLineEdit *m_label;
    QSpinBox *m_interval;
    QComboBox *m_qos;
    QCheckBox *m_discovery;
};

} // namespace dewscope
