// SPDX-License-Identifier: GPL-2.0-or-later
// The handset window against a recorder on loopback: what each press and key puts on the wire,
// what the window shows, and how the connection behaves when the recorder misbehaves; and the
// window as the desktop's media controls see it, on a session bus of the suite's own.
#include "connection_status.h"
#include "frm_main.h"
#include "key_table.h"
#include "recorder.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QtDBus>

#include <ctime>

#ifdef __SANITIZE_ADDRESS__
// From the sanitizer runtime; g++ ships no header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace Qt::StringLiterals;

namespace {

// A line no button sends: once it has arrived, everything pressed before it has too.
const QByteArray marker = "stat disk\r\n";
constexpr int waitMs = 10000;
// The attempt's and the reply's limits in this suite: real ones would only be waited out.
constexpr auto limit = std::chrono::milliseconds(2000);
constexpr int limitMs = int(limit.count());
const QString mprisName = u"org.mpris.MediaPlayer2.zappomatic"_s;
const QString playerInterface = u"org.mpris.MediaPlayer2.Player"_s;
const QString propertiesInterface = u"org.freedesktop.DBus.Properties"_s;

// Properties as the desktop meets them, in name order: each name with its D-Bus type (none for
// a map) and value.
QString asText(const QVariantMap &properties)
{
    QStringList all;
    for (const auto &[name, value] : properties.asKeyValueRange())
        all << name + u':' + QString::fromLatin1(QDBusMetaType::typeToSignature(value.metaType()))
                + u'=' + value.toString();
    return all.join(u' ');
}

// The player's properties, as asText() writes them, while the connection is up or not.
QString playerText(bool up, const char *volume)
{
    return u"CanControl:b=true CanGoNext:b=%1 CanGoPrevious:b=%1 CanPause:b=%1 CanPlay:b=%1 "
           "CanSeek:b=false MaximumRate:d=1 Metadata:= MinimumRate:d=1 PlaybackStatus:s=%2 "
           "Position:x=0 Rate:d=1 Volume:d=%3"_s.arg(up ? u"true"_s : u"false"_s,
                                                     up ? u"Playing"_s : u"Stopped"_s,
                                                     QString::fromLatin1(volume));
}

// Resident memory. Under AddressSanitizer freed blocks stay resident in its quarantine, so
// the live heap is counted there instead.
qint64 memoryInUse()
{
#ifdef __SANITIZE_ADDRESS__
    return qint64(__sanitizer_get_current_allocated_bytes());
#endif
    QFile status(u"/proc/self/status"_s);
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    return text.mid(text.indexOf("VmRSS:") + 6).simplified().split(' ')[0].toLongLong() << 10;
}

} // namespace

class tst_handset : public QObject
{
    Q_OBJECT

    // The suite's session bus, ended after the last window has left it.
    QProcess busDaemon;
    QTemporaryDir folder;
    std::unique_ptr<Recorder> rec;
    std::unique_ptr<frm_main> w;

    template<typename T = QWidget> T *find(const QString &name) const
    {
        return w->findChild<T *>(name);
    }
    QString status() const { return find<QLabel>(u"lbl_info"_s)->text(); }
    QString answer() const { return find<QLabel>(u"lbl_answer"_s)->text(); }
    QString connectedText() const { return u"Connected to 127.0.0.1 port %1"_s.arg(rec->port()); }
    void click(const QString &name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }

    // The recorder simulator, started anew by startSim() and ended with its QProcess.
    struct End
    {
        void operator()(QProcess *process) const
        {
            process->kill(), process->waitForFinished(), delete process;
        }
    };
    QByteArray simLog; // outlives sim, which may still print as it ends
    std::unique_ptr<QProcess, End> sim;
    QString startSim(const QStringList &arguments)
    {
        sim.reset(new QProcess);
        simLog.clear();
        connect(sim.get(), &QProcess::readyReadStandardOutput, this,
                [this, process = sim.get()] { simLog += process->readAllStandardOutput(); });
        sim->start(u"" SIM_PATH ""_s, QStringList {u"--port"_s, u"0"_s} + arguments);
        if (!QTest::qWaitFor([&] { return simLog.contains('\n'); }, waitMs))
            return u"(the simulator did not start)"_s;
        return QString::fromLatin1(simLog.split('\n')[0].split(' ').last());
    }

    // The desktop's own connection to the suite's bus.
    QDBusConnection desktop {u"desktop"_s};
    // What PropertiesChanged has said since it was last cleared, later words over earlier.
    QVariantMap announced;
    QString owner(const QString &name) const { return desktop.interface()->serviceOwner(name); }
    // A call as the desktop makes one, waited for with a bound: a blocking call would stall this
    // thread, which serves the window's side too.
    QDBusMessage mpris(const QString &interface, const QString &member, const QVariantList &args)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(mprisName, u"/org/mpris/MediaPlayer2"_s,
                                                           interface, member);
        call.setArguments(args);
        const QDBusPendingCall pending = desktop.asyncCall(call, waitMs);
        return QTest::qWaitFor([&] { return pending.isFinished(); }, waitMs) ? pending.reply()
                                                                             : QDBusMessage();
    }
    QVariantMap playerProperties()
    {
        const QDBusMessage reply = mpris(propertiesInterface, u"GetAll"_s, {playerInterface});
        return qdbus_cast<QVariantMap>(reply.arguments().value(0));
    }

    QByteArray lastTest;
    void fresh()
    {
        w.reset();
        rec = std::make_unique<Recorder>();
        QVERIFY(rec->port() > 0);
        open();
        // Once up, each window joins the suite's bus under the player's name.
        if (desktop.isConnected())
            QTRY_COMPARE_WITH_TIMEOUT(owner(mprisName), QDBusConnection::sessionBus().baseService(),
                                      waitMs);
    }
    void open(const QByteArray &ini = {})
    {
        QFile file(folder.filePath(u"zappomatic.ini"_s));
        QVERIFY(ini.isNull() ? (!file.exists() || file.remove())
                             : (file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size()));
        file.close();
        w = std::make_unique<frm_main>(folder.path());
        w->link().setLimits(limit, limit);
        // No background CHAN after a test's presses, unless the test asks for one.
        w->guide().setClocks(std::chrono::hours(1), std::chrono::hours(1));
        w->show();
        // The panel's list and the Keys menu's entries come with the first picture.
        QTRY_VERIFY(w->isComplete());
    }
    void connectTo(const QString &host, const QString &port)
    {
        find<QLineEdit>(u"txt_ip"_s)->setText(host);
        find<QLineEdit>(u"txt_port"_s)->setText(port);
        click(u"cmd_connect"_s);
    }
    // Connects to the loopback recorder, or to the simulator on port.
    void connectWindow(QString port = {})
    {
        port = port.isEmpty() ? QString::number(rec->port()) : port;
        connectTo(u"127.0.0.1"_s, port);
        QTRY_COMPARE_WITH_TIMEOUT(status(), u"Connected to 127.0.0.1 port "_s + port, waitMs);
        // The lines the program sends by itself on a new connection: the volume, for the
        // desktop's media controls, the current channel and the list. Only the user's presses
        // follow.
        if (port == QString::number(rec->port())) {
            QTRY_COMPARE(rec->received.last(), "VOLU\r\nCHAN\r\nLSTC :groups\r\n");
            rec->received.last().clear();
        }
    }
    // What the recorder's connection received before the marker that this sends after it.
    QByteArray wire(int index = 0)
    {
        w->link().vdr_send(QString::fromLatin1(marker));
        if (!QTest::qWaitFor([&] { return rec->received.value(index).endsWith(marker); }, waitMs))
            return "(the marker never arrived)";
        return rec->received[index].chopped(marker.size());
    }
    // The 31 widgets of the remote-control group follow the connection; the connection panel,
    // the digit frame, the status frame and the menu stay enabled throughout.
    void checkGroup(bool enabled) const
    {
        const QWidget *panel = find(u"frm_connect"_s);
        for (const QWidget *widget : find(u"client_area"_s)->findChildren<QWidget *>()) {
            const bool alwaysOn = widget == panel || panel->isAncestorOf(widget)
                || QStringList {u"Frame1"_s, u"frm_info"_s, u"lbl_info"_s, u"lbl_answer"_s}
                       .contains(widget->objectName());
            QVERIFY2(widget->isEnabled() == (alwaysOn || enabled),
                     qPrintable(widget->objectName()));
        }
        const auto entries = find<QMenu>(u"mnu_keys"_s)->findChildren<QAction *>();
        QCOMPARE_GE(entries.size(), 56);
        for (const QAction *entry : entries)
            QVERIFY2(entry->isEnabled() == (enabled || entry->menu() || entry->isSeparator()),
                     qPrintable(entry->text()));
    }

    // Presses of m_key that reached m_keysReaching itself, counted by an event filter on it.
    QObject *m_keysReaching = nullptr;
    int m_key = 0;
    int m_reached = 0;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        m_reached += watched == m_keysReaching && event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent *>(event)->key() == m_key;
        return false;
    }

public Q_SLOTS:
    void noteChange(const QString &, const QVariantMap &changed, const QStringList &)
    {
        announced.insert(changed);
    }

private Q_SLOTS:
    void initTestCase()
    {
        busDaemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address"_s});
        if (!QTest::qWaitFor([&] { return busDaemon.canReadLine(); }, waitMs)) {
            // Outside CI the tests of the media controls are skipped, in init().
            QVERIFY2(qgetenv("CI") != "true", "no dbus-daemon: install the package dbus-daemon");
            return;
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", busDaemon.readLine().trimmed());
        desktop = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                                u"desktop"_s);
        // QtDBus delivers a bus's signal only to a slot named by its signature.
        QVERIFY(desktop.connect({}, u"/org/mpris/MediaPlayer2"_s, propertiesInterface,
                                u"PropertiesChanged"_s, this,
                                SLOT(noteChange(QString, QVariantMap, QStringList))));
    }
    void cleanupTestCase()
    {
        w.reset();
        QDBusConnection::disconnectFromBus(u"desktop"_s);
        if (busDaemon.state() != QProcess::NotRunning) {
            busDaemon.kill();
            QVERIFY(busDaemon.waitForFinished(waitMs));
        }
    }
    // Rows of one test share the window and its connection; each test starts afresh.
    void init()
    {
        const QByteArray test = QByteArray(QTest::currentTestFunction()) + QTest::currentDataTag();
        if (test.toLower().contains("mpris") && !desktop.isConnected())
            QSKIP("no dbus-daemon (package dbus-daemon) for a session bus of the suite's own");
        if (QTest::currentTestFunction() != lastTest)
            fresh();
        lastTest = QTest::currentTestFunction();
    }

    void startUp_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        const auto row = [](const char *name, const char *ini, const char *host, const char *port) {
            QTest::newRow(name) << QByteArray(ini) << QString::fromUtf8(host)
                                << QString::fromUtf8(port);
        };
        row("no settings file", nullptr, "localhost", "2001");
        row("half port to even below", "[server]\nport=2000.5", "localhost", "2000");
        row("half port to even above", "[server]\nport=2001.5", "localhost", "2002");
        row("host, port without a number", "[SERVER]\nIP=vdr\nport=x", "vdr", "0");
        row("above 16 bits still shown", "[server]\nport=40000", "localhost", "40000");
        row("beyond 32 bits is no port", "[server]\nport=99999999999", "localhost", "2001");
    }
    void startUp()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, host);
        QFETCH(QString, port);
        open(ini);
        QCOMPARE(find<QLineEdit>(u"txt_ip"_s)->text(), host);
        QCOMPARE(find<QLineEdit>(u"txt_port"_s)->text(), port);
        QCOMPARE(w->focusWidget(), find(u"txt_ip"_s));
        QCOMPARE(status(), QString());
        QVERIFY(!w->link().isPolling());
        checkGroup(false);
        // Everything named is on screen but the bar of a programme, the panel's widgets made
        // after the first picture too.
        for (const QWidget *widget : find(u"client_area"_s)->findChildren<QWidget *>()) {
            const QString name = widget->objectName();
            if (!name.isEmpty() && !name.startsWith("qt_"_L1))
                QVERIFY2(widget->isVisible() == (name != "bar_now"_L1), qPrintable(name));
        }
    }

    // Every key of the table by its button and by its entry in the Keys menu, against the
    // simulator, which accepts VDR's key names only. The lines are written out here rather than
    // taken from the table, so that a wrong row cannot agree with itself.
    void everyKey_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("caption"); // empty: no button
        QTest::addColumn<bool>("entry"); // in the Keys menu
        QTest::addColumn<QByteArray>("line");
        const QString keys
            = u"Up:up Down:down Left:left Right:right Ok:OK Back:Back Menu:Menu Red:red "
              u"Green:green "
              "Yellow:yellow Blue:blue 0:0 1:1 2:2 3:3 4:4 5:5 6:6 7:7 8:8 9:9 Play/Pause: "
              "Prev:Prev FastRew:Rewind Play:Play Pause:Pause Stop:Stop Record:Record "
              "FastFwd:Forward Next:Next Info:Info Schedule:Schedule Channels:Channels "
              "Timers:Timers Recordings:Recordings Setup:Setup Commands:Commands Channel+: "
              "Channel-: Volume+:VOL+ Volume-:VOL- Mute:Mute Audio:Audio Subtitles:Subtitles "
              "PrevChannel:Prev_CH User0: User1: User2: User3: User4: User5: User6: User7: "
              "User8: User9: Power:Power CH+:CH+ CH-:CH-"_s;
        QHash<QString, QString> captions;
        for (const QString &key : keys.split(u' '))
            captions.insert(key.section(u':', 0, 0), key.section(u':', 1).replace(u'_', u' '));
        QCOMPARE(captions.size(), 58);
        for (int row = 0; row < Keys::count; ++row) {
            const QString name = QString::fromUtf8(Keys::table[row].name);
            const bool vdrKey = name != u"CH+"_s && name != u"CH-"_s;
            const QByteArray line = !vdrKey ? "chan " + name.right(1).toLatin1()
                                            : "hitk " + name.toLower().toLatin1();
            QTest::newRow(qPrintable(name))
                << row << captions.take(name) << vdrKey << line + "\r\n";
        }
        // A key missing from the table.
        QTest::newRow("nothing left out")
            << -1 << captions.keys().join(u' ') << false << QByteArray();
    }
    void everyKey()
    {
        QFETCH(int, row);
        QFETCH(QString, caption);
        QFETCH(bool, entry);
        QFETCH(QByteArray, line);
        if (row < 0)
            QVERIFY2(caption.isEmpty(), qPrintable(u"not in the table: "_s + caption));
        if (row < 0)
            return;
        if (!w->link().isUp()) {
            const QString port = startSim({});
            open();
            connectWindow(port);
        }
        const QString name = QString::fromUtf8(Keys::table[row].name);
        QPushButton *button = nullptr;
        for (QPushButton *b : w->findChildren<QPushButton *>())
            button = b->accessibleName() == name ? b : button;
        QAction *menuEntry = nullptr;
        for (QAction *a : find<QMenu>(u"mnu_keys"_s)->findChildren<QAction *>())
            menuEntry = a->text() == name && !a->menu() ? a : menuEntry;
        QCOMPARE(bool(button), !caption.isEmpty());
        QCOMPARE(bool(menuEntry), entry);
        if (button)
            QCOMPARE(button->text(), caption);
        // An open menu shows each entry's shortcut, the same as its button's tooltip names.
        if (button && menuEntry) {
            auto *menu = qobject_cast<QMenu *>(menuEntry->parent());
            menu->popup({});
            QStringList shown;
            for (const QKeySequence &shortcut : menuEntry->shortcuts())
                shown << shortcut.toString(QKeySequence::NativeText);
            menu->hide();
            QCOMPARE(button->toolTip(),
                     shown.isEmpty() ? name : u"%1 (%2)"_s.arg(name, shown.join(u", ")));
        }
        // What the recorder received and answered, press by press.
        const QByteArray wireLine = "#1 " + line.chopped(2) + "\\r\\n\n";
        const QString answered = line.startsWith("hitk")
            ? u"Key \"%1\" accepted"_s.arg(QString::fromLatin1(line.mid(5).chopped(2)))
            : QString();
        const auto pressed = [&](const std::function<void()> &press) {
            const qsizetype before = simLog.size();
            find<QLabel>(u"lbl_answer"_s)->clear();
            press();
            QTRY_VERIFY(!answer().isEmpty());
            // Less the programmes the panel asks for after a switch.
            QByteArray received;
            for (const QByteArray &logged : simLog.mid(before).split('\n'))
                if (!logged.isEmpty() && !logged.contains(" LSTE "))
                    received += logged.mid(logged.indexOf(' ') + 1) + '\n';
            QCOMPARE(received, wireLine);
            if (!answered.isEmpty())
                QCOMPARE(answer(), answered);
        };
        if (button)
            pressed([&] { QTest::mouseClick(button, Qt::LeftButton); });
        if (menuEntry)
            pressed([&] { menuEntry->trigger(); });
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QByteArray>("line");
        const auto row = [](const char *name, int key, int modifiers, const char *line) {
            QTest::newRow(name) << key << modifiers << QByteArray(line);
        };
        row("digit", Qt::Key_5, 0, "hitk 5\r\n");
        row("Shift and digit", Qt::Key_3, Qt::ShiftModifier, "hitk 3\r\n");
        row("keypad digit", Qt::Key_5, Qt::KeypadModifier, "");
        row("keypad minus", Qt::Key_Minus, Qt::KeypadModifier, "hitk menu\r\n");
        row("Menu key", Qt::Key_Menu, 0, "hitk menu\r\n");
        row("letter M", Qt::Key_M, 0, "");
        row("up", Qt::Key_Up, 0, "hitk up\r\n");
        row("Ctrl and down", Qt::Key_Down, Qt::ControlModifier, "hitk down\r\n");
        row("left", Qt::Key_Left, 0, "hitk left\r\n");
        row("right", Qt::Key_Right, 0, "hitk right\r\n");
        row("Backspace", Qt::Key_Backspace, 0, "hitk back\r\n");
        row("Enter", Qt::Key_Return, 0, "hitk ok\r\n");
        row("keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, "hitk ok\r\n");
        row("F1", Qt::Key_F1, 0, "hitk red\r\n");
        row("Shift and F2", Qt::Key_F2, Qt::ShiftModifier, "hitk green\r\n");
        row("F3", Qt::Key_F3, 0, "hitk yellow\r\n");
        row("F4", Qt::Key_F4, 0, "hitk blue\r\n");
        row("F5", Qt::Key_F5, 0, "");
        // Media keys are the recorder's alone: the focused widget never sees them.
        row("media Play toggles", Qt::Key_MediaPlay, 0, "hitk play/pause\r\n");
        row("media Play/Pause", Qt::Key_MediaTogglePlayPause, 0, "hitk play/pause\r\n");
        row("media Pause", Qt::Key_MediaPause, 0, "hitk pause\r\n");
        row("media Stop", Qt::Key_MediaStop, 0, "hitk stop\r\n");
        row("media Record", Qt::Key_MediaRecord, 0, "hitk record\r\n");
        row("media Next", Qt::Key_MediaNext, 0, "hitk next\r\n");
        row("media Previous", Qt::Key_MediaPrevious, 0, "hitk prev\r\n");
        row("media Forward", Qt::Key_AudioForward, 0, "hitk fastfwd\r\n");
        row("media Rewind", Qt::Key_AudioRewind, 0, "hitk fastrew\r\n");
        row("volume up", Qt::Key_VolumeUp, 0, "hitk volume+\r\n");
        row("volume down", Qt::Key_VolumeDown, 0, "hitk volume-\r\n");
        row("volume mute", Qt::Key_VolumeMute, 0, "hitk mute\r\n");
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QByteArray, line);
        if (w->link().socketState() != RecorderSocket::State::Connected)
            connectWindow();
        const bool media = key >= Qt::Key_VolumeDown;
        // The same from every text box, a button and a field of the connection panel.
        for (const QString &focus :
             {u"txt_chan"_s, u"txt_msg"_s, u"cmd_up"_s, u"txt_ip"_s, u"txt_port"_s}) {
            QWidget *widget = find(focus);
            const auto counter = qScopeGuard([&] { widget->removeEventFilter(this); });
            m_keysReaching = widget;
            m_key = key;
            m_reached = 0;
            widget->installEventFilter(this);
            // QTest knows no text for some media keys; they come without one anyway.
            QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
            if (media)
                QApplication::sendEvent(widget, &press);
            else
                QTest::keyClick(widget, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            QCOMPARE(wire(), line);
            QCOMPARE(m_reached, media ? 0 : 1);
            rec->received[0].clear();
        }
    }

    void fieldsDecideTheAttempt_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port"); // %1 stands for the recorder's (even) port
        QTest::addColumn<QString>("failure"); // empty: the attempt is made and connects
        QTest::addColumn<QString>("used"); // the host as the status line names it
        const QString invalidPort = u"Not connected (invalid port)"_s, v4 = u"127.0.0.1"_s;
        QTest::newRow("half below rounds up to even") << v4 << u"%1-.5"_s << QString() << v4;
        QTest::newRow("half above rounds down to even") << v4 << u"%1.5"_s << QString() << v4;
        QTest::newRow("blank and tab around") << u" 127.0.0.1\t"_s << u"%1"_s << QString() << v4;
        QTest::newRow("blanks only") << u" \t "_s << u"%1"_s << u"Not connected (no host)"_s << v4;
        QTest::newRow("port without a number") << v4 << u"abc"_s << invalidPort << v4;
        QTest::newRow("port rounding to 0") << v4 << u"0.5"_s << invalidPort << v4;
        QTest::newRow("port that would wrap") << v4 << u"65536"_s << invalidPort << v4;
    }
    void fieldsDecideTheAttempt()
    {
        fresh();
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(QString, failure);
        QFETCH(QString, used);
        const bool attempt = failure.isEmpty();
        // "%1-.5" is half below the port: one less, and a half.
        const quint16 p = rec->port();
        port = port == u"%1-.5"_s    ? QString::number(p - 1) + u".5"_s
            : port.contains(u"%1"_s) ? port.arg(p)
                                     : port;
        connectTo(host, port);
        QCOMPARE(w->link().socketState() != RecorderSocket::State::Closed, attempt);
        QVERIFY(w->link().isPolling());
        QCOMPARE(status(), attempt ? u"Connecting to %1 port %2"_s.arg(used, port) : QString());
        const QString connected = u"Connected to %1 port %2"_s.arg(used, port);
        QTRY_COMPARE_WITH_TIMEOUT(status(), attempt ? connected : failure, waitMs);
        QCOMPARE(w->link().isPolling(), attempt);
        QCOMPARE(rec->sockets.size(), attempt ? 1 : 0);
        checkGroup(attempt);
    }

    // One window through refusal, the recorder's close and the user's own disconnect: each end
    // shows at the next poll, with its own cause and none left over from the one before.
    void connectionEnds()
    {
        const auto ended = [&](const QString &text) {
            QTRY_COMPARE_WITH_TIMEOUT(status(), text, 1000); // within a poll or two
            QVERIFY(!w->link().isPolling() && !w->link().isConnected());
            checkGroup(false);
            QCOMPARE(answer(), QString());
        };
        click(u"cmd_disconnect"_s); // before any connect: nothing at all
        QCOMPARE(status(), QString());
        rec->refuse();
        connectTo(u"127.0.0.1"_s, QString::number(rec->port()));
        ended(u"Not connected (refused)"_s);
        QVERIFY(rec->listen());
        connectWindow();
        checkGroup(true);
        QCOMPARE(answer(), u"VDR 2.6.0 on vdr"_s);
        rec->sockets[0]->disconnectFromHost();
        QCOMPARE(status(), connectedText());
        ended(u"Not connected (closed by recorder)"_s);
        connectWindow();
        click(u"cmd_menu"_s);
        QTRY_COMPARE(answer(), u"ok"_s);
        click(u"cmd_disconnect"_s);
        QCOMPARE(status(), u"Disconnected"_s);
        QCOMPARE(answer(), QString());
        checkGroup(false); // at once, not only at the next poll
        ended(u"Not connected"_s);
        QTRY_COMPARE(rec->sockets[1]->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(rec->received[1], "hitk menu\r\n"); // neither greeting nor goodbye
    }

    // Recorders that turn the handset away, are no recorder, close idle clients, stop answering
    // or answer late. Only a greeting enables the handset, and a key pressed before it is
    // dropped; a failure shows its cause, with help in the tooltip, never before its limit and
    // within a poll or two after it.
    void misbehavingRecorder_data()
    {
        QTest::addColumn<QStringList>("simulator"); // none: a host name that cannot resolve
        QTest::addColumn<bool>("press"); // Menu and OK once connected
        QTest::addColumn<QString>("failure"); // none: still connected 12 s later
        QTest::addColumn<QString>("hint"); // part of the help
        QTest::addColumn<int>("earliest"); // ms after connect, or after the press
        const auto row = [](const char *name, const QStringList &simulator, bool press,
                            const char *failure, const char *hint, int earliest) {
            QTest::newRow(name) << simulator << press << QString::fromUtf8(failure)
                                << QString::fromUtf8(hint) << earliest;
        };
        const QString delay = u"--reply-delay"_s;
        row("access denied", {u"--deny"_s}, false, "access denied", "svdrphosts.conf", 0);
        row("host not found", {}, false, "host not found", "spelling", 0);
        row("no greeting: an older VDR serving another client", {u"--first-line"_s, QString()},
            false, "recorder busy", "one client at a time", limitMs);
        row("not a VDR", {u"--first-line"_s, u"SSH-2.0-OpenSSH_9.2p1"_s}, false, "not a VDR",
            "6419", 0);
        row("VDR 2.2, not kept alive, closes idle clients",
            {u"--greeting-version"_s, u"2.2.0"_s, u"--idle-timeout"_s, u"2"_s}, false,
            "closed by recorder", "SVDRPTimeout", 2000);
        // Each line has its own clock: the answer to Menu does not stop the one of OK.
        row("hung after a press", {delay, u"0.5"_s, u"--reply"_s, u"hitk ok="_s}, true, "no reply",
            "10 seconds", limitMs);
        // The program asks for the volume right after the greeting.
        row("hung before any press", {delay, u"never"_s}, false, "no reply", "10 seconds", limitMs);
        row("answering late, within the limit", {delay, u"0.5"_s}, true, "", "", 0);
    }
    void misbehavingRecorder()
    {
        QFETCH(QStringList, simulator);
        QFETCH(bool, press);
        QFETCH(QString, failure);
        QFETCH(QString, hint);
        QFETCH(int, earliest);
        const QString port = simulator.isEmpty() ? u"6419"_s : startSim(simulator);
        const bool refuses
            = simulator.contains(u"--deny"_s) || simulator.contains(u"--first-line"_s);
        open("[server]\nkeepalive=1\n");
        QSignalSpy up(&w->link(), &RecorderLink::connectionUp);
        QSignalSpy down(&w->link(), &RecorderLink::connectionDown);
        // The clocks of a greeted recorder run from the first lines the window sends it.
        QElapsedTimer clock;
        clock.start();
        const QObject whileClockLives;
        connect(&w->link(), &RecorderLink::greeted, &whileClockLives,
                [&clock] { clock.restart(); });
        connectTo(simulator.isEmpty() ? u"no such host"_s : u"127.0.0.1"_s, port);
        // Past the handshake, without a greeting, a key is dropped.
        if (refuses && QTest::qWaitFor([&] { return simLog.contains("connected from"); }))
            QTest::keyClick(find(u"txt_ip"_s), Qt::Key_F1);
        if (press) {
            QTRY_VERIFY_WITH_TIMEOUT(status().startsWith(u"Connected to"_s), waitMs);
            clock.restart();
            click(u"cmd_menu"_s);
            click(u"cmd_ok"_s);
        }
        if (failure.isEmpty()) {
            QVERIFY(!down.wait(limitMs + 1000));
            return;
        }
        const QString text = u"Not connected (%1)"_s.arg(failure);
        QTRY_COMPARE_WITH_TIMEOUT(status(), text, earliest + waitMs);
        QCOMPARE_GE(clock.elapsed(), earliest);
        QCOMPARE_LE(clock.elapsed(), earliest + 1000);
        QCOMPARE(up.isEmpty(), refuses || simulator.isEmpty());
        checkGroup(false);
        QVERIFY(!simLog.contains("hitk red"));
        const auto *label = find<QLabel>(u"lbl_info"_s);
        QVERIFY2(label->accessibleDescription().contains(hint), qPrintable(label->toolTip()));
        QCOMPARE(label->toolTip(), text + u'\n' + label->accessibleDescription());
    }

    void connectWhileUp()
    {
        const auto staysConnected = [&] {
            QVERIFY(!QTest::qWaitFor([&] { return status() != connectedText(); }, 700));
        };
        connectWindow();
        QTRY_COMPARE(answer(), u"VDR 2.6.0 on vdr"_s);
        // The status names where the connection went, whatever the fields show since.
        find<QLineEdit>(u"txt_ip"_s)->setText(u"vdr.example"_s);
        find<QLineEdit>(u"txt_port"_s)->setText(u"6419"_s);
        staysConnected();
        // A new attempt ends the old connection at once and shows itself, the keys disabled and
        // the old recorder's words gone.
        const QByteArray vdrGreeting = rec->greeting;
        rec->greeting = "220 mail.example ESMTP Postfix; UTF-8\r\n";
        connectTo(u"127.0.0.1"_s, QString::number(rec->port()));
        QCOMPARE(status(), u"Connecting to 127.0.0.1 port %1"_s.arg(rec->port()));
        QCOMPARE(answer(), QString());
        checkGroup(false);
        QTRY_COMPARE(rec->sockets[0]->state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(status(), connectedText());
        // A greeting that names no VDR names its host alone.
        QTRY_COMPARE(answer(), u"mail.example"_s);
        rec->greeting = vdrGreeting;
        // An empty host makes no new attempt and leaves the connection as it is.
        find<QLineEdit>(u"txt_ip"_s)->clear();
        click(u"cmd_connect"_s);
        staysConnected();
        QCOMPARE(rec->sockets.size(), 2);
    }

    void longHostKeepsThePortInView()
    {
        // ::1 written out in full, in brackets with a blank before.
        const QString host = u"0000:0000:0000:0000:0000:0000:0000:0001"_s;
        const QString port = startSim({u"--host"_s, u"::1"_s});
        connectTo(u" ["_s + host + u']', port);
        const QString text = u"Connected to %1 port %2"_s.arg(host, port);
        QTRY_COMPARE(status(), text);
        auto *label = find<QLabel>(u"lbl_info"_s);
        QCOMPARE(label->toolTip(), text);
        QCOMPARE(label->accessibleName(), text);
        // The drawing stops short of the edge, and its end (the port) is near it.
        const QImage image = label->grab().toImage();
        const auto inkIn = [&](int from, int to) {
            for (int x = from; x < to; ++x)
                for (int y = 0; y < image.height(); ++y)
                    if (qGray(image.pixel(x, y)) < 128)
                        return true;
            return false;
        };
        QVERIFY(!inkIn(image.width() - 2, image.width()));
        QVERIFY(inkIn(image.width() - 20, image.width() - 2));
    }

    void memoryStaysBounded_data()
    {
        QTest::addColumn<bool>("flood");
        QTest::newRow("recorder floods replies") << true;
        QTest::newRow("recorder stops reading") << false;
    }
    void memoryStaysBounded()
    {
        fresh();
        QFETCH(bool, flood);
        connectWindow();
        const qint64 before = memoryInUse();
        if (flood) {
            rec->sockets[0]->write(QByteArray(32 << 20, 'x'));
            QTRY_COMPARE_WITH_TIMEOUT(rec->sockets[0]->bytesToWrite(), 0, waitMs);
        } else {
            rec->stopReading(0);
            find<QLineEdit>(u"txt_msg"_s)->setText(QString(8192, u'x'));
            for (int i = 0; i < 2000; ++i)
                click(u"cmd_sendmsg"_s);
        }
        QVERIFY2(memoryInUse() - before < 8 << 20, "memory grew by more than 8 MiB");
        QCOMPARE(status(), connectedText());
        if (flood)
            QCOMPARE(wire(), QByteArray());
    }

    // The answer line shows the recorder's greeting, then its reply to the last press: replies
    // pair with the lines in the order they went out, in the recorder's character set, cut to a
    // line's first 1000 bytes and without control characters, with help for a refusal.
    void answers_data()
    {
        QTest::addColumn<QStringList>("simulator");
        QTest::addColumn<QString>("entry"); // typed into the channel and message boxes
        QTest::addColumn<QStringList>("presses"); // in one go
        QTest::addColumn<QStringList>("answers"); // as they come; the last one stays
        QTest::addColumn<QString>("hint"); // part of the help
        const auto row = [](const char *tag, const QStringList &simulator, const char *entry,
                            const char *presses, const QString &answers, const char *hint) {
            QTest::newRow(tag) << simulator << QString::fromUtf8(entry)
                               << QString::fromUtf8(presses).split(u' ', Qt::SkipEmptyParts)
                               << answers.split(u'|') << QString::fromUtf8(hint);
        };
        const QString reply = u"--reply"_s;
        // In pieces, the greeting too.
        row("greeting", {u"--split-replies"_s}, "", "",
            u"VDR 2.6.0 on "_s + QHostInfo::localHostName(), "");
        row("several lines at once", {}, "3", "cmd_menu cmd_goch cmd_sendmsg",
            u"Key \"menu\" accepted|3 3sat HD|Message queued"_s, "");
        row("several lines of a reply, in pieces",
            {u"--split-replies"_s, reply, u"hitk blue=250-first\\r\\n250 last"_s}, "",
            "cmd_blue cmd_menu", u"last|Key \"menu\" accepted"_s, "");
        row("channel switch failed", {reply, u"chan 3=554 Error switching to channel \"3\""_s}, "3",
            "cmd_goch", u"Error switching to channel \"3\""_s, "busy");
        row("no such channel", {}, "999", "cmd_goch", u"Undefined channel \"999\""_s,
            "no channel with this number");
        row("remote control off", {reply, u"hitk ok=550 Remote control currently disabled"_s}, "",
            "cmd_ok", u"Remote control currently disabled"_s, "REMO on");
        row("unknown key", {reply, u"hitk red=504 Unknown key: \"red\""_s}, "", "cmd_red",
            u"Unknown key: \"red\""_s, "know");
        // Answered only if the line arrives in Latin-9.
        row("Latin-9 both ways",
            {u"--charset"_s, u"ISO-8859-15"_s, reply,
             u"mesg Gr\\xfc\\xdfe \\xa4=250 7 Das Erste \\xc4"_s},
            "Grüße €", "cmd_sendmsg", u"7 Das Erste Ä"_s, "");
        row("control characters, overlong",
            {reply, u"hitk green=250 a\\x01b\\x7fc"_s + QString(1200, u'x')}, "", "cmd_green",
            u"a b c"_s + QString(991, u'x'), "");
    }
    void answers()
    {
        QFETCH(QStringList, simulator);
        QFETCH(QString, entry);
        QFETCH(QStringList, presses);
        QFETCH(QStringList, answers);
        QFETCH(QString, hint);
        const QString port = startSim(simulator);
        open();
        QSignalSpy answered(&w->link(), &RecorderLink::answered);
        connectWindow(port);
        find<QLineEdit>(u"txt_chan"_s)->setText(entry);
        find<QLineEdit>(u"txt_msg"_s)->setText(entry);
        for (const QString &button : presses)
            find<QPushButton>(button)->click();
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), presses.size(), waitMs);
        for (qsizetype i = 0; i < answered.size(); ++i)
            QCOMPARE(answered[i][2].toString(), answers[i]);
        QCOMPARE(answer(), answers.last());
        const auto *label = find<QLabel>(u"lbl_answer"_s);
        const QString help = label->accessibleDescription();
        QCOMPARE(label->accessibleName(), answers.last());
        QVERIFY2(help.contains(hint) && help.isEmpty() == hint.isEmpty(), qPrintable(help));
        QCOMPARE(label->toolTip(), help.isEmpty() ? answer() : answer() + u'\n' + help);
    }

    // The panel's rows as shown, groups included, with the filter applied.
    QStringList shownRows()
    {
        const QAbstractItemModel *model = find<QTreeView>(u"lst_channels"_s)->model();
        QStringList rows;
        for (int top = 0; top < model->rowCount(); ++top) {
            const QModelIndex parent = model->index(top, 0);
            rows << parent.data().toString();
            for (int row = 0; row < model->rowCount(parent); ++row)
                rows << model->index(row, 0, parent).data().toString();
        }
        return rows;
    }

    // The filter's keys stay in the panel; Enter switches to the channel chosen or the first
    // shown, with the line Go CH sends, and the current channel follows the answer.
    void channelPanel_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("switched"); // 0: Enter sends nothing
        const QString first = u"Channels 1 to 50"_s, third = u"Channels 101 to 120"_s;
        QTest::newRow("number and name, case-blind")
            << u"CHANNEL 11"_s
            << QStringList {first, u"11 Channel 11"_s, third} + QStringList {u"110 Channel 110"_s}
            << 11;
        QTest::newRow("digits") << u"119"_s << QStringList {third, u"119 Channel 119"_s} << 119;
        QTest::newRow("no match hides every group") << u"3sat"_s << QStringList {} << 0;
    }
    void channelPanel()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, rows);
        QFETCH(int, switched);
        const QString port = startSim({u"--channels"_s, u"120"_s, u"--short-programmes"_s, u"2"_s});
        open();
        connectWindow(port);
        QTRY_COMPARE_WITH_TIMEOUT(shownRows().size(), 123, waitMs);
        QTRY_COMPARE(find<QLabel>(u"lbl_channel"_s)->text(), u"1 Channel 1"_s);
        auto *filter = find<QLineEdit>(u"txt_filter"_s);
        filter->setFocus();
        QTest::keyClicks(filter, typed);
        QTest::keyClick(filter, Qt::Key_Backspace);
        QTest::keyClicks(filter, typed.right(1));
        QTRY_COMPARE(shownRows().mid(0, rows.size()), rows);
        QTest::keyClick(filter, Qt::Key_Return);
        const QByteArray line = "chan " + QByteArray::number(switched) + "\\r\\n";
        if (switched)
            QTRY_VERIFY_WITH_TIMEOUT(simLog.contains(line), waitMs);
        QVERIFY2(!simLog.contains("hitk") && !simLog.contains("chan ") == !switched, simLog);
        QTRY_COMPARE(find<QLabel>(u"lbl_channel"_s)->text(),
                     switched ? u"%1 Channel %1"_s.arg(switched) : u"1 Channel 1"_s);
        // Its programmes are in, so nothing but the cleared filter brings its row into view.
        QTRY_VERIFY_WITH_TIMEOUT(find<QLabel>(u"lbl_next"_s)
                                     ->text()
                                     .endsWith(u" on Channel %1"_s.arg(switched ? switched : 1)),
                                 waitMs);
        QTest::keyClick(filter, Qt::Key_Escape);
        QTRY_COMPARE(shownRows().size(), 123);
        // The current channel's row is marked, and in view with the whole list back.
        auto *list = find<QTreeView>(u"lst_channels"_s);
        const QModelIndex current
            = static_cast<QSortFilterProxyModel *>(list->model())
                  ->mapFromSource(w->guide().channels()->indexOf(switched ? switched : 1));
        QTRY_VERIFY(list->viewport()->rect().contains(list->visualRect(current)));
        QVERIFY(current.data(Qt::FontRole).value<QFont>().bold());
        // A group line is a header: a click does not choose it. A double click on a channel
        // switches to it.
        const QModelIndex group = list->model()->index(0, 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(group).center());
        QVERIFY(list->selectionModel()->selectedIndexes().isEmpty());
        const QModelIndex second = list->model()->index(1, 0, group);
        list->scrollTo(second);
        const QPoint at = list->visualRect(second).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTRY_COMPARE_WITH_TIMEOUT(simLog.count("chan 2\\r\\n"), 1, waitMs);
        // The next programme on the current channel leaves the list where it was scrolled.
        const auto *now = find<QLabel>(u"lbl_now"_s);
        QTRY_VERIFY_WITH_TIMEOUT(now->text().endsWith(u" on Channel 2"_s), waitMs);
        list->scrollToBottom();
        const int scrolled = list->verticalScrollBar()->value();
        const QString before = now->text();
        QTRY_VERIFY_WITH_TIMEOUT(now->text() != before, waitMs);
        QCOMPARE(list->verticalScrollBar()->value(), scrolled);
    }

    // Under the list: the current channel, named in the recorder's character set, and what is
    // on it now and next, each at its start in local time; a programme's end brings the next.
    // None of the guide's replies shows on the answer line.
    void currentChannel()
    {
        qputenv("TZ", "XYZ-05:45"); // far from UTC, and not by whole hours
        tzset();
        const auto utcAgain = qScopeGuard([] {
            qunsetenv("TZ");
            tzset();
        }); // however it ends
        QTemporaryFile conf;
        QVERIFY(conf.open()
                && conf.write(":Gr\xfcn\nCaf\xe9 \xa4;P:1:H:S19.2E:1:2:3:0:0:7:1:8:0\n"));
        conf.close();
        const QString port = startSim({u"--charset"_s, u"ISO-8859-15"_s, u"--channels-conf"_s,
                                       conf.fileName(), u"--short-programmes"_s, u"3"_s});
        open();
        connectWindow(port);
        QTRY_COMPARE_WITH_TIMEOUT(shownRows(), QStringList({u"Grün"_s, u"1 Café €"_s}), waitMs);
        QCOMPARE(find<QLabel>(u"lbl_channel"_s)->text(), u"1 Café €"_s);
        const auto *now = find<QLabel>(u"lbl_now"_s), *next = find<QLabel>(u"lbl_next"_s);
        const auto localStart = [](const QLabel *label) { // its short text says when in UTC
            const QTime utc = QTime::fromString(label->accessibleDescription().sliced(5, 8));
            const QDateTime at(QDateTime::currentDateTimeUtc().date(), utc, Qt::UTC);
            return at.toLocalTime().toString(u"HH:mm "_s);
        };
        QTRY_VERIFY_WITH_TIMEOUT(now->text().endsWith(u" on Café €"_s), waitMs);
        QTRY_VERIFY(next->text().endsWith(u" on Café €"_s));
        QCOMPARE(now->text().left(6), localStart(now));
        QCOMPARE(next->text().left(6), localStart(next));
        const QString first = now->accessibleDescription();
        QTRY_VERIFY_WITH_TIMEOUT(now->accessibleDescription() != first, 3 * waitMs);
        QCOMPARE(answer(), u"VDR 2.6.0 on "_s + QHostInfo::localHostName());
    }

    // VDR answers in turn, so a press waits for what the guide asked before it: a slow link
    // must not hold it much longer than the press's own answer takes.
    void pressWhileRowsLoad()
    {
        const QString port
            = startSim({u"--channels"_s, u"2000"_s, u"--slow-bytes-per-second"_s, u"200000"_s});
        open();
        connectWindow(port);
        QTRY_COMPARE_WITH_TIMEOUT(shownRows().size(), 2040, 4 * waitMs);
        QElapsedTimer clock;
        clock.start();
        click(u"cmd_menu"_s);
        QTRY_COMPARE_WITH_TIMEOUT(answer(), u"Key \"menu\" accepted"_s, 4 * waitMs);
        QCOMPARE_LE(clock.elapsed(), 400);
    }

    // The list comes from "LSTC :groups", or plain "LSTC" from a VDR before 1.5.9 and one that
    // refuses the option.
    void listAskedAsRecorderKnows_data()
    {
        QTest::addColumn<QStringList>("simulator");
        QTest::addColumn<QByteArray>("asked");
        QTest::newRow("1.5.9") << QStringList {u"--greeting-version"_s, u"1.5.9"_s}
                               << "#1 LSTC :groups\\r\\n"_ba;
        QTest::newRow("1.5.8") << QStringList {u"--greeting-version"_s, u"1.5.8"_s}
                               << "#1 LSTC\\r\\n"_ba;
        QTest::newRow("option refused")
            << QStringList {u"--reply"_s, u"LSTC :groups=501 Unknown option"_s}
            << "#1 LSTC :groups\\r\\n#1 LSTC\\r\\n"_ba;
    }
    void listAskedAsRecorderKnows()
    {
        QFETCH(QStringList, simulator);
        QFETCH(QByteArray, asked);
        open();
        connectWindow(startSim(simulator));
        QTRY_COMPARE_WITH_TIMEOUT(shownRows().size(), 5, waitMs);
        static const QRegularExpression stamp(u"^\\S+ "_s, QRegularExpression::MultilineOption);
        QCOMPARE(
            QString::fromLatin1(simLog).remove(stamp).split(u'\n').filter(u"LSTC"_s).join(u""_s),
            QString::fromLatin1(asked));
    }

    // A burst of presses that may change the channel asks the recorder once, after the last.
    void burstAsksOnce()
    {
        const QString port = startSim({});
        open();
        w->guide().setClocks(std::chrono::milliseconds(300), std::chrono::hours(1));
        connectWindow(port);
        for (const char *button : {"cmd_down", "cmd_back", "cmd_ok", "cmd_up"})
            click(QString::fromLatin1(button));
        QTRY_COMPARE_WITH_TIMEOUT(simLog.count("CHAN\\r\\n"), 2, waitMs);
        QVERIFY(simLog.lastIndexOf("CHAN\\r\\n") > simLog.indexOf("hitk up"));
        QVERIFY(!QTest::qWaitFor([&] { return simLog.count("CHAN\\r\\n") > 2; }, 600));
        // Back at the front, the window asks again, but not twice within the interval.
        w->guide().setClocks(std::chrono::milliseconds(300), std::chrono::milliseconds(500));
        QWidget other;
        other.show();
        for (int activation = 0; activation < 2; ++activation) {
            QApplication::setActiveWindow(&other);
            QApplication::setActiveWindow(w.get());
        }
        QTRY_COMPARE_WITH_TIMEOUT(simLog.count("CHAN\\r\\n"), 3, waitMs);
        QVERIFY(!QTest::qWaitFor([&] { return simLog.count("CHAN\\r\\n") > 3; }, 600));
    }

    // Presses leave no room for a PING; once they stop, PINGs keep VDR 2.4 and later from
    // closing an idle connection, and their answers never show.
    void keepAlive()
    {
        const QString port = startSim({u"--idle-timeout"_s, u"2"_s});
        open("[server]\nkeepalive=1\n");
        connectWindow(port);
        for (int press = 0; press < 6; ++press) {
            click(u"cmd_ok"_s);
            QVERIFY(!QTest::qWaitFor([&] { return simLog.contains("PING"); }, 400));
        }
        QCOMPARE(simLog.count("hitk ok"), 6);
        QTRY_VERIFY_WITH_TIMEOUT(simLog.count("PING\\r\\n") >= 3, waitMs);
        QVERIFY(!simLog.contains("idle timeout") && status().startsWith(u"Connected to"_s));
        QCOMPARE(answer(), u"Key \"ok\" accepted"_s);
    }

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

    // Each method's line once the connection is up, and none before; Volume=x writes Volume.
    // The properties follow the connection, in GetAll and in PropertiesChanged.
    void mprisMethods_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QByteArray>("line");
        for (const char *row :
             {"PlayPause:hitk play/pause", "Play:hitk play", "Pause:hitk pause", "Stop:hitk stop",
              "Next:hitk next", "Previous:hitk prev", "Volume=0.5:VOLU 128", "Volume=1.5:VOLU 255",
              "Volume=-0.25:VOLU 0"})
            QTest::newRow(row) << QString::fromLatin1(row).section(u':', 0, 0)
                               << QByteArray(row).split(':')[1] + "\r\n";
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

    // The desktop's media controls name the current channel and what is on it, and hear of
    // each change.
    void mprisMetadata()
    {
        const QString port = startSim({u"--channels"_s, u"3"_s});
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
        QTRY_VERIFY_WITH_TIMEOUT(metadata(announced).value(1).endsWith(u" on Channel 3"_s), waitMs);
        QCOMPARE(metadata(announced).value(2), u"3 Channel 3"_s);
    }

    void textsFitUnderDesktopFonts_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("size");
        QTest::newRow("GNOME: Cantarell 11") << u"Cantarell"_s << 11;
        QTest::newRow("KDE: Noto Sans 10") << u"Noto Sans"_s << 10;
        QTest::newRow("generic: DejaVu Sans 9") << u"DejaVu Sans"_s << 9;
    }
    void textsFitUnderDesktopFonts()
    {
        QFETCH(QString, family);
        QFETCH(int, size);
        const QFont desktop = QApplication::font();
        QApplication::setFont(QFont(family, size));
        open();
        QApplication::setFont(desktop);
        QWidget *client = find(u"client_area"_s);
        if (QFontInfo(client->font()).family() != family)
            QFAIL(qPrintable(
                family
                + u" is not installed (fonts-cantarell, fonts-noto-core, fonts-dejavu-core)"_s));
        QVERIFY(client->font().pointSizeF() <= size);
        // The drawn layout stays as it is, to the pixel.
        QCOMPARE(client->size(), QSize(1040, 355));
        QCOMPARE(find(u"cmd_connect"_s)->geometry(), QRect(8, 88, 97, 33));
        // Room for the text: a button's bevel and a field's frame take 4 px a side, a group
        // box's corner 8.
        const QFontMetrics metrics(client->font());
        for (QWidget *widget : client->findChildren<QWidget *>()) {
            const bool box = qobject_cast<QGroupBox *>(widget);
            const QString text = widget->property(box ? "title" : "text").toString();
            const int inset = qobject_cast<QLabel *>(widget) ? 0 : box ? 16 : 8;
            QVERIFY2(metrics.horizontalAdvance(text) <= widget->width() - inset, qPrintable(text));
        }
        // Every reason for not being connected is drawn whole on the status line.
        const auto *label = find<QLabel>(u"lbl_info"_s);
        for (int cause = 0; cause <= int(lastConnectionCause); ++cause) {
            const QString text = ConnectionStatus::text(ConnectionCause(cause));
            QCOMPARE(label->fontMetrics().elidedText(text, Qt::ElideMiddle,
                                                     label->contentsRect().width()),
                     text);
        }
    }
};

QTEST_MAIN(tst_handset)
#include "tst_handset.moc"
