#pragma once

#include "tables/RecordWindow.h"

namespace dewscope {

// "Data List": the records of one set of the meter's memory. Keys Save, Plot, Print.
class DataListWindow : public RecordWindow
{
    Q_OBJECT

public:
    explicit DataListWindow(QWidget *parent = nullptr);

    // Puts the window's frame at the main window's right edge, level with its top, as far left
    // as needed to stay on the screen.
    void placeBeside(const QWidget *mainWindow);
};

} // namespace dewscope
