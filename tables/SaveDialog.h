#pragma once

#include "desktop/RememberedFolders.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace dewscope {

// The save-as dialog of the record tables and of starting a recording: types
// "Data Files (*.txt)" and "All Files (*.*)", All Files preselected, asks before replacing a
// file. The types it offers stay with the program's file dialog, so the Open command offers
// the same ones afterwards (and none before the first save dialog).
class SaveDialog
{
public:
    // Returns the chosen path, or an empty text when cancelled. The dialog starts in the folder
    // last chosen for this kind of file (a saved table or a recording) and remembers the new one.
    static QString run(QWidget *parent, RememberedFolders::Kind kind = RememberedFolders::Save);

    // The types the last save dialog offered; empty before the first one. Each ends in the
    // pattern list it filters by, which a dialog shows with HideNameFilterDetails.
    static QStringList lastNameFilters();
    static QString lastSelectedFilter();

    // A file was chosen by the last dialog and not yet used up by a save or a recording.
    static bool fileChosen();
    static QString saveFileName();
    static void clearFileChosen();
};

} // namespace dewscope
