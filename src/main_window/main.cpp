#include "Display.h"
#include "SignalCloser.h"
#include "WindowStart.h"

#include <QApplication>
#include <csignal>

int main(int argc, char** argv)
{
    int signal = 0;
    {
        QApplication application(argc, argv);
        QApplication::setApplicationName("QuelmRdr");
        QApplication::setApplicationVersion(QUELMRDR_VERSION);
        const quelm::WindowStart start(QApplication::arguments());
        if (start.ExitCode()) {
            return *start.ExitCode();
        }
        quelm::Display display;
        const quelm::SignalCloser closer(display);
        QApplication::setWindowIcon(display.windowIcon());
        start.Show(display);
        const int status = QApplication::exec();
        signal = closer.Received();
        if (signal == 0) {
            return status;
        }
    }
    // Cleaned up; now end as the signal would have ended the program.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return 128 + signal;
}
