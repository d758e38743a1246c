// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

class frm_main;

// org.mpris.MediaPlayer2.Player: the desktop's transport controls press the recorder's keys.
// The recorder tells nothing of what it plays, so the player plays while the connection is up
// and its controls work only then; nothing is sent otherwise.
class MprisPlayer : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ isUp)
    Q_PROPERTY(bool CanGoPrevious READ isUp)
    Q_PROPERTY(bool CanPlay READ isUp)
    Q_PROPERTY(bool CanPause READ isUp)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    MprisPlayer(frm_main *window, const QDBusConnection &bus);

    QString playbackStatus() const;
    // The recorder plays at its own speed; a rate to set is ignored, as MPRIS allows when the
    // least and the greatest rate are both 1.
    double rate() const { return 1.0; }
    void setRate(double) { }
    QVariantMap metadata() const;
    // The recorder's volume 0..255 as MPRIS's 0..1; 0 while the recorder has not named it.
    double volume() const;
    void setVolume(double volume);
    // Microseconds into the track: a live channel has no position to tell.
    qlonglong position() const { return 0; }
    bool isUp() const;
    bool canSeek() const { return false; }
    bool canControl() const { return true; }

public Q_SLOTS:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    // The recorder has no position to go to, and plays nothing but its own.
    void Seek(qlonglong Offset) { Q_UNUSED(Offset); }
    void SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
    {
        Q_UNUSED(TrackId);
        Q_UNUSED(Position);
    }
    void OpenUri(const QString &Uri) { Q_UNUSED(Uri); }

Q_SIGNALS:
    // Part of the interface; never emitted, as the position never moves.
    void Seeked(qlonglong Position);

private:
    void press(int row);
    // Tells the bus the current values of the named properties.
    void announce(const QStringList &names);

    frm_main *m_window;
    QDBusConnection m_bus;
};
