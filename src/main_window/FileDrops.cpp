#include "FileDrops.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace quelm
{

FileDrops::FileDrops(QWidget& Window, const QWidget& Gate) : QObject(&Window), m_gate(Gate)
{
    Window.setAcceptDrops(true);
    Window.installEventFilter(this);
}

QString FileDrops::FileOf(const QDropEvent& Event, QString& Why) const
{
    const QMimeData* data = Event.mimeData();
    if (!m_gate.isEnabled()) {
        Why = "A file is being read: drop the next one when it is done.";
        return {};
    }
    const QList<QUrl> urls = data == nullptr ? QList<QUrl>() : data->urls();
    if (urls.size() > 1) {
        Why = QString("%1 files were dropped: drop one record file at a time.").arg(urls.size());
        return {};
    }
    if (urls.isEmpty()) {
        Why = "Only a local file can be dropped here.";
        return {};
    }
    if (!urls.front().isLocalFile() || urls.front().toLocalFile().isEmpty()) {
        Why = QString("Only a local file can be loaded, not %1.").arg(urls.front().toDisplayString());
        return {};
    }
    return urls.front().toLocalFile();
}

bool FileDrops::eventFilter(QObject* Watched, QEvent* Event)
{
    const auto type = Event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return QObject::eventFilter(Watched, Event);
    }
    auto* drop = static_cast<QDropEvent*>(Event);
    QString why;
    const QString path = FileOf(*drop, why);
    if (path.isEmpty()) {
        drop->ignore();
        // Said once as the drag comes in, and again if it is dropped anyway.
        if (type != QEvent::DragMove) {
            emit Refused(why);
        }
        return true;
    }
    drop->acceptProposedAction();
    if (type == QEvent::Drop) {
        emit Dropped(path);
    }
    return true;
}

} // namespace quelm
