#pragma once

#include "tables/RecordWindow.h"

namespace dewscope {

// "Real Time List": one row per sample while real-time listing is on. Keys Save, Print.
// Unloading it stops the listing.
class List : public RecordWindow
{
    Q_OBJECT

public:
    explicit List(QWidget *parent = nullptr);
};

} // namespace dewscope
