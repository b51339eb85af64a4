#include "MprisService.h"

#include "MprisPlayerAdaptor.h"
#include "MprisRootAdaptor.h"
#include "SegmentPlayer.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMetaProperty>
#include <QStringList>

namespace quelm
{

namespace
{

QString InterfaceOf(const QObject& Adaptor)
{
    const QMetaObject* meta = Adaptor.metaObject();
    return QString::fromLatin1(meta->classInfo(meta->indexOfClassInfo("D-Bus Interface")).value());
}

} // namespace

MprisService::MprisService(SegmentPlayer& Player, Hooks WindowHooks, const QDBusConnection& Connection, QObject* Parent)
    : QObject(Parent), m_hooks(std::move(WindowHooks)), m_connection(Connection)
{
    if (!m_connection.isConnected()) {
        return;
    }
    // Adaptors belong to the object they export.
    new MprisRootAdaptor(*this, m_hooks);
    m_player = new MprisPlayerAdaptor(*this, Player, m_hooks);
    if (!Register()) {
        return;
    }
    m_announced = PlayerProperties();
    connect(&Player, &SegmentPlayer::StateChanged, this, &MprisService::Announce);
    connect(&Player, &SegmentPlayer::SpeedChanged, this, &MprisService::Announce);
}

MprisService::~MprisService()
{
    if (!m_busName.isEmpty()) {
        m_connection.unregisterService(m_busName);
        m_connection.unregisterObject(kObjectPath);
    }
}

bool MprisService::Register()
{
    if (!m_connection.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) {
        return false;
    }
    // A second window takes a name of its own, as MPRIS has it.
    const QString name = kBusName;
    for (const QString& candidate :
         {name, name + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid())}) {
        if (m_connection.registerService(candidate)) {
            m_busName = candidate;
            return true;
        }
    }
    m_connection.unregisterObject(kObjectPath);
    return false;
}

void MprisService::Refresh()
{
    if (!m_busName.isEmpty()) {
        Announce();
    }
}

bool MprisService::RefuseCall(const QString& Error, const QString& Why)
{
    if (!calledFromDBus()) {
        return false;
    }
    sendErrorReply(Error, Why);
    return true;
}

QVariantMap MprisService::PlayerProperties() const
{
    // Clients follow the position through Seeked and the rate instead.
    QVariantMap properties;
    const QMetaObject* meta = m_player->metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (QLatin1String(property.name()) != QLatin1String("Position")) {
            properties.insert(QString::fromLatin1(property.name()), property.read(m_player));
        }
    }
    return properties;
}

void MprisService::Announce()
{
    QVariantMap changed;
    const QVariantMap now = PlayerProperties();
    for (auto property = now.begin(); property != now.end(); ++property) {
        if (m_announced.value(property.key()) != property.value()) {
            changed.insert(property.key(), property.value());
        }
    }
    if (changed.isEmpty()) {
        return;
    }
    m_announced = now;
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << InterfaceOf(*m_player) << changed << QStringList();
    m_connection.send(signal);
}

} // namespace quelm
