#pragma once

#include "DisplayForm.h"
#include "FailurePanel.h"
#include "FileDialog.h"
#include "ListInput.h"
#include "LoudnessLevels.h"
#include "ReadAll.h"
#include "ScanControls.h"
#include "SegmentPlayer.h"
#include "TextPrompt.h"
#include "WindowExports.h"
#include "WindowMarks.h"
#include "WindowScanHost.h"
#include "record/Scanner.h"
#include "record/SegmentTable.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

namespace quelm
{

class FileFollower;
class MprisService;
class SegmentTableModel;
class WindowMenus;

// The program's one window: its handlers, named after the control and the
// event, and the state they share. The controls, the failure panel, the
// list's input, the scan's view and the player are parts of their own that
// the handlers use. Tests drive the handlers directly.
class Display : public QWidget
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
    // Throws Failure when the play fails; a failed save asks again.
    void ListView_ItemClick(int Position);

    void Look4Frame(const std::string& File);
    void PlaySegment(const SegmentRow& Row);
    void SaveSegment(const SegmentRow& Row);

    const std::string& RecordFile() const { return m_recordFile; }
    std::int32_t RecordCount() const { return m_table.RecordCount(); }
    std::int32_t NextRecord() const { return m_nextRecord; }
    bool KeepScanning() const { return m_scanner.KeepScanning(); }
    bool Scanning() const { return m_scanner.Scanning(); }
    bool RightButton() const { return m_rightButton; }
    const SegmentTable& Table() const { return m_table; }
    FileDialog& Dialogs() { return m_dialogs; }
    QTimer& Timer(int Index) { return m_timer[static_cast<std::size_t>(Index)]; }
    double ProgressMax() const { return m_progressMax; }
    int ProgressValue() const { return m_progressValue; }
    // The selected row's position, 0 when none is selected.
    int SelectedPosition() const { return m_input.SelectedPosition(); }

    FailurePanel& Failures() { return m_failures; }
    SegmentPlayer& Player() { return m_player; }
    const SegmentPlayer& Player() const { return m_player; }
    FileFollower& Follower() { return *m_follower; }
    WindowMenus& Menus() { return *m_menus; }
    TextPrompt& Prompts() { return m_prompt; }
    WindowMarks& Marks() { return m_marks; }
    ReadAll& Reading() { return m_readAll; }
    LoudnessLevels& Levels() { return m_levels; }
    WindowExports& Exports() { return m_exports; }

    // Plays the row at Position as a left click does, selected and shown;
    // true when it sounds.
    bool PlayRowAt(int Position);
    // The row after (Step 1) or before (Step -1) the message played last,
    // or the selected row while none was; 0 when there is none.
    int NeighbourPosition(int Step) const;
    // Play while nothing plays: the paused message goes on, or the selected
    // row plays, or the last message plays again.
    void PlayOrResume();
    // Ends the playing message and a reading of all of them.
    void StopPlayback();
    // Asks for a time of day and selects the row that reaches it.
    void GoToTime();
    // Selects the message played last in this file.
    void GoToLastPlayed();
    // Loads the record file after (Step 1) or before (Step -1) this one.
    void LoadNeighbour(int Step);
    // Changes the mark of the selected row: Edit gets the row's key.
    void MarkSelected(const std::function<MarkChange(const Mark& Now)>& Edit);

  protected:
    void closeEvent(QCloseEvent* Event) override;

  private:
    void ConnectHandlers();
    void ConnectPlayer();
    void ConnectMenus();
    // Enables each action exactly when what it stands for would act.
    void UpdateActions();
    // The playing row's mark and the bar's time.
    void ShowPlayback();
    void ConnectMarks();
    // Offers the player to the desktop's media keys and widget.
    void ConnectMediaKeys();
    // Levelled playback: measures the message playing and the next ones,
    // and plays each at the one loudness once it is known.
    void ConnectLevelling();
    void ApplyLevel();
    // Marks the playing message heard once it has sounded long enough.
    void CheckHeard(bool Ended);
    // Selects and shows the row at Position without playing it.
    void ShowPosition(int Position);
    // A scan (by default the full one) with the control states around it.
    void ScanLoadedFile(const std::function<void()>& Scan = {});
    void RowClicked(int Position);
    void SelectPosition(int Position);
    void StopAutoRead();
    void SetProgress(double Maximum, int Value);
    SegmentRow RowAt(int Position) const;
    FileDialogSettings DialogSettings(const QString& FileName, const QString& Title) const;

    SegmentTable m_table;
    SegmentTableModel* m_model;
    const DisplayForm m_form;
    WindowScanHost m_host;
    Scanner m_scanner;
    SegmentPlayer m_player;
    ReadAll m_readAll;
    WindowMenus* m_menus = nullptr;
    FileDialog m_dialogs;
    FailurePanel m_failures;
    ListInput m_input;
    TextPrompt m_prompt;
    WindowMarks m_marks;
    LoudnessLevels m_levels;
    WindowExports m_exports;
    ScanControls m_controls;
    std::array<QTimer, 2> m_timer;
    std::unique_ptr<FileFollower> m_follower;
    std::unique_ptr<MprisService> m_mpris; // after the player, which outlives it

    // Shared state of the handlers.
    std::string m_recordFile;
    std::int32_t m_nextRecord = 0;
    bool m_rightButton = false;
    double m_progressMax = 100;
    int m_progressValue = 0;
    bool m_unloaded = false;
};

} // namespace quelm
