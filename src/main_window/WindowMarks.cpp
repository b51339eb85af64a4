#include "WindowMarks.h"

namespace quelm
{

WindowMarks::WindowMarks(std::string Path, QObject* Parent)
    : QObject(Parent), m_path(Path.empty() ? MarkStore::DefaultPath() : std::move(Path))
{
}

void WindowMarks::Load(const std::string& RecordFile)
{
    m_record = MarkStore::RecordKey(RecordFile);
    m_marks.clear();
    m_failed = false;
    m_store.reset(); // another program may have made or replaced it since
    try {
        if (MarkStore* store = Store(false)) {
            m_marks = store->Load(m_record);
        }
    } catch (const std::exception& failure) {
        Fail(failure);
    }
}

const Mark& WindowMarks::Of(const MarkKey& Key) const
{
    static const Mark kNone;
    const auto found = m_marks.find(Key);
    return found == m_marks.end() ? kNone : found->second;
}

bool WindowMarks::Change(const MarkKey& Key, const MarkChange& Change)
{
    if (m_record.empty()) {
        return false;
    }
    try {
        MarkStore* store = Store(true);
        const Mark now = store->Apply(m_record, Key, Change);
        if (now.Empty()) {
            m_marks.erase(Key);
        } else {
            m_marks[Key] = now;
        }
    } catch (const std::exception& failure) {
        Fail(failure);
        return false;
    }
    emit Changed(Key);
    return true;
}

void WindowMarks::SetLastPlayed(const MarkKey& Key)
{
    if (m_record.empty()) {
        return;
    }
    try {
        Store(true)->SetLastPlayed(m_record, Key);
    } catch (const std::exception& failure) {
        Fail(failure);
    }
}

std::optional<MarkKey> WindowMarks::LastPlayed()
{
    try {
        if (MarkStore* store = Store(false)) {
            return store->LastPlayed(m_record);
        }
    } catch (const std::exception& failure) {
        Fail(failure);
    }
    return std::nullopt;
}

MarkStore* WindowMarks::Store(bool Create)
{
    if (!m_store) {
        m_store = Create ? std::optional<MarkStore>(MarkStore(m_path)) : MarkStore::OpenExisting(m_path);
    }
    return m_store ? &*m_store : nullptr;
}

void WindowMarks::Fail(const std::exception& Failure)
{
    m_store.reset();
    if (!m_failed) {
        m_failed = true;
        emit Failed(QString::fromLocal8Bit(Failure.what()));
    }
}

} // namespace quelm
