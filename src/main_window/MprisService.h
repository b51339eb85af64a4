#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

namespace quelm
{

class MprisPlayerAdaptor;
class SegmentPlayer;

// Offers the window's player on the session bus as an MPRIS media player,
// so that media keys, the desktop's media widget and playerctl drive it.
// What the player itself cannot answer (which message plays next, whether
// there is one to play) the window tells through hooks. Without a bus it
// does nothing.
class MprisService : public QObject, protected QDBusContext
{
    Q_OBJECT
  public:
    // Set by the window; an empty hook means "cannot" (and does nothing).
    struct Hooks {
        std::function<void()> play; // while stopped: the last message again, or the selected row
        std::function<void()> next;
        std::function<void()> previous;
        std::function<bool()> canGoNext;
        std::function<bool()> canGoPrevious;
        std::function<bool()> canPlay; // whether play would start anything
        std::function<void()> raise;
        std::function<void()> quit;
    };

    static constexpr const char* kBusName = "org.mpris.MediaPlayer2.quelmrdr";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    // Takes kBusName on Connection, or kBusName.instance<pid> when another
    // program holds it. Player must outlive the service.
    MprisService(SegmentPlayer& Player, Hooks WindowHooks,
                 const QDBusConnection& Connection = QDBusConnection::sessionBus(), QObject* Parent = nullptr);
    ~MprisService() override;
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;

    // The name taken on the bus; empty when the service is not on one.
    const QString& BusName() const { return m_busName; }

    // Announces what changed of what the hooks answer (the list or the
    // selection changed); the player's own changes are announced anyway.
    void Refresh();

    // Answers the bus call being served with an error; false when the call
    // did not come over the bus. (Qt gives the call to the exported object,
    // not to its adaptors.)
    bool RefuseCall(const QString& Error, const QString& Why);

  private:
    bool Register();
    // Sends PropertiesChanged for the player's properties that differ from
    // what was last announced.
    void Announce();
    QVariantMap PlayerProperties() const;

    Hooks m_hooks;
    QDBusConnection m_connection;
    MprisPlayerAdaptor* m_player = nullptr;
    QString m_busName;
    QVariantMap m_announced;
};

} // namespace quelm
