// SPDX-License-Identifier: GPL-2.0-or-later
// The window as the desktop sees it, on a session bus of the suite's own: the media controls'
// name, methods, properties and metadata, and the ways of closing it.
#include "window.h"

// Properties as the desktop meets them, in name order: each name with its D-Bus type (none for
// a map) and value.
static QString asText(const QVariantMap &properties)
{
    QStringList all;
    for (const auto &[name, value] : properties.asKeyValueRange())
        all << name + u':' + QString::fromLatin1(QDBusMetaType::typeToSignature(value.metaType()))
                + u'=' + value.toString();
    return all.join(u' ');
}

// The player's properties, as asText() writes them, while the connection is up or not.
static QString playerText(bool up, const char *volume)
{
    return u"CanControl:b=true CanGoNext:b=%1 CanGoPrevious:b=%1 CanPause:b=%1 CanPlay:b=%1 "
           "CanSeek:b=false MaximumRate:d=1 Metadata:= MinimumRate:d=1 PlaybackStatus:s=%2 "
           "Position:x=0 Rate:d=1 Volume:d=%3"_s.arg(up ? u"true"_s : u"false"_s,
                                                     up ? u"Playing"_s : u"Stopped"_s,
                                                     QString::fromLatin1(volume));
}

class tst_desktop : public WindowTest
{
    Q_OBJECT

    QVariantMap playerProperties()
    {
        const QDBusMessage reply = mpris(propertiesInterface, u"GetAll"_s, {playerInterface});
        return qdbus_cast<QVariantMap>(reply.arguments().value(0));
    }

private Q_SLOTS:
    void closingEndsAtOnce_data()
    {
        QTest::addColumn<int>("by"); // the close request, the menu, the desktop
        QTest::newRow("close request") << 0;
        QTest::newRow("File > Exit") << 1; // Ctrl+Q is X11's, tried in the real window
        QTest::newRow("MPRIS Quit") << 2;
    }
    void closingEndsAtOnce()
    {
        fresh();
        QFETCH(int, by);
        connectWindow();
        // Only the program's own handlers may end it here, not Qt's last-window rule.
        QApplication::setQuitOnLastWindowClosed(false);
        QTimer::singleShot(0, w.get(), [&] {
            if (by == 2)
                mpris(u"org.mpris.MediaPlayer2"_s, u"Quit"_s, {});
            else if (by == 1)
                w->findChild<QAction *>(u"mnu_end"_s)->trigger();
            else
                w->close();
        });
        QTimer::singleShot(waitMs, this, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(status(), connectedText());
        QCOMPARE(wire(), QByteArray()); // the recorder was told nothing
    }

    // Another program's player holds the name: the window takes its per-process one.
    void mprisInstanceName()
    {
        w.reset();
        QVERIFY(desktop.registerService(mprisName));
        open();
        const QString pid = QString::number(QCoreApplication::applicationPid());
        QTRY_COMPARE_WITH_TIMEOUT(owner(mprisName + u".instance"_s + pid),
                                  QDBusConnection::sessionBus().baseService(), waitMs);
        QVERIFY(desktop.unregisterService(mprisName));
    }

    // Each method's line once the connection is up, and none before; Volume=x writes Volume, and
    // a level that is no number sends nothing.
    // The properties follow the connection, in GetAll and in PropertiesChanged.
    void mprisMethods_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QByteArray>("line");
        for (const char *row :
             {"PlayPause:hitk play/pause", "Play:hitk play", "Pause:hitk pause", "Stop:hitk stop",
              "Next:hitk next", "Previous:hitk prev", "Volume=0.5:VOLU 128", "Volume=1.5:VOLU 255",
              "Volume=-0.25:VOLU 0", "Volume=nan:"}) {
            const QByteArray line = QByteArray(row).split(':')[1];
            QTest::newRow(row) << QString::fromLatin1(row).section(u':', 0, 0)
                               << (line.isEmpty() ? line : line + "\r\n");
        }
    }
    void mprisMethods()
    {
        QFETCH(QString, call);
        QFETCH(QByteArray, line);
        const QStringList volume = call.split(u'=');
        const auto press = [&] {
            const QVariant level = QVariant::fromValue(QDBusVariant(volume.value(1).toDouble()));
            return volume.size() > 1
                ? mpris(propertiesInterface, u"Set"_s, {playerInterface, volume[0], level})
                : mpris(playerInterface, call, {});
        };
        fresh();
        rec->answer = "250 Audio volume is 77\r\n";
        // What the desktop knows: what it read, then what it was told.
        announced = playerProperties();
        QCOMPARE(asText(announced), playerText(false, "0"));
        // Greeted, but the poll that makes the connection up held back: the link would take a
        // line now.
        connectTo(u"127.0.0.1"_s, QString::number(rec->port()));
        w->link().stopPolling();
        QTRY_COMPARE_WITH_TIMEOUT(rec->received.value(0), "VOLU\r\n", waitMs);
        QCOMPARE(press().type(), QDBusMessage::ReplyMessage);
        QCOMPARE(wire(0), QByteArray("VOLU\r\n"));
        connectWindow();
        QTRY_COMPARE_WITH_TIMEOUT(asText(announced), playerText(true, "0.30196078431372547"),
                                  waitMs);
        QCOMPARE(press().type(), QDBusMessage::ReplyMessage);
        QCOMPARE(wire(1), line);
        click(u"cmd_disconnect"_s);
        QTRY_COMPARE_WITH_TIMEOUT(asText(announced), playerText(false, "0"), waitMs);
    }

    // The desktop's media controls name the current channel and what is on it, or the channel
    // alone where the recorder has no programmes for it, and hear of each change.
    void mprisMetadata()
    {
        const QString port = startSim({u"--channels"_s, u"3"_s, u"--without-programmes"_s, u"3"_s});
        fresh();
        connectWindow(port);
        const auto metadata = [&](const QVariantMap &from) {
            const QVariantMap map = qdbus_cast<QVariantMap>(from.value(u"Metadata"_s));
            return QStringList {map.value(u"mpris:trackid"_s).value<QDBusObjectPath>().path(),
                                map.value(u"xesam:title"_s).toString(),
                                map.value(u"xesam:artist"_s).toStringList().join(u'|')};
        };
        QTRY_VERIFY_WITH_TIMEOUT(metadata(announced).value(1).endsWith(u" on Channel 1"_s), waitMs);
        QCOMPARE(metadata(playerProperties()), metadata(announced));
        QCOMPARE(metadata(announced).value(0), u"/org/example/zappomatic/channel/1"_s);
        QCOMPARE(metadata(announced).value(2), u"1 Channel 1"_s);
        find<QLineEdit>(u"txt_chan"_s)->setText(u"3"_s);
        click(u"cmd_goch"_s);
        QTRY_COMPARE_WITH_TIMEOUT(metadata(announced).value(2), u"3 Channel 3"_s, waitMs);
        simReceived(simLog.size()); // the programmes asked before it have their answers by now
        QCOMPARE(metadata(announced).value(1), u"Channel 3"_s);
    }
};

QTEST_MAIN(tst_desktop)
#include "tst_desktop.moc"
