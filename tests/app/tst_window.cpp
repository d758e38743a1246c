// The window as the user first sees it, and the remote-control group's enabling.
#include "handset_harness.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A widget's name as the user's table knows it: the digit keys by their index.
QString tableName(const QWidget *widget)
{
    const QVariant index = widget->property("index");
    return index.isValid() ? widget->objectName() + u'(' + index.toString() + u')'
                           : widget->objectName();
}

QStringList disabledWidgets(const QWidget &window)
{
    QStringList names;
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        if (!widget->objectName().isEmpty() && !widget->isEnabledTo(&window))
            names << tableName(widget);
    }
    names.sort();
    return names;
}

QStringList tabCycle(qsizetype presses)
{
    QStringList visited;
    for (qsizetype i = 0; i < presses; ++i) {
        visited << tableName(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return visited;
}

const QStringList connectionPanel
    = {u"txt_ip"_s, u"txt_port"_s, u"cmd_connect"_s, u"cmd_disconnect"_s};
// The remote-control group in tab order.
const QStringList remoteGroup = {
    u"cmd_up"_s,        u"cmd_down"_s,      u"cmd_left"_s,      u"cmd_right"_s,
    u"cmd_red"_s,       u"cmd_yellow"_s,    u"cmd_green"_s,     u"cmd_blue"_s,
    u"cmd_chplus"_s,    u"cmd_chminus"_s,   u"cmd_volplus"_s,   u"cmd_volminus"_s,
    u"cmd_mute"_s,      u"cmd_menu"_s,      u"cmd_ok"_s,        u"cmd_back"_s,
    u"txt_msg"_s,       u"cmd_sendmsg"_s,   u"txt_chan"_s,      u"cmd_goch"_s,
    u"cmd_number(1)"_s, u"cmd_number(2)"_s, u"cmd_number(3)"_s, u"cmd_number(4)"_s,
    u"cmd_number(5)"_s, u"cmd_number(6)"_s, u"cmd_number(7)"_s, u"cmd_number(8)"_s,
    u"cmd_number(9)"_s, u"cmd_number(0)"_s,
};

} // namespace

class tst_window : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        h = std::make_unique<HandsetHarness>();
        QVERIFY(QTest::qWaitForWindowActive(&h->window()));
    }
    void cleanup() { h.reset(); }

    void hasFixedCentredClientArea()
    {
        frm_main &window = h->window();
        QCOMPARE(window.windowTitle(), u"Zappomatic"_s);
        QCOMPARE(window.centralWidget()->size(), QSize(764, 228));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        // Centred up to the few pixels of window frame the platform adds.
        const QPoint offCentre
            = window.geometry().center() - window.screen()->availableGeometry().center();
        QVERIFY2(qAbs(offCentre.x()) <= 3 && qAbs(offCentre.y()) <= 3, "the window opens centred");
    }

    void keypadIsTelephoneLayout()
    {
        const auto cell = [this](int digit) {
            QPushButton *key = h->button(u"cmd_number"_s, digit);
            return key->text() == QString::number(digit) ? key->geometry().topLeft()
                                                         : QPoint(-1, -1);
        };
        for (int digit = 1; digit <= 9; ++digit) {
            QCOMPARE(cell(digit).y(), cell(1 + (digit - 1) / 3 * 3).y());
            QCOMPARE(cell(digit).x(), cell(1 + (digit - 1) % 3).x());
        }
        // 0 sits alone under 8.
        QCOMPARE(cell(0).x(), cell(8).x());
        QVERIFY(cell(0).y() > cell(8).y());
    }

    void setControlsTogglesExactlyTheGroup()
    {
        // Everything else stays usable: the connection panel, the frames, the status line, the
        // menu.
        QStringList group = remoteGroup + QStringList {u"frm_controls"_s};
        group.sort();
        QCOMPARE(group.size(), 31);
        QCOMPARE(disabledWidgets(h->window()), group);
        QCOMPARE(h->status(), QString());
        h->window().SetControls(true);
        QCOMPARE(disabledWidgets(h->window()), QStringList());
        h->window().SetControls(false);
        QCOMPARE(disabledWidgets(h->window()), group);
    }

    void tabCyclesEnabledWidgets()
    {
        // The cycle starts where the window puts the focus, the host field, and skips a disabled
        // group on its way back there.
        QCOMPARE(tabCycle(connectionPanel.size()), connectionPanel);
        h->window().SetControls(true);
        const QStringList all = connectionPanel + remoteGroup + QStringList {u"txt_ip"_s};
        QCOMPARE(tabCycle(all.size()), all);
    }

    void repeatedEnablingLeavesTypingAlone()
    {
        h->window().SetControls(true);
        QLineEdit *chan = h->box(u"txt_chan"_s);
        chan->setFocus();
        QTest::keyClicks(chan, u"12"_s);
        chan->setCursorPosition(1);
        h->window().SetControls(true);
        QCOMPARE(QApplication::focusWidget(), chan);
        QCOMPARE(chan->cursorPosition(), 1);
        h->window().SetControls(false);
        QCOMPARE(chan->text(), u"312"_s);
        QCOMPARE(h->box(u"txt_msg"_s)->text(), u"Hallo"_s);
    }

private:
    std::unique_ptr<HandsetHarness> h;
};

QTEST_MAIN(tst_window)
#include "tst_window.moc"
