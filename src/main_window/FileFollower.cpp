#include "FileFollower.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>
#include <QTableView>
#include <sys/stat.h>
#include <utility>

namespace quelm
{

FileFollower::FileFollower(const std::string& RecordFile, Scanner& Scanner, QTableView* List, Window Owner,
                           QObject* Parent)
    : QObject(Parent), m_recordFile(RecordFile), m_scanner(Scanner), m_list(List), m_model(*List->model()),
      m_window(std::move(Owner))
{
    // The recorder writes in many small pieces: the notifications of a
    // tenth of a second make one check.
    m_notified.setSingleShot(true);
    m_notified.setInterval(100);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] {
        if (!m_notified.isActive()) {
            m_notified.start();
        }
    });
    connect(&m_notified, &QTimer::timeout, this, &FileFollower::Check);
    // Notifications can be lost (network folders, a file replaced under a
    // watch): the size is looked at once a second besides.
    m_poll.setInterval(1000);
    connect(&m_poll, &QTimer::timeout, this, &FileFollower::Check);
    m_poll.start();

    // As log viewers do: new rows are scrolled to only while the list shows
    // its last row, so that a user reading older rows keeps their place.
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        if (m_resuming) {
            m_lastRowShown = LastRowInView();
        }
    });
    // A full scan (load, filter) starts from an empty list.
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { m_refused = false; });
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int, int Last) {
        if (m_resuming && m_lastRowShown) {
            m_list->doItemsLayout(); // the scroll range must know the new rows
            m_list->scrollTo(m_model.index(Last, 0));
        }
    });
}

std::optional<FileFollower::FileId> FileFollower::Identify(const std::string& Path)
{
    struct stat status {
    };
    if (::stat(Path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return FileId{static_cast<unsigned long long>(status.st_dev), static_cast<unsigned long long>(status.st_ino),
                  static_cast<long long>(status.st_size)};
}

void FileFollower::Check()
{
    // A copy: a load made from here assigns the window's path.
    const std::string path = m_recordFile;
    if (path != m_watched) {
        m_watched = path;
        m_seen.reset();
        m_refused = false;
        if (!m_watcher.files().isEmpty()) {
            m_watcher.removePaths(m_watcher.files());
        }
    }
    // After Stop the list is what the user chose to keep; after a failure
    // that ended the scan there is nothing to go on from. Both wait for the
    // next load or filter scan.
    if (path.empty() || m_scanner.Scanning() || !m_scanner.KeepScanning() || !m_scanner.CanResume() ||
        QApplication::activeModalWidget() != nullptr) {
        return;
    }
    const std::optional<FileId> now = Identify(path);
    if (!now || now == m_seen) {
        return; // a file that is gone may come back: the recorder starts a new one
    }
    // Taken before the scan, so that bytes written during it are looked at
    // again by the next check.
    const std::optional<FileId> before = std::exchange(m_seen, now);
    const bool sameFile = before && before->device == now->device && before->inode == now->inode;
    if (m_refused && sameFile && now->size >= before->size) {
        return; // its failure was shown once; it stays as long as the file only grows
    }
    m_refused = false;
    if (!sameFile) {
        // Notifications follow the file, not its path.
        if (!m_watcher.files().isEmpty()) {
            m_watcher.removePaths(m_watcher.files());
        }
        m_watcher.addPath(QFile::decodeName(QByteArray::fromStdString(path)));
    }

    ResumeResult result = ResumeResult::Unchanged;
    {
        // The controls a scan disables pass their keyboard focus on; the
        // user working with one of them keeps it while the file grows.
        const QPointer<QWidget> focused = QApplication::focusWidget();
        m_resuming = true;
        const auto done = qScopeGuard([&] {
            m_resuming = false;
            if (focused != nullptr && focused->isEnabled() && QApplication::focusWidget() != focused) {
                focused->setFocus(Qt::OtherFocusReason);
            }
        });
        m_window.scan([&] {
            const auto shown = qScopeGuard([this] { m_window.show(); });
            m_refused = true; // until Resume returns
            result = m_scanner.Resume(path);
            m_refused = false;
        });
    }
    if (result != ResumeResult::Restart) {
        return;
    }
    const QString name = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName();
    QString message = tr("Loaded anew: %1 changed on disk");
    if (before && !sameFile) {
        message = tr("Loaded anew: %1 was replaced by another file");
    } else if (sameFile && now->size < before->size) {
        message = tr("Loaded anew: %1 shrank");
    }
    m_window.load(path, message.arg(name));
}

bool FileFollower::LastRowInView() const
{
    const int rows = m_model.rowCount();
    if (rows == 0) {
        return true;
    }
    const QRect last = m_list->visualRect(m_model.index(rows - 1, 0));
    return last.isValid() && m_list->viewport()->rect().intersects(last);
}

} // namespace quelm
