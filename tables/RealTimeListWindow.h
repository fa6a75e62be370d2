#pragma once

#include "tables/RecordWindow.h"

namespace dewscope {

// "Real Time List": one row per sample while real-time listing is on. Keys Save, Print.
// Unloading it stops the listing.
class RealTimeListWindow : public RecordWindow
{
    Q_OBJECT

public:
    explicit RealTimeListWindow(QWidget *parent = nullptr);
};

} // namespace dewscope
