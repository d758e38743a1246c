// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The window suites' fixture: one window at a time, against the loopback Recorder or the
// recorder simulator, and where a suite asks for it a session bus of its own for the desktop.
#include "frm_main.h"
#include "recorder.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QtDBus>

using namespace Qt::StringLiterals;

// A line no button sends: once it has arrived, everything pressed before it has too.
inline const QByteArray marker = "stat disk\r\n";
constexpr int waitMs = 10000;
// The attempt's and the reply's limits in these suites: real ones would only be waited out.
constexpr auto limit = std::chrono::milliseconds(2000);
constexpr int limitMs = int(limit.count());
inline const QString mprisName = u"org.mpris.MediaPlayer2.zappomatic"_s;
inline const QString playerInterface = u"org.mpris.MediaPlayer2.Player"_s;
inline const QString propertiesInterface = u"org.freedesktop.DBus.Properties"_s;

class WindowTest : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir folder;
    std::unique_ptr<Recorder> rec;
    std::unique_ptr<frm_main> w;

    template<typename T = QWidget> T *find(const QString &name) const
    {
        return w->findChild<T *>(name);
    }
    QString status() const { return find<QLabel>(u"lbl_info"_s)->text(); }
    QString answer() const { return find<QLabel>(u"lbl_answer"_s)->text(); }
    QString channel() const { return find<QLabel>(u"lbl_channel"_s)->text(); }
    QString connectedText() const { return u"Connected to 127.0.0.1 port %1"_s.arg(rec->port()); }
    void click(const QString &name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }

    // The recorder simulator, started anew by startSim() and ended with its QProcess.
    QByteArray simLog; // outlives sim, which may still print as it ends
    std::shared_ptr<QProcess> sim;
    QString startSim(const QStringList &arguments)
    {
        sim.reset(new QProcess, [](QProcess *p) { p->kill(), p->waitForFinished(), delete p; });
        simLog.clear();
        connect(sim.get(), &QProcess::readyReadStandardOutput, this,
                [this, process = sim.get()] { simLog += process->readAllStandardOutput(); });
        sim->start(u"" SIM_PATH ""_s, QStringList {u"--port"_s, u"0"_s} + arguments);
        if (!QTest::qWaitFor([&] { return simLog.contains('\n'); }, waitMs))
            return u"(the simulator did not start)"_s;
        return QString::fromLatin1(simLog.split('\n')[0].split(' ').last());
    }
    // The lines the simulator received from its log's offset from on, without their time and
    // client, up to the marker this sends; the programmes that rows and switches ask are left out.
    // Its answer is waited for as well, so that it cannot show in place of a later one.
    QByteArray simReceived(qsizetype from)
    {
        QSignalSpy answered(&w->link(), &RecorderLink::answered);
        w->link().vdr_send(QString::fromLatin1(marker));
        if (!QTest::qWaitFor(
                [&] { return !answered.isEmpty() && simLog.indexOf("stat disk", from) > 0; },
                waitMs))
            return "(the marker never arrived)";
        QByteArray received;
        for (const QByteArray &logged : simLog.mid(from).split('\n')) {
            if (logged.contains("stat disk"))
                break;
            if (logged.contains(" #") && !logged.contains(" LSTE "))
                received += logged.mid(logged.indexOf(' ', logged.indexOf(" #") + 1) + 1) + '\n';
        }
        return received;
    }

    // The session bus, and the desktop's own connection to it.
    QProcess busDaemon;
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
        // desktop's media controls, the current channel, the list and the timers. Only the
        // user's presses follow.
        if (port == QString::number(rec->port())) {
            QTRY_COMPARE(rec->received.last(), "VOLU\r\nCHAN\r\nLSTC :groups\r\nLSTT\r\n");
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
            // A tab bar's scroll keys are on only while its tabs do not fit.
            if (qobject_cast<const QTabBar *>(widget->parentWidget()))
                continue;
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
    // Presses the buttons one every gapMs from the first, as a hand does.
    void pressSpaced(const QList<QPushButton *> &buttons, int gapMs)
    {
        QElapsedTimer clock;
        clock.start();
        for (qsizetype i = 0; i < buttons.size(); ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() >= i * gapMs, waitMs);
            QTest::mouseClick(buttons[i], Qt::LeftButton);
        }
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

private Q_SLOTS:
    // Every suite has its own bus; the windows join it as they come up.
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
        if (QByteArray(QTest::currentTestFunction()).startsWith("mpris") && !desktop.isConnected())
            QSKIP("no dbus-daemon (package dbus-daemon) for a session bus of the suite's own");
        if (QTest::currentTestFunction() != lastTest)
            fresh();
        lastTest = QTest::currentTestFunction();
    }

public Q_SLOTS:
    void noteChange(const QString &, const QVariantMap &changed, const QStringList &)
    {
        announced.insert(changed);
    }
};
