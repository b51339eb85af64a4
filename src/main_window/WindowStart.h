#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace quelm
{

class Display;

// The window program's command line, quelmrdr [RECORD_FILE], and what it
// asks for once the window is up.
class WindowStart
{
  public:
    // Reads the arguments (program name first). --help and --version print
    // their text and a wrong command line prints what is wrong: then
    // ExitCode holds the program's status and no window is to be made.
    explicit WindowStart(const QStringList& Arguments);

    // True when Arguments ask only for --help or --version, which need no
    // display: the program can answer them before it connects to one.
    static bool OnlyText(const QStringList& Arguments);

    std::optional<int> ExitCode() const { return m_exitCode; }
    const QString& RecordFile() const { return m_recordFile; }

    // Shows the window and, once it is shown, loads the record file given
    // as Load would after its dialog returned it.
    void Show(Display& Window) const;

  private:
    std::optional<int> m_exitCode;
    QString m_recordFile;
};

} // namespace quelm
