#pragma once

namespace quelm
{

// What Qt Multimedia does not expose of the GStreamer beneath it.
class GstAudio
{
  public:
    // Puts scaletempo after the MP3 decoder that Qt's player picks, so that
    // a playback rate other than 1 keeps the pitch: Qt only changes the rate
    // of the stream, which sounds higher and lower. Does nothing when a
    // piece is missing. Once per process, before a player is made. The
    // player that takes this decoder gets a short output buffer too, so that
    // its sound starts at once instead of a good tenth of a second after play.
    static void KeepPitch();

    // The gain (linear, 0 to 10) of every sound decoded by the element
    // above, now and after: levelled playback's loudness. 1 until set.
    static void SetGain(double Gain);

    // Loads the GStreamer plugins that a sound of ours goes through, which
    // the first sound would otherwise wait for. Opens no output.
    static void LoadPlugins();

    // True when a real sound output opens now. GStreamer's automatic sink,
    // which Qt uses when it knows no output device, falls back to a silent
    // one and tells no one. May wait on the sound server.
    static bool OutputOpens();
};

} // namespace quelm
