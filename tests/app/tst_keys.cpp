// SPDX-License-Identifier: GPL-2.0-or-later
// The handset window's start-up and keys: what each button, menu entry, shortcut, media key and
// desktop media method puts on the wire, and what the window shows of it.
#include "window.h"

#include "connection_status.h"
#include "key_table.h"

#include <QGroupBox>
#include <QTabBar>

// A key: its row in the table, its button's caption (empty: no button), the line it sends (a
// "hitk" one has an entry in the Keys menu), whether it may have zapped ("Maybe": one CHAN
// follows), switches ("Switch": its answer's channel shows) or may have set a timer ("Timers":
// one LSTT follows), and the desktop's media method that presses it.
using KeyRow = std::tuple<int, QString, QByteArray, QString, QString>;

class tst_keys : public WindowTest
{
    Q_OBJECT

    // Presses of m_key that reached the one widget this filters.
    int m_key = 0;
    int m_reached = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        m_reached
            += event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == m_key;
        return false;
    }

private Q_SLOTS:
    void startUp_data()
    {
        // The settings file (null: none), the host and port it puts in the fields, and a
        // desktop's font family and size.
        QTest::addColumn<QByteArrayList>("start");
        const auto row = [](const char *name, const char *ini, const char *host, const char *port,
                            const char *family = nullptr, const char *size = nullptr) {
            QTest::newRow(name) << QByteArrayList {ini, host, port, family, size};
        };
        row("no settings file", nullptr, "localhost", "2001");
        row("half port to even below", "[server]\nport=2000.5", "localhost", "2000");
        row("half port to even above", "[server]\nport=2001.5", "localhost", "2002");
        row("host, port without a number", "[SERVER]\nIP=vdr\nport=x", "vdr", "0");
        row("above 16 bits still shown", "[server]\nport=40000", "localhost", "40000");
        row("beyond 32 bits is no port", "[server]\nport=99999999999", "localhost", "2001");
        row("GNOME: Cantarell 11", nullptr, "localhost", "2001", "Cantarell", "11");
        row("KDE: Noto Sans 10", nullptr, "localhost", "2001", "Noto Sans", "10");
        row("generic: DejaVu Sans 9", nullptr, "localhost", "2001", "DejaVu Sans", "9");
    }
    void startUp()
    {
        QFETCH(QByteArrayList, start);
        const QString family = QString::fromUtf8(start[3]);
        const QFont desktop = QApplication::font();
        if (!family.isEmpty())
            QApplication::setFont(QFont(family, start[4].toInt()));
        open(start[0]);
        QApplication::setFont(desktop);
        QCOMPARE(find<QLineEdit>(u"txt_ip"_s)->text().toUtf8(), start[1]);
        QCOMPARE(find<QLineEdit>(u"txt_port"_s)->text().toUtf8(), start[2]);
        QCOMPARE(w->focusWidget(), find(u"txt_ip"_s));
        QCOMPARE(status(), QString());
        QVERIFY(!w->link().isPolling());
        checkGroup(false);
        // Everything named is on screen but the bar of a programme and the tab not chosen, the
        // panels' widgets made after the first picture too. No two controls share a name for
        // screen readers, tabs included.
        QStringList names;
        const auto *timersTab = find(u"lst_timers"_s)->parentWidget();
        for (const QWidget *widget : find(u"client_area"_s)->findChildren<QWidget *>()) {
            const QString name = widget->objectName();
            const bool tabBars = qobject_cast<QTabBar *>(widget->parentWidget()); // its scroll keys
            if (!name.isEmpty() && !name.startsWith("qt_"_L1) && !tabBars
                && !timersTab->isAncestorOf(widget))
                QVERIFY2(widget->isVisible() == (name != "bar_now"_L1), qPrintable(name));
            names << widget->accessibleName();
            if (const auto *tabs = qobject_cast<const QTabBar *>(widget))
                for (int tab = 0; tab < tabs->count(); ++tab)
                    names << tabs->accessibleTabName(tab);
        }
        names.removeAll(QString());
        names.sort();
        for (qsizetype i = 1; i < names.size(); ++i)
            QVERIFY2(names[i] != names[i - 1], qPrintable(u"named twice: "_s + names[i]));
        QVERIFY2(names.contains(u"Timer list"_s) && names.contains(u"Recorder timers"_s)
                     && names.contains(u"Channel schedule"_s),
                 qPrintable(names.join(u", ")));
        if (family.isEmpty())
            return;
        QWidget *client = find(u"client_area"_s);
        if (QFontInfo(client->font()).family() != family)
            QFAIL(qPrintable(
                family
                + u" is not installed (fonts-cantarell, fonts-noto-core, fonts-dejavu-core)"_s));
        QVERIFY(client->font().pointSizeF() <= start[4].toInt());
        // The drawn layout stays as it is, to the pixel.
        QCOMPARE(client->size(), QSize(1476, 355));
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

    // Every key of the table by its button, its entry in the Keys menu and the desktop's media
    // method that presses it, against the simulator, which accepts VDR's key names only. What
    // each row sends and does is written out here rather than taken from the table, so that a
    // wrong row cannot agree with itself.
    void everyKey_data()
    {
        QTest::addColumn<KeyRow>("key");
        // "name:caption:method", "_" a blank in the caption, "*" before the name of a key that
        // may have zapped, "!" before one that may have set a timer.
        QHash<QString, QStringList> keys;
        for (const QString &key :
             u"*Up:up *Down:down *Left:left *Right:right *Ok:OK *Back:Back Menu:Menu Red:red "
             "Green:green Yellow:yellow Blue:blue *0:0 *1:1 *2:2 *3:3 *4:4 *5:5 *6:6 *7:7 *8:8 "
             "*9:9 Play/Pause::PlayPause *Prev:Prev:Previous FastRew:Rewind Play:Play:Play "
             "Pause:Pause:Pause Stop:Stop:Stop !Record:Record FastFwd:Forward *Next:Next:Next "
             "Info:Info Schedule:Schedule Channels:Channels Timers:Timers Recordings:Recordings "
             "Setup:Setup Commands:Commands *Channel+: *Channel-: Volume+:VOL+ Volume-:VOL- "
             "Mute:Mute Audio:Audio Subtitles:Subtitles *PrevChannel:Prev_CH User0: User1: "
             "User2: User3: User4: User5: User6: User7: User8: User9: Power:Power CH+:CH+ "
             "CH-:CH-"_s.split(u' '))
            keys.insert(key.section(u':', 0, 0), QString(key).replace(u'_', u' ').split(u':'));
        QCOMPARE(keys.size(), 58);
        for (int row = 0; row < Keys::count; ++row) {
            const QString name = QString::fromUtf8(Keys::table[row].name);
            const bool vdrKey = name != u"CH+"_s && name != u"CH-"_s;
            const QByteArray line = !vdrKey ? "chan " + name.right(1).toLatin1()
                                            : "hitk " + name.toLower().toLatin1();
            const bool maybe = keys.contains(u'*' + name), timers = keys.contains(u'!' + name);
            const QStringList key = keys.take(maybe ? u'*' + name : timers ? u'!' + name : name);
            const QString zap = !vdrKey ? u"Switch"_s
                : maybe                 ? u"Maybe"_s
                : timers                ? u"Timers"_s
                                        : u""_s;
            QTest::newRow(qPrintable(name))
                << KeyRow {row, key.value(1), line + "\r\n", zap, key.value(2)};
        }
        // A key, or a method, missing from the table.
        QTest::newRow("nothing left out") << KeyRow {-1, keys.keys().join(u' '), {}, {}, {}};
    }
    void everyKey()
    {
        QFETCH(KeyRow, key);
        const auto &[row, caption, line, zap, method] = key;
        QVERIFY2(row >= 0 || caption.isEmpty(), qPrintable(u"not in the table: "_s + caption));
        if (row < 0)
            return;
        if (!w->link().isUp()) {
            const QString port = startSim({u"--channels"_s, u"20"_s});
            fresh();
            connectWindow(port);
            // A key that may have zapped asks the channel as soon as it is sent, one that may
            // have set a timer the timers.
            w->guide().setClocks(std::chrono::milliseconds(0), std::chrono::hours(1));
        }
        const QString name = QString::fromUtf8(Keys::table[row].name);
        QPushButton *button = nullptr;
        for (QPushButton *b : w->findChildren<QPushButton *>())
            button = b->accessibleName() == name ? b : button;
        QAction *menuEntry = nullptr;
        for (QAction *a : find<QMenu>(u"mnu_keys"_s)->findChildren<QAction *>())
            menuEntry = a->text() == name && !a->menu() ? a : menuEntry;
        QCOMPARE(bool(button), !caption.isEmpty());
        QCOMPARE(bool(menuEntry), line.startsWith("hitk"));
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
        const QByteArray received = line.chopped(2) + "\\r\\n\n"
            + (zap == u"Maybe"_s ? "CHAN\\r\\n\n" : "")
            + (zap == u"Timers"_s ? "LSTT\\r\\n\n" : "");
        const QString answered = line.startsWith("hitk")
            ? u"Key \"%1\" accepted"_s.arg(QString::fromLatin1(line.mid(5).chopped(2)))
            : QString();
        const auto pressed = [&](const std::function<void()> &press) {
            const qsizetype from = simLog.size();
            find<QLabel>(u"lbl_answer"_s)->clear();
            press();
            QTRY_VERIFY(!answer().isEmpty());
            if (!answered.isEmpty())
                QCOMPARE(answer(), answered);
            if (zap == u"Switch"_s)
                QTRY_COMPARE(channel(), answer());
            QCOMPARE(simReceived(from), received);
        };
        if (button)
            pressed([&] { QTest::mouseClick(button, Qt::LeftButton); });
        if (menuEntry)
            pressed([&] { menuEntry->trigger(); });
        if (method.isEmpty())
            return;
        if (!desktop.isConnected())
            QSKIP("no dbus-daemon (package dbus-daemon) for a session bus of the suite's own");
        pressed([&] { mpris(playerInterface, method, {}); });
    }

    // Each key as Qt names it, and the key VDR is sent for it (none: nothing is sent).
    void keys_data()
    {
        QTest::addColumn<QString>("row");
        // Media keys are the recorder's alone: the focused widget never sees them.
        const QString rows
            = u"5=5, Shift+3=3, Num+5=, Num+-=menu, Menu=menu, M=, Up=up, Ctrl+Down=down, "
              u"Left=left, "
              "Right=right, Backspace=back, Return=ok, Num+Enter=ok, F1=red, Shift+F2=green, "
              "F3=yellow, F4=blue, F5=, Media Play=play/pause, Toggle Media Play/Pause=play/pause, "
              "Media Pause=pause, Media Stop=stop, Media Record=record, Media Next=next, "
              "Media Previous=prev, Media Fast Forward=fastfwd, Media Rewind=fastrew, "
              "Volume Up=volume+, Volume Down=volume-, Volume Mute=mute"_s;
        for (const QString &row : rows.split(u", "_s))
            QTest::newRow(qPrintable(row)) << row;
    }
    void keys()
    {
        QFETCH(QString, row);
        const QKeyCombination pressed
            = QKeySequence::fromString(row.section(u'=', 0, 0), QKeySequence::PortableText)[0];
        const int key = pressed.key();
        const Qt::KeyboardModifiers modifiers = pressed.keyboardModifiers();
        const QString sent = row.section(u'=', 1);
        const QByteArray line = sent.isEmpty() ? QByteArray() : "hitk " + sent.toLatin1() + "\r\n";
        if (w->link().socketState() != RecorderSocket::State::Connected)
            connectWindow();
        const bool media = key >= Qt::Key_VolumeDown;
        // The same from every text box, a button and a field of the connection panel; in the
        // channel panel's list and filter, and in the schedule and the timers, only the media
        // keys are the recorder's.
        for (const QString &focus :
             {u"txt_chan"_s, u"txt_msg"_s, u"cmd_up"_s, u"txt_ip"_s, u"txt_port"_s,
              u"lst_channels"_s, u"txt_filter"_s, u"lst_schedule"_s, u"lst_timers"_s}) {
            const bool panel = focus.startsWith(u"lst_"_s) || focus.endsWith(u"filter"_s);
            QWidget *widget = find(focus);
            const auto counter = qScopeGuard([&] { widget->removeEventFilter(this); });
            m_key = key;
            m_reached = 0;
            widget->installEventFilter(this);
            // QTest knows no text for some media keys; they come without one anyway.
            QKeyEvent press(QEvent::KeyPress, key, modifiers);
            if (media)
                QApplication::sendEvent(widget, &press);
            else
                QTest::keyClick(widget, Qt::Key(key), modifiers);
            QCOMPARE(wire(), panel && !media ? QByteArray() : line);
            QCOMPARE(m_reached, media ? 0 : 1);
            rec->received[0].clear();
        }
    }
};

QTEST_MAIN(tst_keys)
#include "tst_keys.moc"
