#include "Display.h"

#include "DesignLayout.h"
#include "FileDrops.h"
#include "FileFollower.h"
#include "MprisService.h"
#include "RecentFiles.h"
#include "SeekBar.h"
#include "SegmentTableModel.h"
#include "WindowMenus.h"
#include "WindowPlacement.h"
#include "mapped_file/Failure.h"
#include "mapped_file/ReadOnlyFile.h"
#include "record/MarkerFormat.h"
#include "record/NumberReading.h"
#include "record/RecordFolder.h"
#include "record/TimeRange.h"
#include "record/TimeSearch.h"
#include "segment_output/DefaultName.h"
#include "segment_output/PathUtils.h"
#include "segment_output/SegmentSaver.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <filesystem>
#include <unistd.h>

namespace quelm
{

namespace
{

std::string LocalPath(const QString& Path)
{
    return QFile::encodeName(Path).toStdString();
}

QString DisplayPath(const std::string& Path)
{
    return QFile::decodeName(QByteArray::fromStdString(Path));
}

const QStringList kMp3Filters = {"MP3 Files (*.MP3)", "All Files (*.*)"};

} // namespace

Display::Display(MediaBackend* Backend, QWidget* Parent)
    : QWidget(Parent), m_model(new SegmentTableModel(m_table, this)), m_form(*this, *m_model),
      m_host(*m_model, *m_form.listView, *m_form.record, *m_form.filter, *m_form.length,
             [this] { return m_follower->Resuming(); }),
      m_scanner(m_table, m_host), m_player(Backend),
      m_readAll(
          m_player, m_table,
          ReadAll::Window{[this](int Position) { return PlayRowAt(Position); }, [this] { return m_follower->Live(); }}),
      m_menus(new WindowMenus(*this, *m_form.listView)), m_failures(*m_form.fileName),
      m_input(*m_form.listView, *m_form.length),
      m_exports(WindowExports::Window{
          this, m_dialogs, m_prompt, m_failures, m_table, [this]() -> const std::string& { return m_recordFile; },
          [this](const QString& FileName, const QString& Title) { return DialogSettings(FileName, Title); }}),
      m_controls(m_form)
{
    m_form.layout->setMenuBar(m_menus->bar);
    for (std::size_t i = 0; i < m_timer.size(); ++i) {
        m_timer[i].setInterval(1000);
        m_timer[i].setObjectName(QString("Timer%1").arg(i));
    }
    ConnectHandlers();
    ConnectPlayer();
    ConnectMenus();
    ConnectMarks();
    ConnectMediaKeys();
    ConnectLevelling();
    m_follower = std::make_unique<FileFollower>(
        m_recordFile, m_scanner, m_form.listView,
        FileFollower::Window{[this](const std::function<void()>& Scan) { ScanLoadedFile(Scan); },
                             [this] { m_host.ShowProgress(); },
                             [this](const std::string& Path, const QString& Why) {
                                 const QString failure = m_failures.LastFailure();
                                 LoadFile(DisplayPath(Path));
                                 if (m_failures.LastFailure() == failure) { // a failure of the load says more
                                     m_failures.Show(Why);
                                 }
                             }});
    Form_Load();
    // A dropped file is loaded once its drop has been answered.
    auto* drops = new FileDrops(*this, *m_form.load);
    connect(drops, &FileDrops::Dropped, this, &Display::LoadFile, Qt::QueuedConnection);
    connect(drops, &FileDrops::Refused, this, [this](const QString& Why) { m_failures.Show(Why); });
    UpdateActions();
}

Display::~Display() = default;

void Display::ConnectHandlers()
{
    // Program changes raise the same handling as the user's; setting the
    // state a control already has raises nothing (toggled, valueChanged).
    connect(m_form.load, &QPushButton::clicked, this, [this] { Load_Click(); });
    connect(m_form.stopIt, &QPushButton::clicked, this, [this] { StopIt_Click(); });
    connect(m_form.quit, &QPushButton::clicked, this, [this] { Quit_Click(); });
    connect(m_form.filter, &QCheckBox::toggled, this, [this] { Filter_Click(); });
    connect(m_form.length, &QScrollBar::valueChanged, this, [this] { Length_Change(); });
    connect(m_form.autoRead, &QCheckBox::toggled, this, [this] { Auto_Click(); });
    for (int i = 0; i < 2; ++i) {
        connect(&m_timer[static_cast<std::size_t>(i)], &QTimer::timeout, this, [this, i] { Timer_Timer(i); });
    }
    connect(&m_input, &ListInput::MouseDown, this, &Display::ListView_MouseDown);
    connect(&m_input, &ListInput::RowPressed, this, [this](int Position) {
        SelectPosition(Position);
        RowClicked(Position);
    });
    connect(&m_input, &ListInput::RowClicked, this, &Display::RowClicked);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_form.quit->isEnabled()) {
            m_form.quit->click();
        }
    });
}

void Display::ConnectPlayer()
{
    connect(&m_player, &SegmentPlayer::StateChanged, this, [this] {
        // The bar's count waits while the message does.
        if (m_player.CurrentState() == SegmentPlayer::State::Paused) {
            m_timer[0].stop();
        } else if (m_player.CurrentState() == SegmentPlayer::State::Playing &&
                   static_cast<float>(m_progressMax) > static_cast<float>(m_progressValue)) {
            m_timer[0].start();
        }
        ShowPlayback();
    });
    connect(&m_player, &SegmentPlayer::Seeked, this, [this](qint64 Milliseconds) {
        SetProgress(m_progressMax, static_cast<int>(Milliseconds / 1000));
        if (m_player.CurrentState() == SegmentPlayer::State::Playing) {
            m_timer[0].start(); // counts on from the new place
        }
    });
    connect(&m_player, &SegmentPlayer::SpeedChanged, this, [this](double Speed) {
        m_timer[0].setInterval(static_cast<int>(std::lround(1000 / Speed)));
        UpdateActions();
    });
    connect(&m_player, &SegmentPlayer::Failed, this, [this](const QString& Why) {
        m_timer[0].stop();
        SetProgress(m_progressMax, 0);
        m_failures.Show(Why);
    });
    connect(m_form.progressBar, &SeekBar::SeekRequested, this, [this](double Fraction) {
        if (m_player.Current()) {
            m_player.SeekTo(static_cast<std::int64_t>(Fraction * static_cast<double>(m_player.Current()->lengthMs)));
        }
    });
    connect(&m_readAll, &ReadAll::RunningChanged, this, [this] { UpdateActions(); });
    // Rows that following appends, or a row that got its end, let a
    // reading that waits for them go on.
    connect(m_model, &QAbstractItemModel::rowsInserted, &m_readAll, &ReadAll::RowsChanged, Qt::QueuedConnection);
    connect(m_model, &QAbstractItemModel::dataChanged, &m_readAll, &ReadAll::RowsChanged, Qt::QueuedConnection);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] { UpdateActions(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { UpdateActions(); });
    connect(m_form.listView->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { UpdateActions(); });
}

void Display::ConnectMenus()
{
    WindowMenus& menus = *m_menus;
    // The actions that stand for a control press it, so that its handler
    // and its enabled state stay the one truth.
    connect(menus.open, &QAction::triggered, m_form.load, &QPushButton::click);
    connect(menus.quit, &QAction::triggered, m_form.quit, &QPushButton::click);
    connect(menus.saveMessage, &QAction::triggered, this, [this] {
        if (SelectedPosition() != 0) {
            ListView_MouseDown(2);
            RowClicked(SelectedPosition());
        }
    });
    connect(menus.playPause, &QAction::triggered, this,
            [this] { m_player.Active() ? m_player.TogglePause() : PlayOrResume(); });
    connect(menus.stop, &QAction::triggered, this, &Display::StopPlayback);
    connect(menus.replay, &QAction::triggered, this, [this] { m_player.Replay(); });
    connect(menus.next, &QAction::triggered, this, [this] { PlayRowAt(NeighbourPosition(1)); });
    connect(menus.previous, &QAction::triggered, this, [this] { PlayRowAt(NeighbourPosition(-1)); });
    connect(menus.back, &QAction::triggered, this, [this] { m_player.SeekBy(-SegmentPlayer::kSeekStepMs); });
    connect(menus.forward, &QAction::triggered, this, [this] { m_player.SeekBy(SegmentPlayer::kSeekStepMs); });
    connect(menus.slower, &QAction::triggered, this, [this] { m_player.Slower(); });
    connect(menus.faster, &QAction::triggered, this, [this] { m_player.Faster(); });
    connect(menus.normalSpeed, &QAction::triggered, this, [this] { m_player.SetSpeed(1.0); });
    connect(menus.autoRead, &QAction::triggered, m_form.autoRead, &QCheckBox::setChecked);
    connect(m_form.autoRead, &QCheckBox::toggled, this, [this] { UpdateActions(); });
    connect(menus.readAll, &QAction::triggered, this, [this](bool On) {
        if (!On) {
            m_readAll.End();
            return;
        }
        m_form.autoRead->setChecked(false); // one reading at a time
        m_readAll.Start(SelectedPosition() != 0 ? SelectedPosition() : 1);
    });
    connect(menus.shortcuts, &QAction::triggered, this, [this] {
        auto* box = new QMessageBox(QMessageBox::NoIcon, "Keyboard shortcuts", m_menus->ShortcutList(),
                                    QMessageBox::Close, this);
        box->setObjectName("ShortcutsBox");
        box->setTextFormat(Qt::RichText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
    });
    connect(menus.about, &QAction::triggered, this, [this] {
        auto* box = new QMessageBox(
            QMessageBox::NoIcon, "About QuelmRdr",
            QString("%1\n\nLists, plays and saves the messages of a radio record file.").arg(windowTitle()),
            QMessageBox::Close, this);
        box->setObjectName("AboutBox");
        box->setIconPixmap(windowIcon().pixmap(48, 48));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
    });
}

void Display::ConnectMarks()
{
    m_model->SetMarks(&m_marks);
    connect(&m_marks, &WindowMarks::Changed, this, [this](const MarkKey& Key) {
        m_model->RowMarked(Key.offset + kMarkerLastByte);
        UpdateActions();
    });
    connect(&m_marks, &WindowMarks::Failed, this, [this](const QString& Why) { m_failures.Show(Why); });
    connect(&m_timer[0], &QTimer::timeout, this, [this] { CheckHeard(false); });
    connect(&m_player, &SegmentPlayer::Ended, this, [this] { CheckHeard(true); });

    WindowMenus& menus = *m_menus;
    connect(menus.goToTime, &QAction::triggered, this, &Display::GoToTime);
    connect(menus.saveMessages, &QAction::triggered, this, [this] { m_exports.SaveMessages(SelectedPosition()); });
    connect(menus.exportLabels, &QAction::triggered, this, [this] { m_exports.Export(ExportFormat::Labels); });
    connect(menus.exportChapters, &QAction::triggered, this, [this] { m_exports.Export(ExportFormat::Chapters); });
    connect(menus.exportCue, &QAction::triggered, this, [this] { m_exports.Export(ExportFormat::Cue); });
    connect(menus.lastPlayed, &QAction::triggered, this, &Display::GoToLastPlayed);
    connect(menus.nextFile, &QAction::triggered, this, [this] { LoadNeighbour(1); });
    connect(menus.previousFile, &QAction::triggered, this, [this] { LoadNeighbour(-1); });
    connect(menus.star, &QAction::triggered, this, [this] {
        MarkSelected([](const Mark& Now) { return MarkChange{!Now.star, {}, {}}; });
    });
    connect(menus.heard, &QAction::triggered, this, [this] {
        MarkSelected([](const Mark& Now) { return MarkChange{{}, !Now.heard, {}}; });
    });
    connect(menus.note, &QAction::triggered, this, [this] {
        MarkSelected([this](const Mark& Now) -> MarkChange {
            const auto text =
                m_prompt.Ask(this, "Note", "Note on this message (empty: none):", QString::fromStdString(Now.note));
            if (!text) {
                return {};
            }
            return MarkChange{{}, {}, text->trimmed().toStdString()};
        });
    });
    connect(menus.recent, &QMenu::aboutToShow, this, [this] {
        m_menus->recent->clear();
        const QStringList files = RecentFiles::List();
        for (const QString& file : files) {
            m_menus->recent->addAction(file, this, [this, file] { LoadFile(file); });
        }
        if (files.isEmpty()) {
            m_menus->recent->addAction("(none yet)")->setEnabled(false);
        }
    });
}

void Display::ConnectMediaKeys()
{
    MprisService::Hooks hooks;
    // The desktop's Play after a Stop means the same message again.
    hooks.play = [this] { m_player.Current() ? (void)m_player.Replay() : (void)PlayRowAt(SelectedPosition()); };
    hooks.next = [this] { PlayRowAt(NeighbourPosition(1)); };
    hooks.previous = [this] { PlayRowAt(NeighbourPosition(-1)); };
    hooks.canGoNext = [this] { return NeighbourPosition(1) != 0; };
    hooks.canGoPrevious = [this] { return NeighbourPosition(-1) != 0; };
    hooks.canPlay = [this] { return m_player.Current().has_value() || SelectedPosition() != 0; };
    hooks.raise = [this] {
        show();
        raise();
        activateWindow();
    };
    hooks.quit = [this] {
        if (m_form.quit->isEnabled()) {
            m_form.quit->click();
        }
    };
    m_mpris = std::make_unique<MprisService>(m_player, std::move(hooks));
}

void Display::ConnectLevelling()
{
    // The choice is the user's until changed, also in the next run.
    m_menus->levelLoudness->setChecked(WindowPlacement::UserSettings()->value("levelLoudness", true).toBool());
    connect(m_menus->levelLoudness, &QAction::toggled, this, [this](bool On) {
        WindowPlacement::UserSettings()->setValue("levelLoudness", On);
        ApplyLevel();
    });
    connect(&m_levels, &LoudnessLevels::Measured, this, [this](qint64 StartOffset) {
        if (m_player.Current() && static_cast<qint64>(m_player.Current()->startOffset) == StartOffset) {
            ApplyLevel();
        }
    });
}

void Display::ApplyLevel()
{
    const auto& current = m_player.Current();
    if (!m_menus->levelLoudness->isChecked() || !current) {
        m_player.SetGain(1.0);
        return;
    }
    m_player.SetGain(m_levels.GainFor(m_recordFile, m_table, static_cast<std::int64_t>(current->startOffset),
                                      current->row.Offsets()));
}

void Display::CheckHeard(bool Ended)
{
    // AutoRead's two seconds are a preview, not a hearing.
    constexpr std::int64_t kHeardAfterMs = 5000;
    const auto& current = m_player.Current();
    if (!current || m_form.autoRead->isChecked() || (!Ended && m_player.PlayedMs() < kHeardAfterMs)) {
        return;
    }
    const MarkKey key = MarkStore::KeyOf(current->row);
    if (!m_marks.Of(key).heard) {
        m_marks.Change(key, MarkChange{{}, true, {}});
    }
}

void Display::MarkSelected(const std::function<MarkChange(const Mark& Now)>& Edit)
{
    const int selected = SelectedPosition();
    if (selected == 0) {
        return;
    }
    const MarkKey key = MarkStore::KeyOf(RowAt(selected));
    const MarkChange change = Edit(m_marks.Of(key));
    if (change.star || change.heard || change.note) {
        m_marks.Change(key, change);
    }
}

void Display::ShowPosition(int Position)
{
    SelectPosition(Position);
    m_form.listView->scrollTo(m_model->index(Position - 1, 0), QAbstractItemView::PositionAtCenter);
}

void Display::GoToTime()
{
    const auto answer = m_prompt.Ask(this, "Go to time", "Time of day (HH:MM or HH:MM:SS):");
    if (!answer) {
        return;
    }
    const QString asked = answer->trimmed();
    const auto seconds = TimeRange::ParseClock(asked.toStdString());
    if (!seconds) {
        m_failures.Show(QString("Not a time of day: \"%1\" (HH:MM or HH:MM:SS)").arg(asked));
        return;
    }
    m_model->Sync();
    const int position = FindTimeOfDay(m_table, SelectedPosition(), *seconds);
    if (position == 0) {
        m_failures.Show(QString("No message starts at or after %1").arg(asked));
        return;
    }
    ShowPosition(position);
}

void Display::GoToLastPlayed()
{
    const auto key = m_marks.LastPlayed();
    m_model->Sync();
    const int position = key ? m_table.PositionAfter(key->offset) : 0;
    if (position == 0 || MarkStore::KeyOf(m_table.Row(position)) != *key) {
        m_failures.Show(key ? QString("The message played last is not in the list")
                            : QString("No message of this file has been played yet"));
        return;
    }
    ShowPosition(position);
}

void Display::LoadNeighbour(int Step)
{
    if (m_recordFile.empty() || !m_form.load->isEnabled()) {
        return;
    }
    const auto neighbour = NeighbourRecordFile(m_recordFile, Step);
    if (!neighbour) {
        m_failures.Show(Step > 0 ? "No next record file in this folder" : "No previous record file in this folder");
        return;
    }
    LoadFile(DisplayPath(*neighbour));
}

void Display::UpdateActions()
{
    WindowMenus& menus = *m_menus;
    const bool active = m_player.Active();
    const bool rows = m_model->rowCount() > 0;
    menus.open->setEnabled(m_form.load->isEnabled());
    menus.quit->setEnabled(m_form.quit->isEnabled());
    menus.saveMessage->setEnabled(SelectedPosition() != 0);
    menus.playPause->setEnabled(active || SelectedPosition() != 0 || (m_player.Current() && rows));
    menus.stop->setEnabled(active || m_readAll.Running());
    menus.replay->setEnabled(m_player.Current().has_value());
    menus.previous->setEnabled(NeighbourPosition(-1) != 0);
    menus.next->setEnabled(NeighbourPosition(1) != 0);
    menus.back->setEnabled(active);
    menus.forward->setEnabled(active);
    menus.slower->setEnabled(m_player.Speed() > SegmentPlayer::kSpeeds.front());
    menus.faster->setEnabled(m_player.Speed() < SegmentPlayer::kSpeeds.back());
    menus.normalSpeed->setEnabled(m_player.Speed() != 1.0);
    menus.autoRead->setEnabled(m_form.autoRead->isEnabled());
    menus.autoRead->setChecked(m_form.autoRead->isChecked());
    menus.readAll->setEnabled(rows || m_readAll.Running());
    menus.readAll->setChecked(m_readAll.Running());
    menus.recent->setEnabled(m_form.load->isEnabled());
    menus.goToTime->setEnabled(rows);
    for (QAction* action : {menus.saveMessages, menus.exportLabels, menus.exportChapters, menus.exportCue}) {
        action->setEnabled(rows && m_form.load->isEnabled());
    }
    menus.lastPlayed->setEnabled(rows);
    menus.nextFile->setEnabled(!m_recordFile.empty() && m_form.load->isEnabled());
    menus.previousFile->setEnabled(!m_recordFile.empty() && m_form.load->isEnabled());
    const int selected = SelectedPosition();
    const Mark mark = selected != 0 ? m_marks.Of(MarkStore::KeyOf(m_table.Row(selected))) : Mark();
    for (QAction* action : {menus.star, menus.heard, menus.note}) {
        action->setEnabled(selected != 0);
    }
    menus.star->setChecked(mark.star);
    menus.heard->setChecked(mark.heard);
    if (m_mpris) {
        m_mpris->Refresh();
    }
}

void Display::ShowPlayback()
{
    const auto state = m_player.CurrentState();
    if (state == SegmentPlayer::State::Stopped || !m_player.Current()) {
        m_model->SetNowPlaying(std::nullopt);
    } else {
        const bool paused = state == SegmentPlayer::State::Paused;
        m_model->SetNowPlaying(static_cast<std::int64_t>(m_player.Current()->startOffset),
                               style()->standardIcon(paused ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay),
                               paused ? "Paused" : "Playing");
    }
    UpdateActions();
}

int Display::NeighbourPosition(int Step) const
{
    m_model->Sync();
    const int count = m_table.RowCount();
    if (m_player.Current()) {
        // The message played last leads, even when the filter hid its row.
        const auto start = static_cast<std::int64_t>(m_player.Current()->startOffset);
        if (Step > 0) {
            return m_table.PositionAfter(start);
        }
        const int atOrAfter = m_table.PositionAfter(start - 1);
        return atOrAfter == 0 ? count : atOrAfter - 1;
    }
    const int position = SelectedPosition() + Step;
    return SelectedPosition() != 0 && position >= 1 && position <= count ? position : 0;
}

bool Display::PlayRowAt(int Position)
{
    if (Position < 1 || Position > m_table.RowCount()) {
        return false;
    }
    try {
        SelectPosition(Position);
    } catch (const std::exception& failure) {
        m_failures.Show(failure);
        return false;
    }
    m_form.listView->scrollTo(m_model->index(Position - 1, 0));
    m_rightButton = false;
    RowClicked(Position);
    return m_player.Active();
}

void Display::PlayOrResume()
{
    if (m_player.CurrentState() == SegmentPlayer::State::Paused) {
        m_player.Resume();
    } else if (SelectedPosition() != 0) {
        PlayRowAt(SelectedPosition());
    } else if (m_player.Current()) {
        m_player.Replay();
    }
}

void Display::StopPlayback()
{
    m_readAll.End();
    if (!m_player.Active()) {
        return;
    }
    m_player.StopSound();
    m_timer[0].stop();
    SetProgress(m_progressMax, 0);
}

void Display::Form_Load()
{
    m_form.length->setValue(2);
    m_form.filter->setChecked(true);
    setWindowTitle(QString("Quelm MP3 Reader %1.%2.%3")
                       .arg(QUELMRDR_VERSION_MAJOR)
                       .arg(QUELMRDR_VERSION_MINOR)
                       .arg(QUELMRDR_VERSION_REVISION));
}

FileDialogSettings Display::DialogSettings(const QString& FileName, const QString& Title) const
{
    FileDialogSettings settings;
    settings.initialDir = QDir::currentPath();
    settings.fileName = FileName;
    settings.defaultExt = "mp3";
    settings.filters = kMp3Filters;
    settings.title = Title;
    return settings;
}

void Display::Load_Click()
{
    m_form.autoRead->setChecked(false);
    m_dialogs.AskUntilTaken(this, DialogSettings("*.mp3", "Select Quelm MP3 file to be load ..."), false,
                            [this](const QString& Answer) -> std::optional<QString> {
                                if (const auto unreadable =
                                        ReadOnlyFile::Unreadable(LocalPath(Answer), "cannot read")) {
                                    m_failures.Show(*unreadable);
                                    return QString::fromLocal8Bit(unreadable->what());
                                }
                                LoadFile(Answer);
                                return std::nullopt;
                            });
}

void Display::LoadFile(const QString& Path)
{
    if (Scanning()) {
        m_failures.Show(QString("A file is being read: load the next one when it is done."));
        return;
    }
    m_form.autoRead->setChecked(false);
    std::string file = LocalPath(Path);
    std::error_code noFolder;
    const std::string here = std::filesystem::current_path(noFolder).string();
    if (!file.empty() && file.front() != '/' && !noFolder) {
        file = here + "/" + file; // before the load moves the current folder
    }
    if (const auto unreadable = ReadOnlyFile::Unreadable(file, "cannot read")) {
        m_failures.Show(*unreadable);
        if (m_recordFile.empty()) {
            m_failures.KeepShown(); // an empty window says why it is empty
        }
        return;
    }
    // The next dialog opens where this file was found.
    const auto slash = file.rfind('/');
    if (slash != std::string::npos) {
        (void)!::chdir(slash == 0 ? "/" : file.substr(0, slash).c_str());
    }

    // The message of the file before goes with it.
    m_readAll.End();
    m_player.CloseMessage();
    m_form.progressBar->ClearTimes();
    m_recordFile = file;
    m_marks.Load(m_recordFile);
    m_levels.Forget();
    RecentFiles::Add(DisplayPath(m_recordFile));
    m_nextRecord = 1;
    m_timer[0].stop();
    m_timer[0].setInterval(1000);
    m_timer[1].stop();
    m_timer[1].setInterval(2000);
    SetProgress(m_progressMax, 0);
    m_form.fileName->setText(DisplayPath(GetFilename(m_recordFile)));
    ScanLoadedFile();
    m_form.autoRead->setEnabled(true);
}

void Display::ScanLoadedFile(const std::function<void()>& Scan)
{
    m_controls.Begin();
    UpdateActions();
    try {
        Scan ? Scan() : Look4Frame(m_recordFile);
    } catch (const std::exception& failure) {
        // The rows found so far stay; the window comes back as after a scan.
        m_failures.Show(failure);
    }
    m_controls.End();
    UpdateActions();
}

void Display::Look4Frame(const std::string& File)
{
    m_host.BeginFullScan();
    try {
        m_scanner.Look4Frame(File);
    } catch (...) {
        m_host.EndFullScan();
        throw;
    }
    m_host.EndFullScan();
}

void Display::StopIt_Click()
{
    StopPlayback();
    m_scanner.Stop();
    m_table.SetRecordCount(0);
    m_host.ClearRecordPanel();
}

void Display::Quit_Click()
{
    close();
}

void Display::closeEvent(QCloseEvent* Event)
{
    // A scan in progress ends at its next check and releases the file.
    m_scanner.Stop();
    Form_Unload();
    Event->accept();
}

void Display::Form_Unload()
{
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    m_player.Close();
    m_player.RemoveFolder(); // this window's folder goes with it
    m_timer[0].stop();
    m_timer[1].stop();
}

void Display::Length_Change()
{
    m_form.filter->setChecked(false);
    m_form.filter->setText(QString("Filter < %1s").arg(m_form.length->value()));
}

void Display::Filter_Click()
{
    if (!m_form.filter->isChecked() || m_recordFile.empty()) {
        return;
    }
    ScanLoadedFile();
}

void Display::Auto_Click()
{
    if (m_form.autoRead->isChecked()) {
        m_readAll.End(); // one reading at a time
        m_timer[1].start();
        try {
            // Keep the selection as visible as with the focus.
            QPalette palette = m_form.listView->palette();
            for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
                palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
            }
            m_form.listView->setPalette(palette);
            SelectPosition(m_nextRecord);
            m_form.listView->scrollTo(m_model->index(m_nextRecord - 1, 0));
            m_rightButton = false;
            ListView_ItemClick(SelectedPosition());
        } catch (const std::exception&) {
            StopAutoRead();
        }
    } else {
        m_timer[1].stop();
        try {
            m_nextRecord = CheckedAdd(m_nextRecord, 1, "the next record");
        } catch (const Failure& failure) {
            m_failures.Show(failure);
        }
    }
}

void Display::StopAutoRead()
{
    m_form.autoRead->setChecked(false);
    m_nextRecord = 1;
}

void Display::Timer_Timer(int Index)
{
    if (Index == 0) {
        if (static_cast<float>(m_progressMax) > static_cast<float>(m_progressValue)) {
            SetProgress(m_progressMax, m_progressValue + 1);
        } else {
            m_timer[0].stop();
            SetProgress(m_progressMax, 0);
        }
    } else if (Index == 1) {
        try {
            const int selected = SelectedPosition();
            if (selected == 0) {
                throw Failure("no row is selected");
            }
            m_form.listView->scrollTo(m_model->index(selected - 1, 0));
            SelectPosition(m_nextRecord);
            m_rightButton = false;
            ListView_ItemClick(SelectedPosition());
        } catch (const std::exception&) {
            StopAutoRead();
        }
    }
}

void Display::SetProgress(double Maximum, int Value)
{
    m_progressMax = Maximum;
    m_progressValue = Value;
    // A bar with no room (a maximum of 0 or less) shows empty rather than
    // as a busy indicator.
    const int top = Maximum >= 1 ? static_cast<int>(std::min<double>(Maximum, 1 << 30)) : 1;
    m_form.progressBar->setRange(0, top);
    m_form.progressBar->setValue(std::clamp(Value, 0, top));
    if (m_player.Current()) {
        m_form.progressBar->ShowTimes(std::clamp(Value, 0, top), std::lround(std::min<double>(Maximum, 1 << 30)));
    }
}

void Display::ListView_MouseDown(int Button)
{
    m_rightButton = Button == 2;
}

void Display::ListView_ItemClick(int Position)
{
    const SegmentRow& row = RowAt(Position);
    if (m_rightButton) {
        SaveSegment(row);
        return;
    }
    PlaySegment(row);
    const int selected = SelectedPosition();
    const SegmentRow& current = selected != 0 ? RowAt(selected) : RowAt(Position);
    m_nextRecord = CheckedAdd(current.RecordNumber(), 1, "the next record");
}

void Display::RowClicked(int Position)
{
    try {
        ListView_ItemClick(Position);
    } catch (const std::exception& failure) {
        m_failures.Show(failure);
    }
}

SegmentRow Display::RowAt(int Position) const
{
    // Rows a scan has found since the list last followed it are listed
    // now: a handler may ask for one.
    m_model->Sync();
    if (Position < 1 || Position > m_model->rowCount()) {
        throw Failure("no row " + std::to_string(Position) + " in the list");
    }
    return m_table.Row(Position);
}

void Display::SelectPosition(int Position)
{
    RowAt(Position); // a missing row is a failure
    const QModelIndex index = m_model->index(Position - 1, 0);
    m_form.listView->selectionModel()->setCurrentIndex(index,
                                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void Display::PlaySegment(const SegmentRow& Row)
{
    if (!m_player.Prepare(m_recordFile, Row)) {
        return;
    }
    // A segment of no length (or a negative one) leaves the bar no room.
    SetProgress(std::max(0.0F, static_cast<float>(ReadNumber(Row.SubItem(3)))), 0);
    m_timer[0].setInterval(static_cast<int>(std::lround(1000 / m_player.Speed())));
    m_timer[0].start();
    ApplyLevel();
    m_player.Play();
    m_marks.SetLastPlayed(MarkStore::KeyOf(Row));
}

void Display::SaveSegment(const SegmentRow& Shown)
{
    // The dialog runs an event loop (the file may be followed and read anew
    // meanwhile): work on a copy of the row and of the file it came from.
    const SegmentRow row = Shown;
    const std::optional<FileId> scanned = m_table.ScannedFile();
    m_readAll.End();
    m_player.StopSound();
    if (!row.HasEnd()) {
        m_failures.Show(
            QString("Nothing to save: segment %1 has no end yet.").arg(QString::fromLatin1(row.text.c_str())));
        return;
    }
    const std::string name = DefaultSegmentName(m_recordFile, row);
    m_dialogs.AskUntilTaken(this,
                            DialogSettings(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())),
                                           "Select Quelm MP3 filename to be save ..."),
                            true, [this, &row, &scanned](const QString& Answer) -> std::optional<QString> {
                                try {
                                    SaveSegmentFile(m_recordFile, row, scanned, LocalPath(Answer));
                                } catch (const std::exception& failure) {
                                    m_failures.Show(failure);
                                    return QString::fromLocal8Bit(failure.what());
                                }
                                m_failures.Note("Saved " + QFileInfo(Answer).fileName());
                                return std::nullopt;
                            });
}

} // namespace quelm
