#pragma once

#include "record/Scanner.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

class QAbstractItemModel;
class QTableView;

namespace quelm
{

// Keeps the list in step with a loaded record file that the recorder is
// still writing: scans only the bytes appended since the last scan, and
// loads the file anew when it shrinks or another file takes its path.
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

  private:
    struct FileId {
        unsigned long long device = 0;
        unsigned long long inode = 0;
        long long size = 0;
        bool operator==(const FileId&) const = default;
    };
    static std::optional<FileId> Identify(const std::string& Path);
    void Watch(const std::string& Path);
    bool LastRowInView() const;

    const std::string& m_recordFile;
    Scanner& m_scanner;
    QTableView* m_list;
    QAbstractItemModel& m_model;
    Window m_window;

    QFileSystemWatcher m_watcher;
    QTimer m_poll;
    QTimer m_notified;
    std::string m_watched;
    std::optional<FileId> m_seen; // the file as the last check found it
    bool m_resuming = false;
    bool m_lastRowShown = false;
    bool m_refused = false; // the scan of the appended bytes failed
};

} // namespace quelm
