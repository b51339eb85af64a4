#pragma once

#include "Display.h"
#include "mapped_file/Failure.h"
#include "support/RecordBytes.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace quelm::test
{

// Remembers what the media layer hands to the sound device.
class RecordingBackend : public MediaBackend
{
  public:
    std::vector<std::string> calls;
    void Open(const std::string& Alias, const std::string& Path) override
    {
        calls.push_back("open " + Path + " " + Alias);
    }
    void Play(const std::string& Alias) override { calls.push_back("play " + Alias); }
    void Close(const std::string& Alias) override { calls.push_back("close " + Alias); }
    void SetListener(MediaListener* Listener) override { listener = Listener; }
    void Warm() override { ++warmed; }
    // Where the player hears what became of its sound.
    MediaListener* listener = nullptr;
    int warmed = 0;
};

class DisplayTest : public ::testing::Test
{
  protected:
    TempDir dir;
    RecordingBackend backend;
    std::unique_ptr<Display> display;

    void SetUp() override
    {
        // Playback files go to a folder of this test's own.
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir.Path("runtime")));
        std::filesystem::create_directory(dir.Path("runtime"));
        // And marks to a database of its own.
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.Path("data")));
        display = std::make_unique<Display>(&backend);
    }
    void TearDown() override
    {
        display.reset();
        qunsetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_DATA_HOME");
    }

    template <typename T> T* Child(const char* Name) const
    {
        T* child = display->findChild<T*>(Name);
        EXPECT_NE(child, nullptr) << Name;
        return child;
    }
    QPushButton* Button(const char* Name) const { return Child<QPushButton>(Name); }
    QCheckBox* Check(const char* Name) const { return Child<QCheckBox>(Name); }
    QScrollBar* Length() const { return Child<QScrollBar>("Length"); }
    QTableView* List() const { return Child<QTableView>("ListView"); }
    QString PanelText(const char* Key) const { return Child<QLabel>(Key)->text(); }
    QString LastFailure() const { return display->Failures().LastFailure(); }

    // Loads Bytes as a record file through the Load button and its dialog.
    std::string Load(const std::string& Bytes, const std::string& Name = "record.mp3")
    {
        const std::string path = dir.Write(Name, Bytes);
        display->Dialogs().QueueAnswer(QString::fromStdString(path));
        display->Load_Click();
        return path;
    }
    int Rows() const { return display->Table().RowCount(); }
    std::vector<std::string> Sent() const { return display->Player().Media().Sent(); }
    // Record numbers of the segments played, from their temporary files.
    std::vector<int> Played() const
    {
        std::vector<int> played;
        for (const auto& command : Sent()) {
            if (command.starts_with("open ")) {
                const auto at = command.find("QLM") + 3;
                played.push_back(std::stoi(command.substr(at, command.find('.', at) - at), nullptr, 16));
            }
        }
        return played;
    }

    // Enabled states of Load, Filter, Length, StopIt, Quit, Auto.
    std::string States() const
    {
        std::string states;
        for (const char* name : {"Load", "Filter", "Length", "StopIt", "Quit", "Auto"}) {
            states += display->findChild<QWidget*>(name)->isEnabled() ? '1' : '0';
        }
        return states;
    }
};

// A record file of segments lasting the given seconds, each 100 bytes of
// audio apart, starting at 10:00:00.
inline std::string Segments(const std::vector<int>& Seconds)
{
    std::string bytes = Filler(10);
    int at = 36000;
    auto time = [](int s) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", s / 3600 % 24, s / 60 % 60, s % 60);
        return std::string(text);
    };
    for (const int seconds : Seconds) {
        bytes += Start(time(at)) + Filler(100, 'a') + End(time(at + seconds)) + Filler(20);
        at += seconds + 60;
    }
    return bytes;
}

// 200 000 rows back to back: a scan long enough to act on while it runs.
inline std::string ManyShortSegments()
{
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes += Start("10:00:00") + End("10:00:09");
    }
    return bytes;
}

} // namespace quelm::test

namespace quelm::test
{

// A real click on a row of the list: press, then release, on the viewport.
inline void ClickRow(QTableView* List, int Position, Qt::MouseButton Button, Qt::MouseButtons Held = {})
{
    QWidget* viewport = List->viewport();
    const QPoint at = List->visualRect(List->model()->index(Position - 1, 1)).center();
    const Qt::MouseButtons down = Held | Button;
    QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Button, down, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at), Button, Held, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
}

} // namespace quelm::test
