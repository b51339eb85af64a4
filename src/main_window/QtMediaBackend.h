#pragma once

#include "mapped_file/UniqueFd.h"
#include "segment_output/MediaCommand.h"

#include <QObject>
#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace quelm
{

// Plays "mysound" through Qt Multimedia (GStreamer on Linux). Playing
// returns at once; errors only mean that nothing sounds.
class QtMediaBackend : public QObject, public MediaBackend
{
    Q_OBJECT
  public:
    explicit QtMediaBackend(QObject* Parent = nullptr);
    ~QtMediaBackend() override;

    void Open(const std::string& Alias, const std::string& Path) override;
    void Play(const std::string& Alias) override;
    void Close(const std::string& Alias) override;

    QMediaPlayer* Player() const { return m_player; }

  private:
    void ReleaseFile();

    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_output = nullptr;
    UniqueFd m_fd; // the file played under its /proc name, if any
};

} // namespace quelm
