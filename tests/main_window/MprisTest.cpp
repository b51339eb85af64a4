#include "DisplayFixture.h"
#include "MprisService.h"
#include "record/Scanner.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QProcess>
#include <QSignalSpy>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace quelm;
using namespace quelm::test;

namespace
{

const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");

// Keeps every signal a client connection receives.
class SignalLog : public QObject
{
    Q_OBJECT
  public:
    std::vector<QDBusMessage> messages;
  signals:
    void Received();
  public slots:
    void Take(const QDBusMessage& Message)
    {
        messages.push_back(Message);
        emit Received();
    }
};

// The service on a bus of the test's own, the player on a recording backend
// and a clock the test moves, and a client calling over the bus.
class MprisTest : public ::testing::Test
{
  protected:
    TempDir dir;
    RecordingBackend backend;
    QProcess daemon;
    QString address;
    SignalLog log;
    std::size_t seen = 0; // signals looked at
    QDBusConnection client{QString()};
    std::int64_t nowMs = 0;
    std::unique_ptr<SegmentPlayer> player;
    MprisService::Hooks hooks;
    std::vector<std::string> hooked;
    bool canGoNext = false;
    std::unique_ptr<MprisService> service;
    std::string record;

    void SetUp() override
    {
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir.Path("runtime")));
        std::filesystem::create_directory(dir.Path("runtime"));
        const std::string config =
            dir.Write("bus.conf", "<busconfig><type>session</type><listen>unix:dir=" + dir.Root().string() +
                                      "</listen><policy context='default'><allow send_destination='*'/>"
                                      "<allow receive_sender='*'/>"
                                      "<allow own='*'/></policy></busconfig>");
        // The bus ends with the test, even with one that crashed.
        daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        daemon.start("dbus-daemon",
                     {"--nofork", "--print-address=1", QString::fromStdString("--config-file=" + config)});
        if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000)) {
            GTEST_SKIP() << "no dbus-daemon for a private bus";
        }
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        client = Bus("mpris-client");
        ASSERT_TRUE(client.isConnected()) << address.toStdString();
        client.connect({}, {}, "org.freedesktop.DBus.Properties", "PropertiesChanged", &log, SLOT(Take(QDBusMessage)));
        client.connect({}, {}, kPlayer, "Seeked", &log, SLOT(Take(QDBusMessage)));

        player = std::make_unique<SegmentPlayer>(&backend);
        player->SetClock([this] { return nowMs; });
        const auto note = [this](const char* Name) { return [this, Name] { hooked.emplace_back(Name); }; };
        hooks = {note("play"),        note("next"),  {},          [this] { return canGoNext; }, {},
                 [] { return true; }, note("raise"), note("quit")};
        service = std::make_unique<MprisService>(*player, hooks, Bus("mpris-service"));
        record = dir.Write("record.mp3", Segments({30, 40}));
    }
    void TearDown() override
    {
        service.reset();
        for (const char* name : {"mpris-client", "mpris-service", "mpris-second"}) {
            QDBusConnection::disconnectFromBus(name);
        }
        daemon.terminate();
        daemon.waitForFinished(5000);
        qunsetenv("XDG_RUNTIME_DIR");
    }

    QDBusConnection Bus(const QString& Name) const { return QDBusConnection::connectToBus(address, Name); }

    void PlayRow(int Position)
    {
        SegmentTable table;
        RecordingHost host;
        Scanner(table, host).Look4Frame(record);
        ASSERT_TRUE(player->Prepare(record, table.Row(Position)));
        player->Play();
    }

    QDBusMessage Call(const QString& Interface, const QString& Method, const QVariantList& Arguments = {})
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(service->BusName(), MprisService::kObjectPath, Interface, Method);
        call.setArguments(Arguments);
        // The service answers on this thread: the call has to run its events.
        return client.call(call, QDBus::BlockWithGui, 2000);
    }
    QVariant Get(const QString& Name, const QString& Interface = kPlayer)
    {
        const QDBusMessage reply = Call("org.freedesktop.DBus.Properties", "Get", {Interface, Name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    // The next signal named Member that the test has not looked at yet.
    QVariantList NextSignal(const QString& Member)
    {
        QSignalSpy received(&log, &SignalLog::Received);
        while (seen < log.messages.size() || received.wait(2000)) {
            if (log.messages[seen++].member() == Member) {
                return log.messages[seen - 1].arguments();
            }
        }
        return {};
    }
    // What the next PropertiesChanged of the player says changed.
    QVariantMap Changed()
    {
        const QVariantList arguments = NextSignal("PropertiesChanged");
        EXPECT_EQ(arguments.value(0), kPlayer);
        return qdbus_cast<QVariantMap>(arguments.value(1));
    }
};

} // namespace

TEST_F(MprisTest, PlaybackCommandsDriveThePlayerAndTheStatusTellsItTruthfully)
{
    Call(kPlayer, "PlayPause"); // stopped: the window plays
    EXPECT_EQ(hooked, std::vector<std::string>{"play"});
    EXPECT_EQ(Get("PlaybackStatus"), "Stopped");

    PlayRow(1);
    EXPECT_EQ(Get("PlaybackStatus"), "Playing");
    Call(kPlayer, "PlayPause");
    EXPECT_EQ(player->CurrentState(), SegmentPlayer::State::Paused);
    EXPECT_EQ(Get("PlaybackStatus"), "Paused");
    Call(kPlayer, "PlayPause");
    Call(kPlayer, "Pause");
    EXPECT_EQ(Get("PlaybackStatus"), "Paused");
    Call(kPlayer, "Play");
    EXPECT_EQ(player->CurrentState(), SegmentPlayer::State::Playing);
    Call(kPlayer, "Stop");
    EXPECT_EQ(Get("PlaybackStatus"), "Stopped");
    EXPECT_EQ(hooked.size(), 1U);
}

TEST_F(MprisTest, ChangesAreAnnouncedAsTheyHappen)
{
    PlayRow(2);
    const QVariantMap changed = Changed();
    EXPECT_EQ(changed.value("PlaybackStatus"), "Playing");
    EXPECT_EQ(changed.value("CanSeek"), true);
    EXPECT_FALSE(changed.contains("Position"));
    const auto metadata = qdbus_cast<QVariantMap>(changed.value("Metadata"));
    EXPECT_EQ(metadata.value("xesam:title"), "06/12/2026 10:01:30");
    EXPECT_EQ(metadata.value("xesam:album"), "record.mp3");
    EXPECT_EQ(metadata.value("mpris:length"), 40000000LL);
    EXPECT_EQ(qvariant_cast<QDBusObjectPath>(metadata.value("mpris:trackid")).path(),
              "/io/github/quelmrdr/message/" + QString::number(player->Current()->startOffset));

    player->Pause();
    EXPECT_EQ(Changed(), (QVariantMap{{"PlaybackStatus", "Paused"}}));

    const QDBusMessage set =
        Call("org.freedesktop.DBus.Properties", "Set", {kPlayer, "Rate", QVariant::fromValue(QDBusVariant(1.4))});
    EXPECT_EQ(set.type(), QDBusMessage::ReplyMessage) << set.errorMessage().toStdString();
    EXPECT_EQ(player->Speed(), 1.5); // the nearest speed the player has
    EXPECT_EQ(Changed(), (QVariantMap{{"Rate", 1.5}}));

    // What the hooks answer is announced when the window says it changed.
    EXPECT_EQ(Get("CanGoNext"), false);
    canGoNext = true;
    service->Refresh();
    EXPECT_EQ(Changed(), (QVariantMap{{"CanGoNext", true}}));
}

TEST_F(MprisTest, NextAndRootCallsRunTheWindowsHooks)
{
    Call(kPlayer, "Next");
    EXPECT_TRUE(hooked.empty()) << "no next message";
    canGoNext = true;
    Call(kPlayer, "Next");
    Call(kPlayer, "Previous"); // the window set no hook for it
    Call(kRoot, "Raise");
    Call(kRoot, "Quit");
    QCoreApplication::processEvents(); // Quit runs once it is answered
    EXPECT_EQ(hooked, (std::vector<std::string>{"next", "raise", "quit"}));
    EXPECT_EQ(Get("CanQuit", kRoot), true);
    EXPECT_EQ(Get("Identity", kRoot), QCoreApplication::applicationName());
    EXPECT_EQ(Call(kPlayer, "OpenUri", {"file:///a.mp3"}).type(), QDBusMessage::ErrorMessage);
}

TEST_F(MprisTest, SeekAndSetPositionMoveThePlayerWithinTheMessageAndAreTold)
{
    PlayRow(1);
    nowMs = 2000;
    EXPECT_EQ(Get("Position"), 2000000LL);
    Call(kPlayer, "Seek", {qlonglong{5000000}});
    EXPECT_EQ(player->Position(), 7000);
    EXPECT_EQ(NextSignal("Seeked"), QVariantList{7000000LL});

    const auto track = qvariant_cast<QDBusObjectPath>(qdbus_cast<QVariantMap>(Get("Metadata")).value("mpris:trackid"));
    const auto other = QVariant::fromValue(QDBusObjectPath("/io/github/quelmrdr/message/1"));
    Call(kPlayer, "SetPosition", {other, qlonglong{1000000}});
    Call(kPlayer, "SetPosition", {QVariant::fromValue(track), qlonglong{31000000}}); // past the end
    EXPECT_EQ(player->Position(), 7000);
    Call(kPlayer, "SetPosition", {QVariant::fromValue(track), qlonglong{20000000}});
    EXPECT_EQ(player->Position(), 20000);
    Call(kPlayer, "Seek", {qlonglong{-60000000}});
    EXPECT_EQ(player->Position(), 0);
    EXPECT_EQ(NextSignal("Seeked"), QVariantList{20000000LL});
    EXPECT_EQ(NextSignal("Seeked"), QVariantList{0LL});
}

TEST_F(MprisTest, ASecondWindowTakesANameOfItsOwnAndNoBusMeansNoService)
{
    const QString instance = QString(MprisService::kBusName) + ".instance" + QString::number(::getpid());
    {
        const MprisService second(*player, {}, Bus("mpris-second"));
        EXPECT_EQ(second.BusName(), instance);
        EXPECT_TRUE(client.interface()->isServiceRegistered(instance).value());
    }
    EXPECT_FALSE(client.interface()->isServiceRegistered(instance).value());
    EXPECT_TRUE(client.interface()->isServiceRegistered(MprisService::kBusName).value());

    const MprisService offBus(*player, {}, QDBusConnection(QStringLiteral("no bus")));
    EXPECT_TRUE(offBus.BusName().isEmpty());
}

#include "MprisTest.moc"
