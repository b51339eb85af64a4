#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

struct sqlite3;

namespace quelm
{
struct SegmentRow;
}

namespace quelm
{

// What a user has noted about one message.
struct Mark {
    bool star = false;
    bool heard = false;
    std::string note;

    bool Empty() const { return !star && !heard && note.empty(); }
    bool operator==(const Mark&) const = default;
};

// A change to a mark: each field that is given replaces the stored one.
struct MarkChange {
    std::optional<bool> star;
    std::optional<bool> heard;
    std::optional<std::string> note;
};

// A message as the marks know it, apart from its record file: the offset of
// its start marker and the start time stamp. Record numbers change with the
// filter; these do not, and a file rewritten at the same path no longer has
// the same stamp at the same offset, so its old marks find no row.
struct MarkKey {
    std::int64_t offset = 0;
    std::string stamp;

    auto operator<=>(const MarkKey&) const = default;
};

// The user's marks on messages, kept in one SQLite database that the window
// and the command line read and write at the same time (write-ahead
// logging; a writer waits for another rather than fail). Every change is a
// transaction of its own, so a crash loses nothing already said. Record
// files are known by their canonical path.
class MarkStore
{
  public:
    // $XDG_DATA_HOME/quelmrdr/marks.sqlite, else ~/.local/share/... (a
    // relative XDG_DATA_HOME is ignored, as the XDG rules say).
    static std::string DefaultPath();
    // The name marks use for a record file: its canonical path, or the path
    // as given when it cannot be resolved.
    static std::string RecordKey(const std::string& RecordFile);
    // The key of a listed message.
    static MarkKey KeyOf(const SegmentRow& Row);

    // Opens the database at Path, making it and its folder when missing
    // and Create is true. Throws Failure ("cannot use the marks database
    // PATH: why") when it cannot be opened or is damaged.
    explicit MarkStore(const std::string& Path, bool Create = true);
    // The database at Path when there is one: reading marks never makes it.
    static std::optional<MarkStore> OpenExisting(const std::string& Path);
    ~MarkStore();
    MarkStore(MarkStore&& Other) noexcept;
    MarkStore& operator=(MarkStore&& Other) noexcept;
    MarkStore(const MarkStore&) = delete;
    MarkStore& operator=(const MarkStore&) = delete;

    const std::string& Path() const { return m_path; }

    // Every mark on the messages of Record. Throws Failure.
    std::map<MarkKey, Mark> Load(const std::string& Record) const;
    Mark Get(const std::string& Record, const MarkKey& Key) const;
    // Stores Value (an empty mark removes the message's row). Throws Failure.
    void Set(const std::string& Record, const MarkKey& Key, const Mark& Value);

    // Applies Change to the stored mark in one transaction, so that two
    // programs changing different fields of one mark at once lose neither
    // change; returns the mark as it now is. Throws Failure.
    Mark Apply(const std::string& Record, const MarkKey& Key, const MarkChange& Change);

    // The message last played in Record, so that a review can go on later.
    void SetLastPlayed(const std::string& Record, const MarkKey& Key);
    std::optional<MarkKey> LastPlayed(const std::string& Record) const;

  private:
    void Execute(const char* Sql) const;
    [[noreturn]] void Fail(const std::string& What) const;

    std::string m_path;
    sqlite3* m_db = nullptr;
};

} // namespace quelm
