// SPDX-License-Identifier: GPL-2.0-or-later
// The handset's command buttons: each press builds its line and hands it to the link.
#include "frm_main.h"

#include "command_lines.h"

#include <QLineEdit>

using Svdrp::Key;

// clang-format off
void frm_main::cmd_up_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Up)); }
void frm_main::cmd_down_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Down)); }
void frm_main::cmd_left_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Left)); }
void frm_main::cmd_right_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Right)); }
void frm_main::cmd_ok_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Ok)); }
void frm_main::cmd_back_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Back)); }
void frm_main::cmd_menu_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Menu)); }
void frm_main::cmd_red_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Red)); }
void frm_main::cmd_green_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Green)); }
void frm_main::cmd_yellow_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Yellow)); }
void frm_main::cmd_blue_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Blue)); }
void frm_main::cmd_volplus_Click() { m_link.vdr_send(Svdrp::keyLine(Key::VolumePlus)); }
void frm_main::cmd_volminus_Click() { m_link.vdr_send(Svdrp::keyLine(Key::VolumeMinus)); }
void frm_main::cmd_mute_Click() { m_link.vdr_send(Svdrp::keyLine(Key::Mute)); }
void frm_main::cmd_chplus_Click() { m_link.vdr_send(Svdrp::keyLine(Key::ChannelPlus)); }
void frm_main::cmd_chminus_Click() { m_link.vdr_send(Svdrp::keyLine(Key::ChannelMinus)); }
// clang-format on

void frm_main::cmd_number_Click(int Index)
{
    m_link.vdr_send(Svdrp::digitLine(Index));
}

void frm_main::cmd_goch_Click()
{
    // A box that does not hold a plain number sends nothing and keeps its text.
    if (const auto line = Svdrp::channelLine(txt_chan->text()))
        m_link.vdr_send(*line);
}

void frm_main::cmd_sendmsg_Click()
{
    m_link.vdr_send(Svdrp::messageLine(txt_msg->text()));
}
