#include "FailurePanel.h"

#include "mapped_file/Failure.h"

#include <QLabel>
#include <QStringList>
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

FailurePanel::FailurePanel(QLabel& Panel, QObject* Parent) : QObject(Parent), m_panel(Panel)
{
    m_shown.setSingleShot(true);
    m_shown.setInterval(kShownMs);
    connect(&m_shown, &QTimer::timeout, this, &FailurePanel::End);
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

void FailurePanel::Present(const QString& Message, const QString& Short)
{
    // The playback bar and the counter beside the panel stay in view.
    if (m_failureText.isEmpty() || m_panel.text() != m_failureText) {
        m_coveredFileName = m_panel.text();
        m_coveredTip = m_panel.toolTip();
    }
    m_lastFailure = Message;
    m_failureText = m_panel.fontMetrics().elidedText(Short, Qt::ElideRight, m_panel.contentsRect().width());
    m_panel.setText(m_failureText);
    m_panel.setToolTip(Message);
    m_shown.start();
    std::cerr << "quelmrdr: " << Message.toLocal8Bit().constData() << std::endl;
}

void FailurePanel::End()
{
    m_shown.stop();
    if (m_lastFailure.isEmpty()) {
        return;
    }
    if (m_panel.text() == m_failureText) {
        m_panel.setText(m_coveredFileName);
    }
    if (m_panel.toolTip() == m_lastFailure) {
        m_panel.setToolTip(m_coveredTip);
    }
    m_lastFailure.clear();
    m_failureText.clear();
}

} // namespace quelm
