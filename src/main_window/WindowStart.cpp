#include "WindowStart.h"

#include "Display.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

namespace quelm
{

namespace
{

void Print(std::FILE* Stream, const QString& Text)
{
    std::fputs(Text.toLocal8Bit().constData(), Stream);
    std::fflush(Stream);
}

} // namespace

WindowStart::WindowStart(const QStringList& Arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription("Lists the messages of a Quelm record file, plays them and saves them.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument("RECORD_FILE", "The record file to load at start.", "[RECORD_FILE]");
    const QString program = "quelmrdr";
    auto wrong = [this, &program](const QString& What) {
        Print(stderr, program + ": " + What + "\nTry '" + program + " --help'.\n");
        m_exitCode = 2;
    };
    if (!parser.parse(Arguments)) {
        wrong(parser.errorText());
        return;
    }
    if (parser.isSet(help)) {
        Print(stdout, parser.helpText());
        m_exitCode = 0;
        return;
    }
    if (parser.isSet(version)) {
        Print(stdout, program + " " + QCoreApplication::applicationVersion() + "\n");
        m_exitCode = 0;
        return;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        wrong(QString("give one record file at most, not %1.").arg(files.size()));
        return;
    }
    if (!files.isEmpty()) {
        m_recordFile = files.front();
    }
}

bool WindowStart::OnlyText(const QStringList& Arguments)
{
    for (const QString& argument : Arguments.mid(1)) {
        if (argument == "--") {
            break;
        }
        for (const char* text : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (argument == QLatin1String(text)) {
                return true;
            }
        }
    }
    return false;
}

void WindowStart::Show(Display& Window) const
{
    Window.show();
    if (m_recordFile.isNull()) {
        return;
    }
    QTimer::singleShot(0, &Window, [&Window, file = m_recordFile] {
        if (Window.isVisible()) { // not closed meanwhile, by a signal say
            Window.LoadFile(file);
        }
    });
}

} // namespace quelm
