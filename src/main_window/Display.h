#pragma once

#include "FileDialog.h"
#include "record/ScanHost.h"
#include "record/Scanner.h"
#include "record/SegmentTable.h"
#include "segment_output/MediaCommand.h"
#include "segment_output/PlaybackFolder.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QMouseEvent;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QTableView;

namespace quelm
{

class FileFollower;
class SegmentTableModel;

// The program's one window: the segment list, its commands, and the state
// they share. Handlers carry the names of the control and the event; tests
// drive them directly.
class Display : public QWidget, private ScanHost
{
    Q_OBJECT
  public:
    // Backend: what plays sounds; the window makes a Qt Multimedia one
    // when none is given.
    explicit Display(MediaBackend* Backend = nullptr, QWidget* Parent = nullptr);
    ~Display() override;

    void Form_Load();
    void Form_Unload();
    void Load_Click();
    // Loads Path as Load does once its dialog has returned it; the command
    // line and dropped files come in here too. A path that cannot be read
    // is refused with a message and changes nothing but Auto.
    void LoadFile(const QString& Path);
    void StopIt_Click();
    void Quit_Click();
    void Filter_Click();
    void Length_Change();
    void Auto_Click();
    void Timer_Timer(int Index);
    void ListView_MouseDown(int Button);
    // Throws Failure when the play or the save fails.
    void ListView_ItemClick(int Position);

    void Look4Frame(const std::string& File);
    void PlaySegment(const SegmentRow& Row);
    void SaveSegment(const SegmentRow& Row);

    const std::string& RecordFile() const { return m_recordFile; }
    const std::string& PlayFile() const { return m_playFile; }
    std::int32_t RecordCount() const { return m_table.RecordCount(); }
    std::int32_t NextRecord() const { return m_nextRecord; }
    bool KeepScanning() const { return m_scanner.KeepScanning(); }
    bool Scanning() const { return m_scanner.Scanning(); }
    bool RightButton() const { return m_rightButton; }
    const SegmentTable& Table() const { return m_table; }
    FileDialog& Dialogs() { return m_dialogs; }
    const MediaLayer& Media() const { return m_media; }
    QTimer& Timer(int Index) { return m_timer[static_cast<std::size_t>(Index)]; }
    double ProgressMax() const { return m_progressMax; }
    int ProgressValue() const { return m_progressValue; }
    QLabel* Panel(const QString& Key) const;
    // The last failure shown to the user, for as long as it is shown.
    QString LastFailure() const { return m_lastFailure; }
    FileFollower& Follower() { return *m_follower; }
    // Gives the "Filename" panel back what a failure covered (a few seconds
    // after it was shown).
    void EndFailure();
    // The selected row's position, 0 when none is selected.
    int SelectedPosition() const;

  protected:
    void closeEvent(QCloseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

  private:
    // What a scan asks of the window.
    void BeginClearRows() override;
    void EndClearRows() override;
    void BeginRemoveRow(std::int32_t Position) override;
    void EndRemoveRow() override;
    void RowChanged(std::int32_t Position) override;
    void ShowRow(std::int32_t Position) override;
    void RecordPanelChanged(const std::string& Text) override;
    void BusyPointer(bool Busy) override;
    void Yield(std::uint64_t Done, std::uint64_t Total) override;
    bool FilterOn() const override;
    std::int32_t FilterLength() const override;

    void BuildControls();
    void ConnectHandlers();
    // A scan (by default the full one) with the control states around it.
    void ScanLoadedFile(const std::function<void()>& Scan = {});
    void ShowFailure(const QString& Message);
    void ListPressed(const QMouseEvent& Mouse);
    bool ListKeyPressed(const QKeyEvent& Key);
    void LengthAction(int Action);
    void RowClicked(int Position);
    void SelectPosition(int Position);
    void StopAutoRead();
    void ShowScanProgress();
    void SetProgress(double Maximum, int Value);
    const SegmentRow& RowAt(int Position) const;
    FileDialogSettings DialogSettings(const QString& FileName, const QString& Title) const;

    SegmentTable m_table;
    Scanner m_scanner;
    std::unique_ptr<MediaBackend> m_ownedBackend;
    MediaLayer m_media;
    PlaybackFolder m_playback;
    FileDialog m_dialogs;

    // Shared state of the handlers.
    std::string m_recordFile;
    std::string m_playFile;
    std::int32_t m_nextRecord = 0;
    bool m_rightButton = false;

    QTableView* m_listView = nullptr;
    SegmentTableModel* m_model = nullptr;
    QPushButton* m_load = nullptr;
    QCheckBox* m_filter = nullptr;
    QScrollBar* m_length = nullptr;
    QPushButton* m_stopIt = nullptr;
    QCheckBox* m_auto = nullptr;
    QPushButton* m_quit = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QStatusBar* m_statusBar = nullptr;
    std::map<QString, QLabel*> m_panels;
    std::array<QTimer, 2> m_timer;
    std::unique_ptr<FileFollower> m_follower;
    std::pair<bool, std::int32_t> m_scanFilter{false, 0}; // Filter and Length at the last full scan
    QTimer m_failureShown;

    double m_progressMax = 100;
    int m_progressValue = 0;
    int m_rowToShow = 0;
    // The "Record" panel's text as the scan has it, shown now and then.
    std::string m_recordPanel;
    bool m_recordPanelPending = false;
    std::chrono::steady_clock::time_point m_lastShown;
    bool m_lengthHeld = false; // the mouse holds Length's arrow
    bool m_unloaded = false;
    QString m_lastFailure;
    QString m_failureText;     // as "Filename" shows it
    QString m_coveredFileName; // what the failure covers there
    QString m_coveredTip;
};

} // namespace quelm
