// SPDX-License-Identifier: GPL-2.0-or-later
// The handset's command buttons: each press builds its line and hands it to the link. The keys
// are rows of the key table; their handlers here are the handset's names for them.
#include "frm_main.h"

#include "command_lines.h"

#include <QLineEdit>

using Keys::index;

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
