// SPDX-License-Identifier: GPL-2.0-or-later
#include "mpris_root.h"

#include "frm_main.h"
#include "mpris_player.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>

using namespace Qt::StringLiterals;

void Mpris::offer(frm_main *window)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    auto *root = new MprisRoot(window, bus);
    auto *player = new MprisPlayer(window, bus);
    if (bus.registerObject(QString::fromLatin1(objectPath), window)) {
        // The names MPRIS gives a player: its own, or, while another program holds that, one
        // made unique by the process id.
        const QString name = u"org.mpris.MediaPlayer2.zappomatic"_s;
        const QString instance
            = name + u".instance"_s + QString::number(QCoreApplication::applicationPid());
        for (const QString &candidate : {name, instance}) {
            if (bus.registerService(candidate)) {
                root->setServiceName(candidate);
                return;
            }
        }
        bus.unregisterObject(QString::fromLatin1(objectPath));
    }
    delete player;
    delete root;
}

MprisRoot::MprisRoot(frm_main *window, const QDBusConnection &bus)
    : QDBusAbstractAdaptor(window)
    , m_window(window)
    , m_bus(bus)
{ }

MprisRoot::~MprisRoot()
{
    if (!m_serviceName.isEmpty())
        m_bus.unregisterService(m_serviceName);
}

QString MprisRoot::identity() const
{
    return u"Zappomatic"_s;
}

QString MprisRoot::desktopEntry() const
{
    // The desktop file's name without .desktop, as main() tells Wayland.
    return u"org.example.zappomatic"_s;
}

void MprisRoot::Raise()
{
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void MprisRoot::Quit()
{
    m_window->mnu_end_Click();
}
