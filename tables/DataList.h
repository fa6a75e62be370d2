#pragma once

#include "tables/RecordWindow.h"

namespace dewscope {

// "Data List": the records of one set of the meter's memory. Keys Save, Plot, Print.
class DataList : public RecordWindow
{
    Q_OBJECT

public:
    explicit DataList(QWidget *parent = nullptr);

    // Puts the window's left edge at the main window's right edge, level with its top.
    void placeBeside(const QWidget *mainWindow);
};

} // namespace dewscope
