#include "MprisRootAdaptor.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>

namespace quelm
{

MprisRootAdaptor::MprisRootAdaptor(MprisService& Service, const MprisService::Hooks& Hooks)
    : QDBusAbstractAdaptor(&Service), m_service(Service), m_hooks(Hooks)
{
}

QString MprisRootAdaptor::Identity()
{
    return QCoreApplication::applicationName();
}

QString MprisRootAdaptor::DesktopEntry()
{
    return QGuiApplication::desktopFileName();
}

void MprisRootAdaptor::Raise()
{
    if (m_hooks.raise) {
        m_hooks.raise();
    }
}

void MprisRootAdaptor::Quit()
{
    if (!m_hooks.quit) {
        return;
    }
    // Once the call is answered: closing the window may well end this service.
    QMetaObject::invokeMethod(
        &m_service, [this] { m_hooks.quit(); }, Qt::QueuedConnection);
}

} // namespace quelm
