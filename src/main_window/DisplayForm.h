#pragma once

class QAbstractItemModel;
class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QTableView;
class QWidget;

namespace quelm
{

class DesignLayout;
class SeekBar;

// The window's controls as its design places them (in twips, scaled to the
// user's font), made on a window the way a Designer form makes them: the
// form only builds, names and places the widgets; what they do is wired by
// the window that owns them.
class DisplayForm
{
  public:
    // Builds every control on Window, the list over Model.
    DisplayForm(QWidget& Window, QAbstractItemModel& Model);

    DesignLayout* layout = nullptr; // places them, scaled to the user's font
    QTableView* listView = nullptr;
    QPushButton* load = nullptr;
    QCheckBox* filter = nullptr;
    QScrollBar* length = nullptr;
    QPushButton* stopIt = nullptr;
    QCheckBox* autoRead = nullptr;
    QPushButton* quit = nullptr;
    QStatusBar* statusBar = nullptr;
    QLabel* fileName = nullptr;     // the "Filename" panel
    QLabel* panel2 = nullptr;       // under the progress bar
    QLabel* record = nullptr;       // the "Record" panel, the segment counter
    SeekBar* progressBar = nullptr; // the playback position
};

} // namespace quelm
