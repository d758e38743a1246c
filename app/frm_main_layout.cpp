// SPDX-License-Identifier: GPL-2.0-or-later
// The handset's layout: every widget in tab order, with its caption and its place in twips.
#include "frm_main.h"

#include "channel_panel.h"
#include "programme_pane.h"
#include "twips.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The handset's drawing is this wide; the channel panel stands to its right.
constexpr int handsetWidthTwips = 11460;
constexpr int panelWidthTwips = 4020;
// The schedule and the timers stand to the channel panel's right.
constexpr int paneWidthTwips = 6420;
// The handset's drawing is 3420 twips high; the band of further keys lies below it.
constexpr int bandTopTwips = 3375;
constexpr int bandRowTwips = 855; // a frame with one row of buttons
constexpr int marginTwips = 120;
constexpr int keyHeightTwips = 375;
constexpr int keyGapTwips = 105;
constexpr int keyTopInFrameTwips = 360;
constexpr int clientHeightTwips = bandTopTwips + 2 * bandRowTwips + 2 * marginTwips;
constexpr int clientWidthTwips
    = handsetWidthTwips + panelWidthTwips + marginTwips + paneWidthTwips + marginTwips;

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
    // The bar shows the menu's title; its entries come once the window is painted.
    mnu_keys = menuBar()->addMenu(u"Keys"_s);
    mnu_keys->setObjectName("mnu_keys"_L1);
}

void frm_main::buildKeysMenu()
{
    const std::pair<Keys::Menu, QString> submenus[] = {
        {Keys::Menu::Navigation, u"Navigation"_s},
        {Keys::Menu::Colours, u"Colours"_s},
        {Keys::Menu::Digits, u"Digits"_s},
        {Keys::Menu::Playback, u"Playback"_s},
        {Keys::Menu::RecorderMenus, u"Recorder menus"_s},
        {Keys::Menu::ChannelAndSound, u"Channel and sound"_s},
        {Keys::Menu::UserKeys, u"User keys"_s},
    };
    for (const auto &[group, title] : submenus) {
        QMenu *submenu = mnu_keys->addMenu(title);
        for (int row = 0; row < Keys::count; ++row) {
            if (Keys::table[row].menu == group)
                m_keyEntries[row] = submenu->addAction(QString::fromUtf8(Keys::table[row].name));
        }
    }
    // Power on its own, away from the keys one runs through.
    mnu_keys->addSeparator();
    m_keyEntries[Keys::index("Power")] = mnu_keys->addAction(u"Power"_s);
    // The window runs the handset's shortcuts itself, and the focused widget must still get
    // them. An entry shows its shortcut only while its menu is open: registered for good, 56
    // more shortcuts would be searched on every key press.
    for (int row = 0; row < Keys::count; ++row) {
        QAction *entry = m_keyEntries[row];
        if (!entry)
            continue;
        entry->setShortcutContext(Qt::WidgetShortcut);
        entry->setEnabled(m_controlsOn);
        connect(entry, &QAction::triggered, this, [this, row] { pressKey(row); });
        const auto *menu = static_cast<QMenu *>(entry->parent()); // the menu that made it
        connect(menu, &QMenu::aboutToShow, entry,
                [entry, row] { entry->setShortcuts(Keys::shortcuts(row)); });
        connect(menu, &QMenu::aboutToHide, entry, [entry] { entry->setShortcuts({}); });
    }
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
    txt_port       = placeTextBox(frm_connect, "txt_port"_L1, QString::number(RecorderLink::defaultPort), twips(1320, 720, 1935, 285));
    cmd_connect    = place<QPushButton>(frm_connect, "cmd_connect"_L1, u"connect"_s, twips(120, 1320, 1455, 495));
    cmd_disconnect = place<QPushButton>(frm_connect, "cmd_disconnect"_L1, u"disconnect"_s, twips(1800, 1320, 1455, 495));
    frm_controls   = place<QGroupBox>(client, "frm_controls"_L1, u"controls"_s, twips(3840, 120, 3495, 2055));
    cmd_up         = placeKey(frm_controls, Keys::index("Up"), twips(1320, 240, 855, 375));
    cmd_down       = placeKey(frm_controls, Keys::index("Down"), twips(1320, 720, 855, 375));
    cmd_left       = placeKey(frm_controls, Keys::index("Left"), twips(360, 480, 855, 375));
    cmd_right      = placeKey(frm_controls, Keys::index("Right"), twips(2280, 480, 855, 375));
    cmd_red        = placeKey(frm_controls, Keys::index("Red"), twips(120, 1440, 735, 375));
    cmd_yellow     = placeKey(frm_controls, Keys::index("Yellow"), twips(1800, 1440, 735, 375));
    cmd_green      = placeKey(frm_controls, Keys::index("Green"), twips(960, 1440, 735, 375));
    cmd_blue       = placeKey(frm_controls, Keys::index("Blue"), twips(2640, 1440, 735, 375));
    frm_info       = place<QGroupBox>(client, "frm_info"_L1, u"info"_s, twips(120, 2400, 3495, 855));
    lbl_info       = place<StatusLabel>(frm_info, "lbl_info"_L1, QString(), twips(120, 360, 3255, 255));
    cmd_chplus     = placeKey(client, Keys::index("CH+"), twips(7560, 240, 615, 375));
    cmd_chminus    = placeKey(client, Keys::index("CH-"), twips(7560, 720, 615, 375));
    cmd_volplus    = placeKey(client, Keys::index("Volume+"), twips(8280, 240, 615, 375));
    cmd_volminus   = placeKey(client, Keys::index("Volume-"), twips(8280, 720, 615, 375));
    cmd_mute       = placeKey(client, Keys::index("Mute"), twips(8280, 1200, 615, 375));
    cmd_menu       = placeKey(client, Keys::index("Menu"), twips(3840, 2280, 975, 375));
    cmd_ok         = placeKey(client, Keys::index("Ok"), twips(4920, 2280, 855, 375));
    cmd_back       = placeKey(client, Keys::index("Back"), twips(5880, 2280, 855, 375));
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
            = placeKey(Frame1, Keys::index("0") + key.index, twips(key.left, key.top, 495, 375));
        cmd_number[key.index]->setProperty("index", key.index);
    }
    buildBand(client);
    frm_channels = new ChannelPanel(
        m_guide, [this](int number) { switchTo(number); }, client,
        {handsetWidthTwips, marginTwips, panelWidthTwips, clientHeightTwips - 2 * marginTwips});
    frm_programmes
        = new ProgrammePane(m_guide, client,
                            {handsetWidthTwips + panelWidthTwips + marginTwips, marginTwips,
                             paneWidthTwips, clientHeightTwips - 2 * marginTwips});

    // The layout is fixed: the window is exactly menu bar plus client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

// A key's button: its caption, its name for screen readers and its tooltip from the key table.
QPushButton *frm_main::placeKey(QWidget *container, int row, QRect geometry)
{
    const Keys::Key &key = Keys::table[row];
    auto *button = place<QPushButton>(container, QLatin1StringView(key.button),
                                      QString::fromUtf8(key.caption), geometry);
    const QString name = QString::fromUtf8(key.name);
    button->setAccessibleName(name);
    QStringList shortcuts;
    for (const QKeySequence &shortcut : Keys::shortcuts(row))
        shortcuts.append(shortcut.toString(QKeySequence::NativeText));
    button->setToolTip(shortcuts.isEmpty() ? name : u"%1 (%2)"_s.arg(name, shortcuts.join(u", ")));
    // The handset's own keys go through their handlers; the band's go straight to the table.
    if (key.band == Keys::Band::Handset)
        connect(button, &QPushButton::clicked, this, [this, row] { handsetKey(row); });
    else
        connect(button, &QPushButton::clicked, this, [this, row] { pressKey(row); });
    m_keyButtons[row] = button;
    return button;
}

// The band below the handset: the transport keys and Power in its first row, the recorder's
// menus and tracks in its second, each frame's keys left to right in table order.
void frm_main::buildBand(QWidget *client)
{
    const int secondRow = bandTopTwips + bandRowTwips + marginTwips;
    frm_playback = place<QGroupBox>(client, "frm_playback"_L1, u"playback"_s,
                                    twips(marginTwips, bandTopTwips, 8655, bandRowTwips));
    int left = marginTwips;
    for (int row = 0; row < Keys::count; ++row) {
        if (Keys::table[row].band != Keys::Band::Playback)
            continue;
        placeKey(frm_playback, row,
                 twips(left, keyTopInFrameTwips, Keys::table[row].width, keyHeightTwips));
        left += Keys::table[row].width + keyGapTwips;
    }
    const int power = Keys::index("Power");
    const int powerWidth = Keys::table[power].width;
    placeKey(client, power,
             twips(handsetWidthTwips - marginTwips - powerWidth, bandTopTwips + keyTopInFrameTwips,
                   powerWidth, keyHeightTwips));
    frm_recorder = place<QGroupBox>(
        client, "frm_recorder"_L1, u"recorder"_s,
        twips(marginTwips, secondRow, handsetWidthTwips - 2 * marginTwips, bandRowTwips));
    left = marginTwips;
    for (int row = 0; row < Keys::count; ++row) {
        if (Keys::table[row].band != Keys::Band::Recorder)
            continue;
        placeKey(frm_recorder, row,
                 twips(left, keyTopInFrameTwips, Keys::table[row].width, keyHeightTwips));
        left += Keys::table[row].width + keyGapTwips;
    }
}

void frm_main::wireClicks()
{
    // The keys' buttons are wired as they are placed.
    const std::pair<QPushButton *, void (frm_main::*)()> clicks[] = {
        {cmd_connect, &frm_main::cmd_connect_Click},
        {cmd_disconnect, &frm_main::cmd_disconnect_Click},
        {cmd_sendmsg, &frm_main::cmd_sendmsg_Click},
        {cmd_goch, &frm_main::cmd_goch_Click},
    };
    for (const auto &[button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);

    connect(mnu_end, &QAction::triggered, this, &frm_main::mnu_end_Click);
}
