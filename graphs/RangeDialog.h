#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dewscope {

struct GraphScales;

// What the range dialogs of both graphs share: the Celsius and Fahrenheit options over the two
// temperature boxes, the two humidity boxes and OK, all filled from the graph's scales when the
// dialog opens (Celsius selected); the refusal's message; the placing over the graph. Modeless.
class RangeDialog : public QDialog
{
    Q_OBJECT

public:
    QRadioButton *optCelsius() const { return m_cOpt; }
    QRadioButton *optFahrenheit() const { return m_fOpt; }
    QLineEdit *txtMax() const { return m_txtMax; }
    QLineEdit *txtMin() const { return m_txtMin; }
    QLineEdit *txtMaxR() const { return m_txtMaxR; }
    QLineEdit *txtMinR() const { return m_txtMinR; }
    QPushButton *cmdOk() const { return m_cmdOk; }

protected:
    RangeDialog(const QString &caption, const GraphScales *scales, QWidget *parent);

    // A stored number as its shortest text (7 significant digits at most), with the digits 0 to 9
    // and the system's decimal mark when that is "," (otherwise "."), as the boxes read it.
    static QString numberText(float value);
    // What the key filters let through besides Backspace and "-".
    static bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
    static bool isDecimalMark(QChar c) { return c == QLatin1Char('.') || c == QLatin1Char(','); }
    // A sunken caption over or beside a box; width 0 leaves it to the layout.
    static QLabel *caption(const QString &text, int width = 0);
    // Fixes the dialog's size to its layout and centres it over the graph's window.
    void placeOver(QWidget *graphWindow);
    // A refused group's message (critical icon, the program's title), shown without a nested
    // event loop; the dialog stays open with the user's text.
    void refuse(const QString &message);

    bool m_checking = false; // OK is running: a second click waits for it

private:
    void showScale(bool celsius);

    const GraphScales *m_scales;
    QRadioButton *m_cOpt;
    QRadioButton *m_fOpt;
    QLineEdit *m_txtMax;
    QLineEdit *m_txtMin;
    QLineEdit *m_txtMaxR;
    QLineEdit *m_txtMinR;
    QPushButton *m_cmdOk;
};

} // namespace dewscope
