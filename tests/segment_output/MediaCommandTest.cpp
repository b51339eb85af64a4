#include "segment_output/MediaCommand.h"

#include "segment_output/Levelling.h"

#include <cmath>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace quelm;

namespace
{

class Backend : public MediaBackend
{
  public:
    std::vector<std::string> calls;
    bool fail = false;
    void Open(const std::string& Alias, const std::string& Path) override { Note("open " + Alias + " " + Path); }
    void Play(const std::string& Alias) override { Note("play " + Alias); }
    void Close(const std::string& Alias) override { Note("close " + Alias); }
    void Pause(const std::string& Alias) override { Note("pause " + Alias); }
    void Seek(const std::string& Alias, std::int64_t Ms) override { Note("seek " + Alias + " " + std::to_string(Ms)); }
    void SetSpeed(const std::string& Alias, double Speed) override
    {
        Note("speed " + Alias + " " + std::to_string(Speed));
    }
    void SetGain(const std::string& Alias, double Gain) override { Note("gain " + Alias + " " + std::to_string(Gain)); }

  private:
    void Note(const std::string& Call)
    {
        calls.push_back(Call);
        if (fail) {
            throw std::runtime_error("no sound device");
        }
    }
};

} // namespace

TEST(MediaCommand, ParsesTheThreeCommands)
{
    EXPECT_EQ(ParseMediaCommand("close mysound").kind, MediaCommand::Kind::Close);
    EXPECT_EQ(ParseMediaCommand("play mysound").kind, MediaCommand::Kind::Play);
    const auto open = ParseMediaCommand(OpenCommand("/run/user/1/quelmrdr/QLM3.mp3"));
    EXPECT_EQ(OpenCommand("/t/QLM3.mp3"), "open /t/QLM3.mp3  Alias mysound");
    EXPECT_EQ(open.kind, MediaCommand::Kind::Open);
    EXPECT_EQ(open.path, "/run/user/1/quelmrdr/QLM3.mp3");
    EXPECT_EQ(open.alias, "mysound");
    // A path with blanks travels in quotes.
    EXPECT_EQ(OpenCommand("/my temp/QLM3.mp3"), "open \"/my temp/QLM3.mp3\"  Alias mysound");
    EXPECT_EQ(ParseMediaCommand(OpenCommand("/my temp/QLM3.mp3")).path, "/my temp/QLM3.mp3");
    for (const char* junk : {"", "stop mysound", "open", "open /a.mp3", "open \"/a b.mp3", "close", "play a b"}) {
        EXPECT_EQ(ParseMediaCommand(junk).kind, MediaCommand::Kind::Unknown) << junk;
    }
}

TEST(MediaLayer, CloseWithNothingOpenDoesNothingAndFailuresNeverEscape)
{
    Backend backend;
    MediaLayer layer(backend);
    layer.Send(CloseCommand());
    layer.Send(PlayCommand());
    EXPECT_TRUE(backend.calls.empty());

    layer.Send(OpenCommand("/t/QLM1.mp3"));
    layer.Send(PlayCommand());
    layer.Send(CloseCommand());
    layer.Send(CloseCommand());
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"open mysound /t/QLM1.mp3", "play mysound", "close mysound"}));

    backend.fail = true;
    EXPECT_NO_THROW(layer.Send(OpenCommand("/t/QLM2.mp3")));
    EXPECT_NO_THROW(layer.Send(PlayCommand()));
    EXPECT_NO_THROW(layer.Send("gibberish"));
    EXPECT_EQ(layer.Sent().back(), "gibberish");
}

TEST(MediaCommand, ReadsBackEveryPathItWrites)
{
    for (const std::string path :
         {"/tmp/my \"temp\" dir/1/QLM3.mp3", "/a\"b/QLM1.mp3", "/back\\slash/QLM1.mp3", "/end\\ blank\\/QLM1.mp3",
          "/ lead and trail /QLM1.mp3 ", "\"", "/two  blanks/Alias mysound/QLM1.mp3", "/caf\xc3\xa9 \xff/QLM1.mp3"}) {
        const MediaCommand open = ParseMediaCommand(OpenCommand(path));
        EXPECT_EQ(open.kind, MediaCommand::Kind::Open) << path;
        EXPECT_EQ(open.path, path);
        EXPECT_EQ(open.alias, "mysound");
    }
}

TEST(MediaLayer, ControlsReachTheOpenSoundAndSpeedAndGainHoldWithoutOne)
{
    Backend backend;
    MediaLayer layer(backend);
    layer.Send(PauseCommand());
    layer.Send(SeekCommand(5000));
    layer.Send(SpeedCommand(1.5));
    layer.Send(GainCommand(LevelGain(-26.0)));
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"speed mysound 1.500000", "gain mysound 1.995000"}));
    backend.calls.clear();
    layer.Send(OpenCommand("/tmp/a.mp3"));
    for (const char* control : {"pause mysound", "SEEK mysound to 7000", "seek mysound to -1", "seek mysound 7000",
                                "set mysound speed 0", "setaudio mysound volume 5", "resume othersound"}) {
        layer.Send(control);
    }
    EXPECT_EQ(backend.calls,
              (std::vector<std::string>{"open mysound /tmp/a.mp3", "pause mysound", "seek mysound 7000"}));
}

TEST(Levelling, BringsMessagesToSpeechLoudnessWithinTheCeiling)
{
    EXPECT_DOUBLE_EQ(LevelGain(kLevelTargetLufs), 1.0);
    EXPECT_NEAR(LevelGain(kLevelTargetLufs + 12), 0.251, 0.001) << "a loud message is turned down";
    EXPECT_NEAR(LevelGain(-70), std::pow(10.0, kLevelCeilingDb / 20), 1e-9) << "squelch noise is not made a roar";
    EXPECT_EQ(LevelGain(std::nullopt), 1.0);
}
