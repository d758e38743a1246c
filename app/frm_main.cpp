// SPDX-License-Identifier: GPL-2.0-or-later
#include "frm_main.h"

#include "channel_panel.h"
#include "command_lines.h"
#include "connection_status.h"
#include "keep_alive.h"
#include "keyboard.h"
#include "mod_fileio.h"
#include "mod_main.h"
#include "mpris_root.h"
#include "number_rules.h"
#include "programme_pane.h"
#include "recorder_answer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// A window that starts minimised is not painted, yet the desktop's media controls must find it.
constexpr auto unpaintedCompletion = std::chrono::milliseconds(250);

} // namespace

frm_main::frm_main(const QString &settingsFolder, QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName("frm_main"_L1);
    setWindowTitle(u"Zappomatic"_s);
    buildMenu();
    buildWidgets();
    fitFont();
    wireClicks();
    auto *keys = new KeyPreview(
        this, [this](int keyCode) { Form_KeyDown(keyCode); },
        [this](int qtKey) { return mediaKeyDown(qtKey); });
    keys->leaveKeysTo(frm_channels);
    keys->leaveKeysTo(frm_programmes);
    connect(&m_link, &RecorderLink::connectionUp, this, &frm_main::showConnected);
    connect(&m_link, &RecorderLink::connectionDown, this, &frm_main::showNotConnected);
    connect(&m_link, &RecorderLink::greeted, this, &frm_main::showGreeting);
    connect(&m_link, &RecorderLink::answered, this, &frm_main::showAnswer);
    connect(m_guide.timers(), &RecorderTimers::answered, this,
            [this](int code, const QString &text) { showAnswer(false, code, text); });
    connect(frm_channels, &ChannelPanel::chosen, frm_programmes, &ProgrammePane::choose);
    Form_Load(settingsFolder);
    m_completion.setSingleShot(true);
    connect(&m_completion, &QTimer::timeout, this, &frm_main::complete);
    m_completion.start(unpaintedCompletion);

    adjustSize();
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    txt_ip->setFocus();
}

void frm_main::paintEvent(QPaintEvent *event)
{
    QMainWindow::paintEvent(event);
    // Its children are painted next; the timer fires once the whole picture is out.
    if (!m_complete)
        m_completion.start(0);
}

// What the first picture does not need, made once it is out.
void frm_main::complete()
{
    if (m_complete)
        return;
    m_complete = true;
    // Bitmaps drawn from resources/zappomatic.svg: PNG needs no image plugin. Decoding them
    // waits too: the desktop takes a new icon as readily as the first.
    QIcon icon(u":/zappomatic-64.png"_s);
    icon.addFile(u":/zappomatic-32.png"_s);
    setWindowIcon(icon);
    frm_channels->build();
    frm_programmes->build();
    buildKeysMenu();
    // A slow or missing session bus never holds the handset up.
    Mpris::offer(this);
    Q_EMIT completed();
}

void frm_main::Form_Load(const QString &settingsFolder)
{
    SetControls(false);
    // The socket is a TCP socket by construction, and the poll has not started: it waits for
    // connect, so there is nothing to set or stop.

    const auto setting = [&settingsFolder](const QString &key) {
        return mod_fileio::get_setting(u"server"_s, key, settingsFolder);
    };

    server_ip = setting(u"ip"_s);
    if (server_ip.isEmpty())
        server_ip = QString::fromLatin1(defaultHost);

    // Every window starts from the default port, never from one an earlier window read.
    server_port = RecorderLink::defaultPort;
    const QString portText = setting(u"port"_s);
    if (!portText.isEmpty()) {
        // A value beyond 32 bits is treated as no value rather than ending the program.
        if (const auto port = Numbers::roundToInt32(Numbers::lenientNumber(portText)))
            server_port = *port;
    }

    m_link.setKeepAliveInterval(KeepAlive::intervalFromSetting(setting(u"keepalive"_s)));

    const auto minutes = [&settingsFolder](const QString &key, int fallback) {
        return Margins::minutes(mod_fileio::get_setting(u"timers"_s, key, settingsFolder),
                                fallback);
    };
    m_guide.timers()->setMargins({minutes(u"margin_before"_s, Margins::defaultBefore),
                                  minutes(u"margin_after"_s, Margins::defaultAfter)});

    txt_ip->setText(server_ip);
    txt_port->setText(QString::number(server_port));
}

void frm_main::SetControls(bool State)
{
    m_controlsOn = State;
    QWidget *const group[] = {
        frm_controls, cmd_up,     cmd_down,    cmd_left,    cmd_right, cmd_red,     cmd_yellow,
        cmd_green,    cmd_blue,   cmd_menu,    cmd_ok,      cmd_back,  cmd_volplus, cmd_volminus,
        cmd_mute,     cmd_chplus, cmd_chminus, cmd_sendmsg, cmd_goch,  txt_chan,    txt_msg,
    };
    for (QWidget *widget : group)
        widget->setEnabled(State);
    for (QPushButton *key : cmd_number)
        key->setEnabled(State);
    // The band's keys and the menu's entries join the group; the handset's are set above.
    frm_playback->setEnabled(State);
    frm_recorder->setEnabled(State);
    frm_channels->setEnabled(State);
    frm_programmes->setEnabled(State);
    for (int row = 0; row < Keys::count; ++row) {
        if (Keys::table[row].band != Keys::Band::Handset && m_keyButtons[row])
            m_keyButtons[row]->setEnabled(State);
        if (m_keyEntries[row])
            m_keyEntries[row]->setEnabled(State);
    }
}

void frm_main::pressKey(int row)
{
    const Keys::Zap zap = Keys::table[row].zap;
    m_link.vdr_send(Keys::line(row), zap == Keys::Zap::Switch);
    if (zap == Keys::Zap::Maybe)
        m_guide.noteChannelKey();
    if (Keys::table[row].changesTimers)
        m_guide.timers()->noteRecordKey();
}

void frm_main::switchTo(int number)
{
    if (const auto line = Svdrp::channelLine(QString::number(number)))
        m_link.vdr_send(*line, true);
}

void frm_main::cmd_connect_Click()
{
    if (!m_link.connectPressed(txt_ip->text(), txt_port->text()))
        return;
    // Nothing of an earlier connection stays on screen while the new attempt runs.
    SetControls(false);
    lbl_info->setStatus(u"Connecting to %1 port %2"_s.arg(m_link.host(), m_link.portText()));
    lbl_answer->setStatus({});
}

void frm_main::cmd_disconnect_Click()
{
    if (!m_link.disconnectPressed())
        return;
    SetControls(false);
    lbl_info->setStatus(u"Disconnected"_s);
    lbl_answer->setStatus({});
}

void frm_main::showConnected()
{
    SetControls(true);
    // Where the connection went, not what the fields may show since.
    lbl_info->setStatus(u"Connected to %1 port %2"_s.arg(m_link.host(), m_link.portText()));
}

void frm_main::showNotConnected(ConnectionCause cause)
{
    SetControls(false);
    lbl_info->setStatus(ConnectionStatus::text(cause),
                        ConnectionStatus::help(cause, m_link.errorText()));
    lbl_answer->setStatus({});
}

void frm_main::showGreeting(const QString &host, const QString &version)
{
    lbl_answer->setStatus(RecorderAnswer::greeting(host, version));
}

void frm_main::showAnswer(bool, int code, const QString &text)
{
    lbl_answer->setStatus(text, RecorderAnswer::help(code, text));
}

void frm_main::mnu_end_Click()
{
    // Ends at once: the recorder is told nothing and nothing is saved.
    QCoreApplication::quit();
}

void frm_main::changeEvent(QEvent *event)
{
    // Someone may have zapped or set a timer with the recorder's own remote meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        m_guide.windowActivated();
    }
    QMainWindow::changeEvent(event);
}

void frm_main::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload(event);
}

void frm_main::Form_QueryUnload(QCloseEvent *event)
{
    // Whatever asked to close, the program ends at once without telling the recorder.
    event->accept();
    QCoreApplication::quit();
}
