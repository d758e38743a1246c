// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "key_table.h"
#include "recorder_guide.h"
#include "recorder_link.h"
#include "status_label.h"

#include <QMainWindow>
#include <QTimer>
#include <array>

class ChannelPanel;
class ProgrammePane;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

// The handset window: every widget, the connection panel and the status line.
class frm_main : public QMainWindow
{
    Q_OBJECT

public:
    // The host the host field starts with, and the fallback when no host is configured.
    static constexpr auto defaultHost = "localhost";

    // settingsFolder: where zappomatic.ini is looked for; empty means the program's folder.
    explicit frm_main(const QString &settingsFolder = {}, QWidget *parent = nullptr);

    // Enables or disables the remote-control group as one: the handset's keys and boxes, the
    // band's keys and the Keys menu's entries. The connection panel, the digit frame itself
    // (not its keys), the status frame and the menus themselves are never touched.
    void SetControls(bool State);
    // What a press of the key in that row of the key table does.
    void pressKey(int row);
    // What Enter or a double click on a channel of the list does: the line Go CH sends.
    void switchTo(int number);

    void cmd_connect_Click();
    void cmd_disconnect_Click();

    void cmd_up_Click();
    void cmd_down_Click();
    void cmd_left_Click();
    void cmd_right_Click();
    void cmd_ok_Click();
    void cmd_back_Click();
    void cmd_menu_Click();
    void cmd_red_Click();
    void cmd_green_Click();
    void cmd_yellow_Click();
    void cmd_blue_Click();
    void cmd_volplus_Click();
    void cmd_volminus_Click();
    void cmd_mute_Click();
    void cmd_chplus_Click();
    void cmd_chminus_Click();
    void cmd_number_Click(int Index);
    void cmd_goch_Click();
    void cmd_sendmsg_Click();
    // File > Exit, and the desktop's Quit.
    void mnu_end_Click();

    RecorderLink &link() { return m_link; }
    RecorderGuide &guide() { return m_guide; }
    // Whether the channel panel's list, the Keys menu's entries and the desktop's media controls
    // are there: they are made once the window is first painted.
    bool isComplete() const { return m_complete; }

Q_SIGNALS:
    void completed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void Form_QueryUnload(QCloseEvent *event);
    // Runs the shortcut of a key pressed anywhere in the window; KeyCode is a virtual-key code.
    void Form_KeyDown(int KeyCode);
    // Runs a key of the handset's drawing by its click handler, for its button and its shortcut.
    void handsetKey(int row);
    // Sends the line of a media key the key table knows; true when it did.
    bool mediaKeyDown(int qtKey);
    void buildMenu();
    void buildKeysMenu();
    void complete();
    void buildWidgets();
    void buildBand(QWidget *client);
    QPushButton *placeKey(QWidget *container, int row, QRect geometry);
    void fitFont();
    void wireClicks();
    void Form_Load(const QString &settingsFolder);
    void showConnected();
    void showNotConnected(ConnectionCause cause);
    void showGreeting(const QString &host, const QString &version);
    void showAnswer(bool switching, int code, const QString &text);

    RecorderLink m_link;
    RecorderGuide m_guide {m_link};

    QAction *mnu_end = nullptr;

    QGroupBox *frm_connect = nullptr;
    QLabel *lbl_ip = nullptr;
    QLineEdit *txt_ip = nullptr;
    QLabel *lbl_port = nullptr;
    QLineEdit *txt_port = nullptr;
    QPushButton *cmd_connect = nullptr;
    QPushButton *cmd_disconnect = nullptr;

    QGroupBox *frm_controls = nullptr;
    QPushButton *cmd_up = nullptr;
    QPushButton *cmd_down = nullptr;
    QPushButton *cmd_left = nullptr;
    QPushButton *cmd_right = nullptr;
    QPushButton *cmd_red = nullptr;
    QPushButton *cmd_yellow = nullptr;
    QPushButton *cmd_green = nullptr;
    QPushButton *cmd_blue = nullptr;

    QGroupBox *frm_info = nullptr;
    StatusLabel *lbl_info = nullptr;

    QPushButton *cmd_chplus = nullptr;
    QPushButton *cmd_chminus = nullptr;
    QPushButton *cmd_volplus = nullptr;
    QPushButton *cmd_volminus = nullptr;
    QPushButton *cmd_mute = nullptr;
    QPushButton *cmd_menu = nullptr;
    QPushButton *cmd_ok = nullptr;
    QPushButton *cmd_back = nullptr;
    QLineEdit *txt_msg = nullptr;
    QPushButton *cmd_sendmsg = nullptr;
    // What the recorder said last: its greeting, or its reply to the last press.
    StatusLabel *lbl_answer = nullptr;
    QLineEdit *txt_chan = nullptr;
    QPushButton *cmd_goch = nullptr;

    QGroupBox *Frame1 = nullptr;
    std::array<QPushButton *, 10> cmd_number {};

    QGroupBox *frm_playback = nullptr;
    QGroupBox *frm_recorder = nullptr;
    QMenu *mnu_keys = nullptr;
    ChannelPanel *frm_channels = nullptr;
    ProgrammePane *frm_programmes = nullptr;
    // Each row's button and menu entry, where it has one.
    std::array<QPushButton *, Keys::count> m_keyButtons {};
    std::array<QAction *, Keys::count> m_keyEntries {};
    // Whether SetControls last enabled the group, for the Keys menu's entries made later.
    bool m_controlsOn = false;
    bool m_complete = false;
    QTimer m_completion;
};
