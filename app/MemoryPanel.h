#pragma once

#include <QFrame>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dewscope {

// The main window's memory panel, shown after a download: the first and last time stored in the
// meter's memory, the number of sets, and the box where the user types a set number and presses
// Enter. The box takes the digits 0 to 9, Backspace, Delete and the keys that move in it.
class MemoryPanel : public QFrame
{
    Q_OBJECT

public:
    explicit MemoryPanel(QWidget *parent = nullptr);

    // Shows the start and end time of the memory and offers its number of sets in the box.
    void showSets(const QString &startTime, const QString &endTime, int setCount);

    QLineEdit *setBox() const { return m_setBox; }
    QLabel *startLabel() const { return m_startLabel; }
    QLabel *endLabel() const { return m_endLabel; }

Q_SIGNALS:
    // Enter in the set box: load the set whose number is in the text.
    void setLoadRequested(const QString &text);
    // "X": the panel is to close.
    void closeRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_setBox = nullptr;
    QLabel *m_startLabel = nullptr;
    QLabel *m_endLabel = nullptr;
    QPushButton *m_closeButton = nullptr;
};

} // namespace dewscope
