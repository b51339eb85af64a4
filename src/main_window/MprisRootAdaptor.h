#pragma once

#include "MprisService.h"

#include <QDBusAbstractAdaptor>
#include <QStringList>

namespace quelm
{

// The org.mpris.MediaPlayer2 interface: who the player is, and raising or
// closing its window.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
  public:
    MprisRootAdaptor(MprisService& Service, const MprisService::Hooks& Hooks);

    bool CanQuit() const { return static_cast<bool>(m_hooks.quit); }
    bool CanRaise() const { return static_cast<bool>(m_hooks.raise); }
    static bool HasTrackList() { return false; }
    static QString Identity();
    static QString DesktopEntry();
    // Record files are opened from the window only.
    static QStringList SupportedUriSchemes() { return {}; }
    static QStringList SupportedMimeTypes() { return {}; }

  public slots:
    void Raise();
    void Quit();

  private:
    MprisService& m_service;
    const MprisService::Hooks& m_hooks;
};

} // namespace quelm
