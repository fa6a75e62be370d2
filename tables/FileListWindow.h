#pragma once

#include "tables/RecordWindow.h"

namespace dewscope {

// "File List": the records of the current recording, or the lines of an opened data file.
// Keys Plot, Print.
class FileListWindow : public RecordWindow
{
    Q_OBJECT

public:
    explicit FileListWindow(QWidget *parent = nullptr);
};

} // namespace dewscope
