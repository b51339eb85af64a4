#include "Display.h"
#include "QtMediaBackend.h"
#include "SignalCloser.h"
#include "WindowPlacement.h"
#include "WindowStart.h"
#include "mapped_file/Signals.h"
#include "segment_output/TempFiles.h"

#include <QApplication>
#include <QSettings>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    quelm::DropRelativeTempFolders();
    QCoreApplication::setApplicationName("QuelmRdr");
    QCoreApplication::setApplicationVersion(QUELMRDR_VERSION);
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    if (quelm::WindowStart::OnlyText(arguments)) {
        const QCoreApplication text(argc, argv);
        return quelm::WindowStart(QCoreApplication::arguments()).ExitCode().value_or(0);
    }
    int signal = 0;
    {
        QApplication application(argc, argv);
        // Lets the desktop match the window to its menu entry and icon.
        QGuiApplication::setDesktopFileName("io.github.quelmrdr.QuelmRdr");
        const quelm::WindowStart start(QApplication::arguments());
        if (start.ExitCode()) {
            return *start.ExitCode();
        }
        int status = 0;
        {
            quelm::Display display;
            const quelm::SignalCloser closer(display);
            QApplication::setWindowIcon(display.windowIcon());
            QSettings settings("QuelmRdr", "quelmrdr");
            quelm::WindowPlacement::Restore(display, settings);
            start.Show(display);
            status = QApplication::exec();
            quelm::WindowPlacement::Save(display, settings);
            signal = closer.Received();
        }
        // The window's own end has run. A media worker stuck in the sound
        // server would make the rest of the way out hang or abort: leave now.
        if (quelm::QtMediaBackend::StuckWorkers() > 0) {
            std::fflush(nullptr);
            if (signal != 0) {
                quelm::Signals::EndBy(signal);
            }
            ::_exit(status);
        }
        if (signal == 0) {
            return status;
        }
    }
    // Cleaned up; now end as the signal would have ended the program.
    quelm::Signals::EndBy(signal);
    return 128 + signal;
}
