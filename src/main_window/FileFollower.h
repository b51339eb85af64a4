#pragma once

#include "record/FollowedFile.h"
#include "record/Scanner.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>

class QAbstractItemModel;
class QTableView;

namespace quelm
{

// Keeps the list in step with a loaded record file that the recorder is
// still writing: scans only the bytes appended since the last scan, and
// loads the file anew when it shrinks or another file takes its path
// (record/FollowedFile.h decides which; this says it the window's way).
class FileFollower : public QObject
{
    Q_OBJECT
  public:
    // What the follower asks of the window that owns it.
    struct Window {
        // Runs Scan with the controls set as around any scan, and shows
        // its failure as any scan's.
        std::function<void(const std::function<void()>& Scan)> scan;
        std::function<void()> show; // the rows a scan has found so far
        // A Load of Path, and a word to the user on Why.
        std::function<void(const std::string& Path, const QString& Why)> load;
    };

    // RecordFile: the window's loaded file, empty while none is.
    FileFollower(const std::string& RecordFile, Scanner& Scanner, QTableView* List, Window Owner,
                 QObject* Parent = nullptr);

    // Looks at the loaded file and takes in what changed. Runs on the
    // file's change notifications and once a second; does nothing while a
    // scan runs or a dialog is open, and after a scan the user stopped.
    void Check();

    // True while the appended bytes are scanned: new rows are then scrolled
    // to only when the list showed its last row.
    bool Resuming() const { return m_resuming; }

    // The loaded file was written to within the last minute: a recorder is
    // still at it, and rows may yet come.
    bool Live() const;

  private:
    bool LastRowInView() const;

    const std::string& m_recordFile;
    QTableView* m_list;
    QAbstractItemModel& m_model;
    Window m_window;
    FollowedFile m_followed; // the loaded file as the last check found it

    QFileSystemWatcher m_watcher;
    QTimer m_poll;
    QTimer m_notified;
    bool m_resuming = false;
    bool m_lastRowShown = false;
};

} // namespace quelm
