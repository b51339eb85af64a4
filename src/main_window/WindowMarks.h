#pragma once

// moc cannot read the standard library's <compare>; it needs no types.
#ifndef Q_MOC_RUN
#include "marks/MarkStore.h"
#endif

#include <QObject>
#include <QString>
#include <map>
#include <optional>
#include <string>

namespace quelm
{

// The marks of the loaded record file as the window shows and changes
// them: read once at a load, written through at once, each change its own
// transaction. A database that cannot be used is said once per load; the
// window then works on without marks.
class WindowMarks : public QObject
{
    Q_OBJECT
  public:
    // Path: the database; the user's own when empty.
    explicit WindowMarks(std::string Path = {}, QObject* Parent = nullptr);

    // Reads the marks of RecordFile (never makes the database).
    void Load(const std::string& RecordFile);
    // The mark of the message at Key; an empty one when there is none.
    const Mark& Of(const MarkKey& Key) const;
    bool Any() const { return !m_marks.empty(); }
    // False, with the reason said, when the database cannot take it.
    bool Change(const MarkKey& Key, const MarkChange& Change);

    void SetLastPlayed(const MarkKey& Key);
    std::optional<MarkKey> LastPlayed();

  signals:
    void Changed(const MarkKey& Key);
    void Failed(const QString& Why);

  private:
    // The database, made when the first mark is written.
    MarkStore* Store(bool Create);
    void Fail(const std::exception& Failure);

    std::string m_path;
    std::string m_record; // the loaded file's key
    std::map<MarkKey, Mark> m_marks;
    std::optional<MarkStore> m_store;
    bool m_failed = false; // said once per load
};

} // namespace quelm
