#include "MarkStore.h"

#include "mapped_file/Failure.h"
#include "record/MarkerFormat.h"
#include "record/SegmentRow.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sqlite3.h>
#include <sys/stat.h>
#include <utility>

namespace quelm
{

namespace
{

constexpr int kSchemaVersion = 1;
// How long a writer waits for another program's write to end.
constexpr int kBusyMilliseconds = 5000;

const char* const kSchema = "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL);"
                            "CREATE TABLE IF NOT EXISTS marks ("
                            "  file TEXT NOT NULL, offset INTEGER NOT NULL, stamp BLOB NOT NULL,"
                            "  star INTEGER NOT NULL DEFAULT 0, heard INTEGER NOT NULL DEFAULT 0,"
                            "  note TEXT NOT NULL DEFAULT '',"
                            "  PRIMARY KEY (file, offset, stamp));"
                            "CREATE TABLE IF NOT EXISTS last_played ("
                            "  file TEXT PRIMARY KEY, offset INTEGER NOT NULL, stamp BLOB NOT NULL);";

// A prepared statement, finalized with the object.
class Statement
{
  public:
    Statement(sqlite3* Db, const char* Sql) { m_ok = sqlite3_prepare_v2(Db, Sql, -1, &m_statement, nullptr); }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Prepared() const { return m_ok == SQLITE_OK; }
    sqlite3_stmt* Get() const { return m_statement; }
    void Text(int Index, const std::string& Value)
    {
        sqlite3_bind_text(m_statement, Index, Value.data(), static_cast<int>(Value.size()), SQLITE_TRANSIENT);
    }
    void Blob(int Index, const std::string& Value)
    {
        sqlite3_bind_blob(m_statement, Index, Value.data(), static_cast<int>(Value.size()), SQLITE_TRANSIENT);
    }
    void Integer(int Index, std::int64_t Value) { sqlite3_bind_int64(m_statement, Index, Value); }
    // A message of a record file as ?1, ?2 and ?3: file, offset, stamp.
    void Message(const std::string& Record, const MarkKey& Key)
    {
        Text(1, Record);
        Integer(2, Key.offset);
        Blob(3, Key.stamp);
    }
    std::string Column(int Index) const
    {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(m_statement, Index));
        return {bytes == nullptr ? "" : bytes, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, Index))};
    }

  private:
    sqlite3_stmt* m_statement = nullptr;
    int m_ok = SQLITE_ERROR;
};

const char* Absolute(const char* Name)
{
    const char* value = std::getenv(Name);
    return value != nullptr && value[0] == '/' ? value : nullptr;
}

// Makes every folder of Path that is missing, private to the user.
void MakeFolders(const std::string& Path)
{
    for (std::size_t slash = Path.find('/', 1); slash != std::string::npos; slash = Path.find('/', slash + 1)) {
        const std::string folder = Path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            throw Failure::System("cannot create the folder", folder, errno);
        }
    }
}

} // namespace

std::string MarkStore::DefaultPath()
{
    if (const char* data = Absolute("XDG_DATA_HOME")) {
        return std::string(data) + "/quelmrdr/marks.sqlite";
    }
    const char* home = Absolute("HOME");
    return std::string(home != nullptr ? home : "/tmp") + "/.local/share/quelmrdr/marks.sqlite";
}

std::string MarkStore::RecordKey(const std::string& RecordFile)
{
    char resolved[PATH_MAX];
    return ::realpath(RecordFile.c_str(), resolved) != nullptr ? std::string(resolved) : RecordFile;
}

MarkKey MarkStore::KeyOf(const SegmentRow& Row)
{
    return {Row.StartPosition() - kMarkerLastByte, Row.SubItem(1)};
}

std::optional<MarkStore> MarkStore::OpenExisting(const std::string& Path)
{
    struct stat info {
    };
    if (::stat(Path.c_str(), &info) != 0 && errno == ENOENT) {
        return std::nullopt;
    }
    return MarkStore(Path, false);
}

MarkStore::MarkStore(const std::string& Path, bool Create) : m_path(Path)
{
    const auto slash = Path.rfind('/');
    if (Create && slash != std::string::npos && slash > 0) {
        MakeFolders(Path.substr(0, slash + 1));
    }
    const int mode = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (Create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(Path.c_str(), &m_db, mode, nullptr) != SQLITE_OK) {
        const std::string why = m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw Failure("cannot use the marks database " + Path, Path, why);
    }
    sqlite3_busy_timeout(m_db, kBusyMilliseconds);
    try {
        // A damaged file shows itself at the first statement.
        Execute("PRAGMA journal_mode=WAL");
        Execute(kSchema);
        Statement version(m_db, "SELECT MAX(version) FROM schema_version");
        if (!version.Prepared() || sqlite3_step(version.Get()) != SQLITE_ROW) {
            Fail("cannot use the marks database " + Path);
        }
        if (sqlite3_column_type(version.Get(), 0) == SQLITE_NULL) {
            Execute(("INSERT INTO schema_version (version) VALUES (" + std::to_string(kSchemaVersion) + ")").c_str());
        } else if (sqlite3_column_int(version.Get(), 0) > kSchemaVersion) {
            throw Failure("cannot use the marks database " + Path, Path, "it was written by a newer QuelmRdr");
        }
    } catch (...) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
}

MarkStore::~MarkStore()
{
    sqlite3_close(m_db);
}

MarkStore::MarkStore(MarkStore&& Other) noexcept
    : m_path(std::move(Other.m_path)), m_db(std::exchange(Other.m_db, nullptr))
{
}

MarkStore& MarkStore::operator=(MarkStore&& Other) noexcept
{
    std::swap(m_path, Other.m_path);
    std::swap(m_db, Other.m_db);
    return *this;
}

void MarkStore::Fail(const std::string& What) const
{
    throw Failure(What, m_path, sqlite3_errmsg(m_db));
}

void MarkStore::Execute(const char* Sql) const
{
    if (sqlite3_exec(m_db, Sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail("cannot use the marks database " + m_path);
    }
}

std::map<MarkKey, Mark> MarkStore::Load(const std::string& Record) const
{
    Statement select(m_db, "SELECT offset, stamp, star, heard, note FROM marks WHERE file = ?1");
    if (!select.Prepared()) {
        Fail("cannot read the marks database " + m_path);
    }
    select.Text(1, Record);
    std::map<MarkKey, Mark> marks;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(select.Get())) == SQLITE_ROW) {
        marks[{sqlite3_column_int64(select.Get(), 0), select.Column(1)}] = {
            sqlite3_column_int(select.Get(), 2) != 0, sqlite3_column_int(select.Get(), 3) != 0, select.Column(4)};
    }
    if (step != SQLITE_DONE) {
        Fail("cannot read the marks database " + m_path);
    }
    return marks;
}

Mark MarkStore::Get(const std::string& Record, const MarkKey& Key) const
{
    Statement select(m_db, "SELECT star, heard, note FROM marks WHERE file = ?1 AND offset = ?2 AND stamp = ?3");
    if (!select.Prepared()) {
        Fail("cannot read the marks database " + m_path);
    }
    select.Message(Record, Key);
    const int step = sqlite3_step(select.Get());
    if (step == SQLITE_ROW) {
        return {sqlite3_column_int(select.Get(), 0) != 0, sqlite3_column_int(select.Get(), 1) != 0, select.Column(2)};
    }
    if (step != SQLITE_DONE) {
        Fail("cannot read the marks database " + m_path);
    }
    return {};
}

void MarkStore::Set(const std::string& Record, const MarkKey& Key, const Mark& Value)
{
    Statement change(m_db, Value.Empty() ? "DELETE FROM marks WHERE file = ?1 AND offset = ?2 AND stamp = ?3"
                                         : "INSERT OR REPLACE INTO marks (file, offset, stamp, star, heard, note)"
                                           " VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (!change.Prepared()) {
        Fail("cannot write the marks database " + m_path);
    }
    change.Message(Record, Key);
    if (!Value.Empty()) {
        change.Integer(4, Value.star ? 1 : 0);
        change.Integer(5, Value.heard ? 1 : 0);
        change.Text(6, Value.note);
    }
    if (sqlite3_step(change.Get()) != SQLITE_DONE) {
        Fail("cannot write the marks database " + m_path);
    }
}

Mark MarkStore::Apply(const std::string& Record, const MarkKey& Key, const MarkChange& Change)
{
    // IMMEDIATE: the write lock is taken before the mark is read.
    Execute("BEGIN IMMEDIATE");
    try {
        Mark mark = Get(Record, Key);
        mark.star = Change.star.value_or(mark.star);
        mark.heard = Change.heard.value_or(mark.heard);
        mark.note = Change.note.value_or(mark.note);
        Set(Record, Key, mark);
        Execute("COMMIT");
        return mark;
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void MarkStore::SetLastPlayed(const std::string& Record, const MarkKey& Key)
{
    Statement change(m_db, "INSERT OR REPLACE INTO last_played (file, offset, stamp) VALUES (?1, ?2, ?3)");
    if (!change.Prepared()) {
        Fail("cannot write the marks database " + m_path);
    }
    change.Message(Record, Key);
    if (sqlite3_step(change.Get()) != SQLITE_DONE) {
        Fail("cannot write the marks database " + m_path);
    }
}

std::optional<MarkKey> MarkStore::LastPlayed(const std::string& Record) const
{
    Statement select(m_db, "SELECT offset, stamp FROM last_played WHERE file = ?1");
    if (!select.Prepared()) {
        Fail("cannot read the marks database " + m_path);
    }
    select.Text(1, Record);
    const int step = sqlite3_step(select.Get());
    if (step == SQLITE_ROW) {
        return MarkKey{sqlite3_column_int64(select.Get(), 0), select.Column(1)};
    }
    if (step != SQLITE_DONE) {
        Fail("cannot read the marks database " + m_path);
    }
    return std::nullopt;
}

} // namespace quelm
