// SPDX-License-Identifier: GPL-2.0-or-later
// The handset's command buttons: each press builds its line and hands it to the link. The keys
// are rows of the key table; their handlers here are the handset's names for them, and the way
// both a handset button and its shortcut press it.
#include "frm_main.h"

#include "command_lines.h"

#include <QLineEdit>

#include <algorithm>
#include <string_view>

using Keys::index;

namespace {

using Click = void (frm_main::*)();

struct HandsetClick
{
    std::string_view key;
    Click click;
};

// The handlers by key; the digits share cmd_number_Click.
constexpr HandsetClick handsetClicks[] = {
    {"Up", &frm_main::cmd_up_Click},
    {"Down", &frm_main::cmd_down_Click},
    {"Left", &frm_main::cmd_left_Click},
    {"Right", &frm_main::cmd_right_Click},
    {"Ok", &frm_main::cmd_ok_Click},
    {"Back", &frm_main::cmd_back_Click},
    {"Menu", &frm_main::cmd_menu_Click},
    {"Red", &frm_main::cmd_red_Click},
    {"Green", &frm_main::cmd_green_Click},
    {"Yellow", &frm_main::cmd_yellow_Click},
    {"Blue", &frm_main::cmd_blue_Click},
    {"Volume+", &frm_main::cmd_volplus_Click},
    {"Volume-", &frm_main::cmd_volminus_Click},
    {"Mute", &frm_main::cmd_mute_Click},
    {"CH+", &frm_main::cmd_chplus_Click},
    {"CH-", &frm_main::cmd_chminus_Click},
};

// The same by row, so that a press finds its handler without a search.
constexpr auto clicksByRow = []() consteval
{
    std::array<Click, Keys::count> clicks {};
    for (const auto &[key, click] : handsetClicks)
        clicks[index(key)] = click;
    return clicks;
}
();

// Every key of the handset's own drawing has its handler, and only those keys have shortcuts: a
// key the handset runs cannot fall through to nothing. (Checked by name: a sanitizing build
// cannot compare member pointers in a constant expression.)
static_assert([] {
    for (const Keys::Key &key : Keys::table) {
        const bool handset = key.band == Keys::Band::Handset;
        const bool handled = std::any_of(
            std::begin(handsetClicks), std::end(handsetClicks),
            [&key](const HandsetClick &click) { return click.key == std::string_view(key.name); });
        if ((handset && !handled && key.menu != Keys::Menu::Digits)
            || (key.keyCodes[0] && !handset))
            return false;
    }
    return true;
}());

} // namespace

void frm_main::handsetKey(int row)
{
    if (const Click click = clicksByRow[row])
        (this->*click)();
    else
        cmd_number_Click(row - index("0"));
}

// clang-format off
void frm_main::cmd_up_Click() { pressKey(index("Up")); }
void frm_main::cmd_down_Click() { pressKey(index("Down")); }
void frm_main::cmd_left_Click() { pressKey(index("Left")); }
void frm_main::cmd_right_Click() { pressKey(index("Right")); }
void frm_main::cmd_ok_Click() { pressKey(index("Ok")); }
void frm_main::cmd_back_Click() { pressKey(index("Back")); }
void frm_main::cmd_menu_Click() { pressKey(index("Menu")); }
void frm_main::cmd_red_Click() { pressKey(index("Red")); }
void frm_main::cmd_green_Click() { pressKey(index("Green")); }
void frm_main::cmd_yellow_Click() { pressKey(index("Yellow")); }
void frm_main::cmd_blue_Click() { pressKey(index("Blue")); }
void frm_main::cmd_volplus_Click() { pressKey(index("Volume+")); }
void frm_main::cmd_volminus_Click() { pressKey(index("Volume-")); }
void frm_main::cmd_mute_Click() { pressKey(index("Mute")); }
void frm_main::cmd_chplus_Click() { pressKey(index("CH+")); }
void frm_main::cmd_chminus_Click() { pressKey(index("CH-")); }
// clang-format on

void frm_main::cmd_number_Click(int Index)
{
    static_assert(index("9") == index("0") + 9, "the digits' rows are 0 to 9 in order");
    // A wrong index must not press a different key.
    if (Index >= 0 && Index <= 9)
        pressKey(index("0") + Index);
}

void frm_main::cmd_goch_Click()
{
    // A box that does not hold a plain number sends nothing and keeps its text.
    if (const auto line = Svdrp::channelLine(txt_chan->text()))
        m_link.vdr_send(*line, true);
}

void frm_main::cmd_sendmsg_Click()
{
    m_link.vdr_send(Svdrp::messageLine(txt_msg->text()));
}

bool frm_main::mediaKeyDown(int qtKey)
{
    const int row = Keys::rowOfMediaKey(qtKey);
    if (row < 0)
        return false;
    pressKey(row);
    return true;
}
