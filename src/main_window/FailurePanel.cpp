#include "FailurePanel.h"

#include "mapped_file/Failure.h"

#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStringList>
#include <algorithm>
#include <iostream>
#include <new>

namespace quelm
{

namespace
{

// "…/name" for a path in a folder ("…/name/" for a folder given with its
// slash); a path with no folder before its name is short already.
QString ShortPath(const QString& Path)
{
    const qsizetype nameEnd = Path.size() > 1 && Path.endsWith('/') ? Path.size() - 1 : Path.size();
    const qsizetype slash = nameEnd > 0 ? Path.lastIndexOf('/', nameEnd - 1) : -1;
    return slash > 0 ? QString::fromUtf8("\u2026") + Path.mid(slash) : Path;
}

// A message with no separate path: the words that are absolute paths lose
// their folders, punctuation after them stays.
QString ShortPathWords(const QString& Message)
{
    QStringList words = Message.split(' ');
    for (QString& word : words) {
        if (!word.startsWith('/')) {
            continue;
        }
        qsizetype end = word.size();
        while (end > 1 && QStringLiteral(":,;)\"").contains(word[end - 1])) {
            --end;
        }
        word = ShortPath(word.left(end)) + word.mid(end);
    }
    return words.join(' ');
}

QString Local(const std::string& Text)
{
    return QString::fromLocal8Bit(Text.data(), static_cast<qsizetype>(Text.size()));
}

} // namespace

FailurePanel::FailurePanel(QLabel& Panel, QObject* Parent)
    : QObject(Parent), m_panel(Panel), m_details(new QAction("&Details", &Panel))
{
    m_shown.setSingleShot(true);
    m_shown.setInterval(kShownMs);
    connect(&m_shown, &QTimer::timeout, this, &FailurePanel::TimeUp);
    m_details->setObjectName("Details");
    m_details->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    m_details->setShortcutContext(Qt::WindowShortcut);
    connect(m_details, &QAction::triggered, this, &FailurePanel::ShowDetails);
    m_panel.addAction(m_details);
    m_panel.setContextMenuPolicy(Qt::ActionsContextMenu);
    m_panel.installEventFilter(this); // a resize cuts the text anew
}

void FailurePanel::Show(const Failure& What)
{
    const QString message = QString::fromLocal8Bit(What.what());
    if (What.Reason().empty()) {
        Present(message, ShortPathWords(message));
        return;
    }
    QString context = Local(What.Context());
    if (!What.Path().empty()) {
        const QString path = Local(What.Path());
        context.replace(path, ShortPath(path));
    }
    Present(message, Local(What.Reason()) + ": " + context);
}

void FailurePanel::Show(const std::exception& Error)
{
    if (const auto* failure = dynamic_cast<const Failure*>(&Error)) {
        Show(*failure);
    } else if (dynamic_cast<const std::bad_alloc*>(&Error) != nullptr) {
        Show(QString("out of memory"));
    } else {
        Show(QString::fromLocal8Bit(Error.what()));
    }
}

void FailurePanel::Show(const QString& Message)
{
    Present(Message, ShortPathWords(Message));
}

void FailurePanel::Note(const QString& Message)
{
    Present(Message, Message, false);
}

void FailurePanel::KeepShown()
{
    m_keptShort = m_shortText;
    m_keptTip = m_presented;
}

void FailurePanel::Present(const QString& Message, const QString& Short, bool IsFailure)
{
    // The playback bar and the counter beside the panel stay in view.
    if (m_failureText.isEmpty() || m_panel.text() != m_failureText) {
        m_coveredFileName = m_panel.text();
        m_coveredTip = m_panel.toolTip();
        m_keptShort.clear(); // a load has named its file since
    }
    StopWaiting();
    m_note = !IsFailure;
    m_lastFailure = IsFailure ? Message : QString();
    m_presented = Message;
    m_shortText = Short;
    Elide();
    m_panel.setToolTip(Message);
    m_shown.start(IsFailure ? kShownMs : kNoteMs);
    if (!IsFailure) {
        return;
    }
    m_detailsText = Message;
    std::cerr << "quelmrdr: " << Message.toLocal8Bit().constData() << std::endl;
    QAccessibleEvent alert(&m_panel, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    emit Announced(Message);
}

void FailurePanel::Elide()
{
    // Too long for the panel: the reason stays whole, then the file's
    // name, and the words between them are cut; with no room for both, the
    // cut falls in the middle of what follows the reason.
    const QFontMetrics metrics = m_panel.fontMetrics();
    const int width = m_panel.contentsRect().width();
    const qsizetype reasonEnd = m_shortText.indexOf(": ");
    const QString reason = reasonEnd >= 0 ? m_shortText.left(reasonEnd + 2) : QString();
    const qsizetype name = m_shortText.lastIndexOf(QString::fromUtf8("\u2026/"));
    const QString tail = name >= reason.size() ? m_shortText.mid(name + 1) : QString();
    const QString middle = m_shortText.mid(reason.size(), m_shortText.size() - reason.size() - tail.size());
    const int room = width - metrics.horizontalAdvance(reason) - metrics.horizontalAdvance(tail);
    if (metrics.horizontalAdvance(m_shortText) <= width) {
        m_failureText = m_shortText;
    } else if (reason.isEmpty()) {
        // A message of its own words: what it is about comes first.
        m_failureText = metrics.elidedText(m_shortText, Qt::ElideRight, width);
    } else if (!tail.isEmpty() && room >= metrics.horizontalAdvance(QChar(0x2026))) {
        m_failureText = reason + metrics.elidedText(middle, Qt::ElideRight, room) + tail;
    } else {
        m_failureText = reason + metrics.elidedText(m_shortText.mid(reason.size()), Qt::ElideMiddle,
                                                    std::max(0, width - metrics.horizontalAdvance(reason)));
    }
    m_panel.setText(m_failureText);
}

bool FailurePanel::eventFilter(QObject* Watched, QEvent* Event)
{
    const auto type = Event->type();
    if (Watched == &m_panel && type == QEvent::Resize && !m_failureText.isEmpty() && m_panel.text() == m_failureText) {
        Elide();
    }
    if (m_waiting && (type == QEvent::KeyPress || type == QEvent::MouseButtonPress || type == QEvent::Wheel)) {
        auto* widget = qobject_cast<QWidget*>(Watched);
        if (widget != nullptr && widget->window() == m_panel.window()) {
            End();
        }
    }
    return QObject::eventFilter(Watched, Event);
}

void FailurePanel::TimeUp()
{
    if (m_note) {
        End();
        return;
    }
    // Someone away from the screen still finds the failure when back.
    m_waiting = true;
    QCoreApplication::instance()->installEventFilter(this);
}

void FailurePanel::StopWaiting()
{
    if (m_waiting) {
        m_waiting = false;
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void FailurePanel::End()
{
    m_shown.stop();
    StopWaiting();
    m_lastFailure.clear();
    if (m_failureText.isEmpty()) {
        return;
    }
    const bool ours = m_panel.text() == m_failureText;
    if (ours && !m_keptShort.isEmpty()) {
        m_shortText = m_keptShort;
        m_presented = m_keptTip;
        m_panel.setToolTip(m_keptTip);
        Elide();
        return;
    }
    if (ours) {
        m_panel.setText(m_coveredFileName);
    }
    if (m_panel.toolTip() == m_presented) {
        m_panel.setToolTip(m_coveredTip);
    }
    m_failureText.clear();
    m_keptShort.clear();
}

void FailurePanel::ShowDetails()
{
    auto* box = new QMessageBox(QMessageBox::Information, m_panel.window()->windowTitle(),
                                m_detailsText.isEmpty() ? QString("Nothing has failed.") : m_detailsText,
                                QMessageBox::Close, m_panel.window());
    box->setObjectName("DetailsBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->open();
}

} // namespace quelm
