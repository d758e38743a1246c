// SPDX-License-Identifier: GPL-2.0-or-later
#include "mpris_player.h"

#include "frm_main.h"
#include "mpris_root.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The properties that follow the connection: all of them change when it comes up or ends.
const QStringList upProperties = {u"PlaybackStatus"_s, u"CanPlay"_s,       u"CanPause"_s,
                                  u"CanGoNext"_s,      u"CanGoPrevious"_s, u"Volume"_s};

} // namespace

MprisPlayer::MprisPlayer(frm_main *window, const QDBusConnection &bus)
    : QDBusAbstractAdaptor(window)
    , m_window(window)
    , m_bus(bus)
{
    RecorderLink &link = window->link();
    connect(&link, &RecorderLink::connectionUp, this, [this] { announce(upProperties); });
    connect(&link, &RecorderLink::connectionEnded, this, [this] { announce(upProperties); });
    connect(&link, &RecorderLink::volumeChanged, this, [this] { announce({u"Volume"_s}); });
    connect(&window->guide(), &RecorderGuide::currentChanged, this,
            [this] { announce({u"Metadata"_s}); });
}

QString MprisPlayer::playbackStatus() const
{
    return isUp() ? u"Playing"_s : u"Stopped"_s;
}

QVariantMap MprisPlayer::metadata() const
{
    // The recorder's current channel, and what is on it now when the recorder knows.
    const RecorderGuide::Current &current = m_window->guide().current();
    if (current.number <= 0)
        return {};
    const QString channel = u"%1 %2"_s.arg(current.number).arg(current.name).trimmed();
    const QString now = current.now ? current.now->title : QString();
    return {
        {u"mpris:trackid"_s,
         QVariant::fromValue(
             QDBusObjectPath(u"/org/example/zappomatic/channel/%1"_s.arg(current.number)))},
        {u"xesam:title"_s, now.isEmpty() ? current.name : now},
        {u"xesam:artist"_s, QStringList {channel}},
    };
}

double MprisPlayer::volume() const
{
    return m_window->link().volume().value_or(0) / 255.0;
}

void MprisPlayer::setVolume(double volume)
{
    // Beyond 0..1 means as far as it goes; a level that is no number sends nothing. Half a
    // step rounds up: 0.5 is 128.
    if (std::isnan(volume))
        return;
    const double level = volume > 0 ? std::min(volume, 1.0) : 0.0;
    m_window->link().setVolume(qRound(level * 255));
}

bool MprisPlayer::isUp() const
{
    return m_window->link().isUp();
}

void MprisPlayer::press(int row)
{
    // Only while up, as CanPlay and the rest say: between the greeting and the poll that finds
    // the connection up, the link would already take a line.
    if (isUp())
        m_window->pressKey(row);
}

// clang-format off
void MprisPlayer::Next() { press(Keys::mprisRow("Next")); }
void MprisPlayer::Previous() { press(Keys::mprisRow("Previous")); }
void MprisPlayer::Pause() { press(Keys::mprisRow("Pause")); }
void MprisPlayer::PlayPause() { press(Keys::mprisRow("PlayPause")); }
void MprisPlayer::Stop() { press(Keys::mprisRow("Stop")); }
void MprisPlayer::Play() { press(Keys::mprisRow("Play")); }
// clang-format on

void MprisPlayer::announce(const QStringList &names)
{
    QVariantMap changed;
    for (const QString &name : names)
        changed.insert(name, property(name.toLatin1().constData()));
    QDBusMessage message
        = QDBusMessage::createSignal(QString::fromLatin1(Mpris::objectPath),
                                     u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s);
    message << u"org.mpris.MediaPlayer2.Player"_s << changed << QStringList();
    m_bus.send(message);
}
