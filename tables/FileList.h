#pragma once

#include "tables/RecordWindow.h"

namespace dewscope {

// "File List": the records of the current recording, or the lines of an opened data file.
// Keys Plot, Print.
class FileList : public RecordWindow
{
    Q_OBJECT

public:
    explicit FileList(QWidget *parent = nullptr);
};

} // namespace dewscope
