// SPDX-License-Identifier: GPL-2.0-or-later
// The handset's layout: every widget in tab order, with its caption and its place in twips.
#include "frm_main.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// Positions are kept in twips, as the layout was drawn; 15 twips make one pixel at 96 dpi.
constexpr int twipsPerPixel = 15;
constexpr int clientWidthTwips = 11460;
constexpr int clientHeightTwips = 3420;

QRect twips(int left, int top, int width, int height)
{
    return {left / twipsPerPixel, top / twipsPerPixel, width / twipsPerPixel,
            height / twipsPerPixel};
}

// Creates one widget of the table. Qt's focus chain follows creation order, so creating
// the rows in table order gives the handset its tab order.
template<typename Widget>
Widget *place(QWidget *container, QLatin1StringView name, const QString &text, QRect geometry)
{
    auto *widget = new Widget(text, container);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

QLineEdit *placeTextBox(QWidget *container, QLatin1StringView name, const QString &text,
                        QRect geometry)
{
    auto *box = place<QLineEdit>(container, name, text, geometry);
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

} // namespace

void frm_main::buildMenu()
{
    QMenu *mnu_file = menuBar()->addMenu(u"File"_s);
    mnu_file->setObjectName("mnu_file"_L1);
    mnu_end = mnu_file->addAction(u"Exit"_s);
    mnu_end->setObjectName("mnu_end"_L1);
    // Ctrl+X would cut text in the boxes; the platform's Quit key does not.
    mnu_end->setShortcut(QKeySequence::Quit);
}

void frm_main::buildWidgets()
{
    auto *client = new QWidget(this);
    client->setObjectName("client_area"_L1);
    client->setFixedSize(twips(0, 0, clientWidthTwips, clientHeightTwips).size());
    setCentralWidget(client);

    // clang-format off
    frm_connect    = place<QGroupBox>(client, "frm_connect"_L1, u"connect to recorder"_s, twips(120, 120, 3495, 2055));
    lbl_ip         = place<QLabel>(frm_connect, "lbl_ip"_L1, u"IP-Adresse"_s, twips(240, 360, 855, 255));
    txt_ip         = placeTextBox(frm_connect, "txt_ip"_L1, QString::fromLatin1(defaultHost), twips(1320, 360, 1935, 285));
    lbl_port       = place<QLabel>(frm_connect, "lbl_port"_L1, u"Port"_s, twips(240, 720, 855, 255));
    txt_port       = placeTextBox(frm_connect, "txt_port"_L1, u"2001"_s, twips(1320, 720, 1935, 285));
    cmd_connect    = place<QPushButton>(frm_connect, "cmd_connect"_L1, u"connect"_s, twips(120, 1320, 1455, 495));
    cmd_disconnect = place<QPushButton>(frm_connect, "cmd_disconnect"_L1, u"disconnect"_s, twips(1800, 1320, 1455, 495));
    frm_controls   = place<QGroupBox>(client, "frm_controls"_L1, u"controls"_s, twips(3840, 120, 3495, 2055));
    cmd_up         = place<QPushButton>(frm_controls, "cmd_up"_L1, u"up"_s, twips(1320, 240, 855, 375));
    cmd_down       = place<QPushButton>(frm_controls, "cmd_down"_L1, u"down"_s, twips(1320, 720, 855, 375));
    cmd_left       = place<QPushButton>(frm_controls, "cmd_left"_L1, u"left"_s, twips(360, 480, 855, 375));
    cmd_right      = place<QPushButton>(frm_controls, "cmd_right"_L1, u"right"_s, twips(2280, 480, 855, 375));
    cmd_red        = place<QPushButton>(frm_controls, "cmd_red"_L1, u"red"_s, twips(120, 1440, 735, 375));
    cmd_yellow     = place<QPushButton>(frm_controls, "cmd_yellow"_L1, u"yellow"_s, twips(1800, 1440, 735, 375));
    cmd_green      = place<QPushButton>(frm_controls, "cmd_green"_L1, u"green"_s, twips(960, 1440, 735, 375));
    cmd_blue       = place<QPushButton>(frm_controls, "cmd_blue"_L1, u"blue"_s, twips(2640, 1440, 735, 375));
    frm_info       = place<QGroupBox>(client, "frm_info"_L1, u"info"_s, twips(120, 2400, 3495, 855));
    lbl_info       = place<StatusLabel>(frm_info, "lbl_info"_L1, QString(), twips(120, 360, 3255, 255));
    cmd_chplus     = place<QPushButton>(client, "cmd_chplus"_L1, u"CH+"_s, twips(7560, 240, 615, 375));
    cmd_chminus    = place<QPushButton>(client, "cmd_chminus"_L1, u"CH-"_s, twips(7560, 720, 615, 375));
    cmd_volplus    = place<QPushButton>(client, "cmd_volplus"_L1, u"VOL+"_s, twips(8280, 240, 615, 375));
    cmd_volminus   = place<QPushButton>(client, "cmd_volminus"_L1, u"VOL-"_s, twips(8280, 720, 615, 375));
    cmd_mute       = place<QPushButton>(client, "cmd_mute"_L1, u"Mute"_s, twips(8280, 1200, 615, 375));
    cmd_menu       = place<QPushButton>(client, "cmd_menu"_L1, u"Menu"_s, twips(3840, 2280, 975, 375));
    cmd_ok         = place<QPushButton>(client, "cmd_ok"_L1, u"OK"_s, twips(4920, 2280, 855, 375));
    cmd_back       = place<QPushButton>(client, "cmd_back"_L1, u"Back"_s, twips(5880, 2280, 855, 375));
    txt_msg        = placeTextBox(client, "txt_msg"_L1, u"Hallo"_s, twips(3840, 2880, 2655, 285));
    cmd_sendmsg    = place<QPushButton>(client, "cmd_sendmsg"_L1, u"Send MSG"_s, twips(6600, 2880, 1095, 375));
    txt_chan       = placeTextBox(client, "txt_chan"_L1, u"3"_s, twips(8520, 1680, 375, 285));
    cmd_goch       = place<QPushButton>(client, "cmd_goch"_L1, u"Go CH"_s, twips(7560, 1680, 855, 375));
    Frame1         = place<QGroupBox>(client, "Frame1"_L1, u"numbers"_s, twips(9120, 240, 1935, 2295));
    lbl_answer     = place<StatusLabel>(client, "lbl_answer"_L1, QString(), twips(7800, 2880, 3255, 285));
    // clang-format on
    lbl_answer->setElideMode(Qt::ElideRight);
    lbl_answer->setLogPrefix(u"answer: "_s);

    // The keypad as on a telephone: 1 2 3 / 4 5 6 / 7 8 9, and 0 alone under 8.
    struct KeyPlace
    {
        int index, left, top;
    };
    constexpr KeyPlace keypad[]
        = {{1, 120, 360},  {2, 720, 360},  {3, 1320, 360}, {4, 120, 840},   {5, 720, 840},
           {6, 1320, 840}, {7, 120, 1320}, {8, 720, 1320}, {9, 1320, 1320}, {0, 720, 1800}};
    for (const KeyPlace &key : keypad) {
        cmd_number[key.index]
            = place<QPushButton>(Frame1, "cmd_number"_L1, QString::number(key.index),
                                 twips(key.left, key.top, 495, 375));
        cmd_number[key.index]->setProperty("index", key.index);
    }

    // The layout is fixed: the window is exactly menu bar plus client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void frm_main::wireClicks()
{
    const std::pair<QPushButton *, void (frm_main::*)()> clicks[] = {
        {cmd_connect, &frm_main::cmd_connect_Click},
        {cmd_disconnect, &frm_main::cmd_disconnect_Click},
        {cmd_up, &frm_main::cmd_up_Click},
        {cmd_down, &frm_main::cmd_down_Click},
        {cmd_left, &frm_main::cmd_left_Click},
        {cmd_right, &frm_main::cmd_right_Click},
        {cmd_red, &frm_main::cmd_red_Click},
        {cmd_yellow, &frm_main::cmd_yellow_Click},
        {cmd_green, &frm_main::cmd_green_Click},
        {cmd_blue, &frm_main::cmd_blue_Click},
        {cmd_chplus, &frm_main::cmd_chplus_Click},
        {cmd_chminus, &frm_main::cmd_chminus_Click},
        {cmd_volplus, &frm_main::cmd_volplus_Click},
        {cmd_volminus, &frm_main::cmd_volminus_Click},
        {cmd_mute, &frm_main::cmd_mute_Click},
        {cmd_menu, &frm_main::cmd_menu_Click},
        {cmd_ok, &frm_main::cmd_ok_Click},
        {cmd_back, &frm_main::cmd_back_Click},
        {cmd_sendmsg, &frm_main::cmd_sendmsg_Click},
        {cmd_goch, &frm_main::cmd_goch_Click},
    };
    for (const auto &[button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);

    auto *numbers = new QButtonGroup(this);
    for (int index = 0; index < int(cmd_number.size()); ++index)
        numbers->addButton(cmd_number[index], index);
    connect(numbers, &QButtonGroup::idClicked, this, &frm_main::cmd_number_Click);

    connect(mnu_end, &QAction::triggered, this, &frm_main::mnu_end_Click);
}
