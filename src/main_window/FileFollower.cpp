#include "FileFollower.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>
#include <QTableView>
#include <chrono>
#include <filesystem>
#include <utility>

namespace quelm
{

FileFollower::FileFollower(const std::string& RecordFile, Scanner& Scanner, QTableView* List, Window Owner,
                           QObject* Parent)
    : QObject(Parent), m_recordFile(RecordFile), m_list(List), m_model(*List->model()), m_window(std::move(Owner)),
      m_followed(Scanner)
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
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { m_followed.Rescanned(); });
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int, int Last) {
        if (m_resuming && m_lastRowShown) {
            m_list->doItemsLayout(); // the scroll range must know the new rows
            m_list->scrollTo(m_model.index(Last, 0));
        }
    });
}

void FileFollower::Check()
{
    // A copy: a load made from here assigns the window's path.
    const std::string path = m_recordFile;
    if (path != m_followed.Path()) {
        m_followed.Follow(path);
        if (!m_watcher.files().isEmpty()) {
            m_watcher.removePaths(m_watcher.files());
        }
    }
    if (QApplication::activeModalWidget() != nullptr) {
        return;
    }
    const FollowedFile::Step step = m_followed.Check([this](const std::function<void()>& Resume) {
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
            Resume();
        });
    });
    if (step.otherFile) {
        // Notifications follow the file, not its path.
        if (!m_watcher.files().isEmpty()) {
            m_watcher.removePaths(m_watcher.files());
        }
        m_watcher.addPath(QFile::decodeName(QByteArray::fromStdString(path)));
    }
    if (!step.ReadAnew()) {
        return;
    }
    const QString name = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName();
    QString message = tr("Loaded anew: %1 changed on disk");
    if (step.change == FollowedFile::Change::Replaced) {
        message = tr("Loaded anew: %1 was replaced by another file");
    } else if (step.change == FollowedFile::Change::Shrank) {
        message = tr("Loaded anew: %1 shrank");
    }
    m_window.load(path, message.arg(name));
}

bool FileFollower::Live() const
{
    std::error_code gone;
    const auto written = std::filesystem::last_write_time(m_recordFile, gone);
    return !gone && std::filesystem::file_time_type::clock::now() - written < std::chrono::minutes(1);
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
