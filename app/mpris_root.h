// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QStringList>

class frm_main;

// The desktop's media controls (MPRIS): the window as a media player on the session bus.
namespace Mpris {

inline constexpr auto objectPath = "/org/mpris/MediaPlayer2";

// Joins the session bus and offers the window there under the player's name, or under its
// per-process name when another program holds that. No bus, or no name to be had, leaves the
// program as it was: the desktop's controls are a convenience, not a part of the handset.
void offer(frm_main *window);

} // namespace Mpris

// org.mpris.MediaPlayer2: who the player is, and the window's own controls.
class MprisRoot : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity READ identity CONSTANT)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry CONSTANT)
    Q_PROPERTY(bool CanRaise READ canRaise CONSTANT)
    Q_PROPERTY(bool CanQuit READ canQuit CONSTANT)
    Q_PROPERTY(bool HasTrackList READ hasTrackList CONSTANT)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes CONSTANT)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes CONSTANT)

public:
    MprisRoot(frm_main *window, const QDBusConnection &bus);
    // The name is given up with the window, so that a later window of the same process can
    // have it.
    ~MprisRoot() override;
    void setServiceName(const QString &name) { m_serviceName = name; }

    QString identity() const;
    QString desktopEntry() const;
    bool canRaise() const { return true; }
    bool canQuit() const { return true; }
    // The recorder's channels are no list of tracks a player could offer.
    bool hasTrackList() const { return false; }
    // Nothing can be opened: the recorder plays what it has tuned to.
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

public Q_SLOTS:
    void Raise();
    void Quit();

private:
    frm_main *m_window;
    QDBusConnection m_bus;
    QString m_serviceName;
};
