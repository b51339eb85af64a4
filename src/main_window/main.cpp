#include "Display.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("QuelmRdr");
    QApplication::setApplicationVersion(QUELMRDR_VERSION);
    quelm::Display display;
    QApplication::setWindowIcon(display.windowIcon());
    display.show();
    return QApplication::exec();
}
