// Random record files through the listing writers, as `list` runs them: the
// scan, RowStream and the table, JSON or CSV writer. Every JSON line must
// parse and every CSV record read back, both giving the rows' bytes again
// (stamps as Latin-1), and no output may hold a control byte but its line
// ends. The first byte picks the format and the filter; in the rest, each
// 0x01 stands for the marker signature, so that markers are easy to make.
#include "CheckedOutput.h"
#include "RowStream.h"
#include "RowWriter.h"
#include "record/MarkerFormat.h"
#include "record/Scanner.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace
{

using namespace quelm;
using namespace quelm::cli;

void Check(bool Condition)
{
    if (!Condition) {
        __builtin_trap();
    }
}

// Passes rows on and keeps a copy of what each held.
class Tee : public RowSink
{
  public:
    explicit Tee(RowSink& Next) : m_next(Next) {}
    void Take(const SegmentRow& Row) override
    {
        rows.push_back({Row.text, Row.SubItem(1), Row.SubItem(2), Row.SubItem(3), Row.tag});
        m_next.Take(Row);
    }
    std::vector<std::vector<std::string>> rows;

  private:
    RowSink& m_next;
};

std::string Latin1(const std::string& Bytes)
{
    std::string out;
    for (const char c : Bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

// No control character but Allowed, C1 in UTF-8 included.
void NoControls(const std::string& Text, const std::string& Allowed)
{
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(Text[i]);
        Check((byte >= 0x20 && byte != 0x7F) || Allowed.find(Text[i]) != std::string::npos);
        Check(!(byte == 0xC2 && i + 1 < Text.size() && static_cast<unsigned char>(Text[i + 1]) < 0xA0));
    }
}

// One JSON string at Text[At] (a quote), decoded to UTF-8; At moves past it.
std::string JsonString(const std::string& Text, std::size_t& At)
{
    Check(At < Text.size() && Text[At] == '"');
    std::string out;
    for (++At; At < Text.size() && Text[At] != '"'; ++At) {
        if (Text[At] != '\\') {
            out += Text[At];
            continue;
        }
        Check(++At < Text.size());
        const std::string plain = "\"\\/";
        if (plain.find(Text[At]) != std::string::npos) {
            out += Text[At];
        } else {
            Check(Text[At] == 'u' && At + 4 < Text.size());
            const unsigned code = std::stoul(Text.substr(At + 1, 4), nullptr, 16);
            Check(code < 0xA0); // only controls are escaped this way
            out += Latin1(std::string(1, static_cast<char>(code)));
            At += 4;
        }
    }
    Check(At < Text.size());
    ++At;
    return out;
}

void CheckJson(const std::string& Out, const std::string& File, const Tee& Rows)
{
    NoControls(Out, "\n");
    std::size_t at = 0;
    static const char* const kKeys[] = {"record", "start", "end", "seconds", "tag"};
    for (const auto& row : Rows.rows) {
        Check(Out.compare(at, 8, "{\"file\":") == 0);
        at += 8;
        Check(JsonString(Out, at) == File);
        for (std::size_t i = 0; i < 5; ++i) {
            Check(Out.compare(at, 2, ",\"") == 0);
            ++at;
            Check(JsonString(Out, at) == kKeys[i] && Out[at++] == ':');
            Check(JsonString(Out, at) == Latin1(row[i]));
        }
        // No marks database here: every row unmarked.
        const std::string unmarked = ",\"star\":false,\"heard\":false,\"note\":\"\"}\n";
        Check(Out.compare(at, unmarked.size(), unmarked) == 0);
        at += unmarked.size();
    }
    Check(at == Out.size());
}

// One CSV field at Text[At]: its value with quotes undone, the spreadsheet's
// quote taken off and the table's escapes read back.
std::string CsvField(const std::string& Text, std::size_t& At)
{
    std::string raw;
    if (At < Text.size() && Text[At] == '"') {
        for (++At;; ++At) {
            Check(At < Text.size());
            if (Text[At] == '"') {
                if (At + 1 < Text.size() && Text[At + 1] == '"') {
                    raw += '"';
                    ++At;
                    continue;
                }
                ++At;
                break;
            }
            raw += Text[At];
        }
    } else {
        while (At < Text.size() && Text[At] != ',' && Text[At] != '\r') {
            Check(Text[At] != '"');
            raw += Text[At++];
        }
    }
    if (!raw.empty() && raw.front() == '\'') {
        raw.erase(0, 1);
    }
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out += raw[i];
            continue;
        }
        Check(i + 1 < raw.size());
        if (raw[i + 1] == '\\') {
            out += '\\';
            ++i;
            continue;
        }
        Check(raw[i + 1] == 'x' && i + 3 < raw.size());
        out += Latin1(std::string(1, static_cast<char>(std::stoul(raw.substr(i + 2, 2), nullptr, 16))));
        i += 3;
    }
    return out;
}

void CheckCsv(const std::string& Out, const std::string& File, const Tee& Rows)
{
    NoControls(Out, "\r\n");
    const std::string header = "file,record,start,end,seconds,tag,star,heard,note\r\n";
    Check(Out.compare(0, header.size(), header) == 0);
    std::size_t at = header.size();
    for (const auto& row : Rows.rows) {
        Check(CsvField(Out, at) == File);
        for (const std::string& cell : row) {
            Check(Out[at++] == ',');
            Check(CsvField(Out, at) == Latin1(cell));
        }
        Check(Out.compare(at, 15, ",false,false,\r\n") == 0);
        at += 15;
    }
    Check(at == Out.size());
}

std::string ReadAll(int Fd)
{
    std::string text(static_cast<std::size_t>(::lseek(Fd, 0, SEEK_END)), '\0');
    Check(::pread(Fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size == 0) {
        return 0;
    }
    const bool json = (Data[0] & 1) != 0;
    const bool filterOn = (Data[0] & 2) != 0;
    std::string bytes;
    for (std::size_t i = 1; i < Size; ++i) {
        bytes += Data[i] == 0x01 ? std::string(kMarkerSignatureText) : std::string(1, static_cast<char>(Data[i]));
    }
    const int record = ::memfd_create("record", MFD_CLOEXEC);
    const int output = ::memfd_create("output", MFD_CLOEXEC);
    Check(record >= 0 && output >= 0);
    Check(::write(record, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
    const std::string path = "/proc/self/fd/" + std::to_string(record);
    {
        CheckedOutput out(::dup(output));
        RowWriter writer(out, json ? RowFormat::Json : RowFormat::Csv, false);
        Tee tee(writer);
        writer.BeginFile(path);
        SegmentTable table;
        RowStream stream(filterOn, 2, table, tee, false);
        try {
            Scanner(table, stream).Look4Frame(path);
        } catch (const Failure&) {
            // A failed scan still lists the rows found before it.
        }
        stream.Emit(true);
        out.Close();
        const std::string text = ReadAll(output);
        json ? CheckJson(text, path, tee) : CheckCsv(text, path, tee);
    }
    ::close(record);
    ::close(output);
    return 0;
}
