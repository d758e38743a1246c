// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "keyboard.h"

#include <QKeySequence>
#include <QList>
#include <QString>
#include <array>
#include <string_view>

// Every key the window can send, one row each: the handset's, the band's below it, and the
// rest of the recorder's keys, which the Keys menu offers. Buttons, menu entries, shortcuts,
// media keys, the desktop's media methods, the enabling, what a press tells the guide and the
// tests all come from these rows.
namespace Keys {

// Where a key's button sits: in the handset's own drawing (placed by the layout), or in the
// band below it, left to right in row order.
enum class Band : quint8 { None, Handset, Playback, Recorder, Power };

// The submenu of the Keys menu a key appears in; Power stands on its own.
enum class Menu : quint8 {
    None,
    Navigation,
    Colours,
    Digits,
    Playback,
    RecorderMenus,
    ChannelAndSound,
    UserKeys,
    Power,
};

// Whether a press may leave the recorder on another channel, and how the window learns which.
enum class Zap : quint8 {
    No,
    Maybe, // it may have zapped (digits, a step through a list): asked once a burst of them ends
    Switch, // a channel switch: its answer names the new channel
};

struct Key
{
    std::string_view name; // VDR's key name: the button's accessible name and the menu entry
    std::string_view command; // the line it sends, without its line end
    std::string_view button; // the button's object name; empty for a key of the menu alone
    std::string_view caption; // UTF-8
    Band band = Band::None;
    int width = 0; // a band button's width in twips
    Menu menu = Menu::None;
    Zap zap = Zap::No;
    // The handset's shortcuts, as virtual-key codes: the focused widget still gets the key.
    std::array<int, 2> keyCodes {};
    // Media keys: while the window has the focus they are the recorder's alone.
    std::array<Qt::Key, 2> mediaKeys {};
    // The desktop's media-player method (MPRIS) that presses this key; empty for none.
    std::string_view mpris {};
    // Whether a press may set a timer on the recorder (its Record key records what is on):
    // the timer list is read again once the keys settle.
    bool changesTimers = false;
};

// clang-format off
inline constexpr Key table[] = {
    // The handset's direction and colour keys, its digits, volume and channel steps.
    {"Up",          "hitk up",          "cmd_up",          "up",         Band::Handset,  0,    Menu::Navigation,      Zap::Maybe, {Keyboard::Up}},
    {"Down",        "hitk down",        "cmd_down",        "down",       Band::Handset,  0,    Menu::Navigation,      Zap::Maybe, {Keyboard::Down}},
    {"Left",        "hitk left",        "cmd_left",        "left",       Band::Handset,  0,    Menu::Navigation,      Zap::Maybe, {Keyboard::Left}},
    {"Right",       "hitk right",       "cmd_right",       "right",      Band::Handset,  0,    Menu::Navigation,      Zap::Maybe, {Keyboard::Right}},
    {"Ok",          "hitk ok",          "cmd_ok",          "OK",         Band::Handset,  0,    Menu::Navigation,      Zap::Maybe, {Keyboard::Return}},
    {"Back",        "hitk back",        "cmd_back",        "Back",       Band::Handset,  0,    Menu::Navigation,      Zap::Maybe, {Keyboard::Back}},
    {"Menu",        "hitk menu",        "cmd_menu",        "Menu",       Band::Handset,  0,    Menu::Navigation,      Zap::No,    {Keyboard::Subtract, Keyboard::Apps}},
    {"Red",         "hitk red",         "cmd_red",         "red",        Band::Handset,  0,    Menu::Colours,         Zap::No,    {Keyboard::F1}},
    {"Green",       "hitk green",       "cmd_green",       "green",      Band::Handset,  0,    Menu::Colours,         Zap::No,    {Keyboard::F2}},
    {"Yellow",      "hitk yellow",      "cmd_yellow",      "yellow",     Band::Handset,  0,    Menu::Colours,         Zap::No,    {Keyboard::F3}},
    {"Blue",        "hitk blue",        "cmd_blue",        "blue",       Band::Handset,  0,    Menu::Colours,         Zap::No,    {Keyboard::F4}},
    {"0",           "hitk 0",           "cmd_number",      "0",          Band::Handset,  0,    Menu::Digits,          Zap::Maybe, {Keyboard::Digit0}},
    {"1",           "hitk 1",           "cmd_number",      "1",          Band::Handset,  0,    Menu::Digits,          Zap::Maybe, {Keyboard::Digit0 + 1}},
    {"2",           "hitk 2",           "cmd_number",      "2",          Band::Handset,  0,    Menu::Digits,          Zap::Maybe, {Keyboard::Digit0 + 2}},
    {"3",           "hitk 3",           "cmd_number",      "3",          Band::Handset,  0,    Menu::Digits,          Zap::Maybe, {Keyboard::Digit0 + 3}},
    {"4",           "hitk 4",           "cmd_number",      "4",          Band::Handset,  0,    Menu::Digits,          Zap::Maybe, {Keyboard::Digit0 + 4}},
    {"5",           "hitk 5",           "cmd_number",      "5",          Band::Handset,  0,    Menu::Digits,          Zap::Maybe, {Keyboard::Digit0 + 5}},
    {"6",           "hitk 6",           "cmd_number",      "6",          Band::Handset,  0,    Menu::Digits,          Zap::Maybe, {Keyboard::Digit0 + 6}},
    {"7",           "hitk 7",           "cmd_number",      "7",          Band::Handset,  0,    Menu::Digits,          Zap::Maybe, {Keyboard::Digit0 + 7}},
    {"8",           "hitk 8",           "cmd_number",      "8",          Band::Handset,  0,    Menu::Digits,          Zap::Maybe, {Keyboard::Digit0 + 8}},
    {"9",           "hitk 9",           "cmd_number",      "9",          Band::Handset,  0,    Menu::Digits,          Zap::Maybe, {Keyboard::Digit0 + 9}},
    // A player's transport keys, left to right; the keyboard's one play key toggles.
    {"Play/Pause",  "hitk play/pause",  {},                {},           Band::None,     0,    Menu::Playback,        Zap::No,    {}, {Qt::Key_MediaPlay, Qt::Key_MediaTogglePlayPause}, "PlayPause"},
    {"Prev",        "hitk prev",        "cmd_prev",        "Prev",       Band::Playback, 960,  Menu::Playback,        Zap::Maybe, {}, {Qt::Key_MediaPrevious},                           "Previous"},
    {"FastRew",     "hitk fastrew",     "cmd_fastrew",     "Rewind",     Band::Playback, 960,  Menu::Playback,        Zap::No,    {}, {Qt::Key_AudioRewind}},
    {"Play",        "hitk play",        "cmd_play",        "Play",       Band::Playback, 960,  Menu::Playback,        Zap::No,    {}, {},                                                "Play"},
    {"Pause",       "hitk pause",       "cmd_pause",       "Pause",      Band::Playback, 960,  Menu::Playback,        Zap::No,    {}, {Qt::Key_MediaPause},                              "Pause"},
    {"Stop",        "hitk stop",        "cmd_stop",        "Stop",       Band::Playback, 960,  Menu::Playback,        Zap::No,    {}, {Qt::Key_MediaStop},                               "Stop"},
    {"Record",      "hitk record",      "cmd_record",      "Record",     Band::Playback, 960,  Menu::Playback,        Zap::No,    {}, {Qt::Key_MediaRecord},                            {},          true},
    {"FastFwd",     "hitk fastfwd",     "cmd_fastfwd",     "Forward",    Band::Playback, 960,  Menu::Playback,        Zap::No,    {}, {Qt::Key_AudioForward}},
    {"Next",        "hitk next",        "cmd_next",        "Next",       Band::Playback, 960,  Menu::Playback,        Zap::Maybe, {}, {Qt::Key_MediaNext},                               "Next"},
    // The recorder's menus, one press each.
    {"Info",        "hitk info",        "cmd_info",        "Info",       Band::Recorder, 600,  Menu::RecorderMenus,   Zap::No},
    {"Schedule",    "hitk schedule",    "cmd_schedule",    "Schedule",   Band::Recorder, 1080, Menu::RecorderMenus,   Zap::No},
    {"Channels",    "hitk channels",    "cmd_channels",    "Channels",   Band::Recorder, 1080, Menu::RecorderMenus,   Zap::No},
    {"Timers",      "hitk timers",      "cmd_timers",      "Timers",     Band::Recorder, 870,  Menu::RecorderMenus,   Zap::No},
    {"Recordings",  "hitk recordings",  "cmd_recordings",  "Recordings", Band::Recorder, 1290, Menu::RecorderMenus,   Zap::No},
    {"Setup",       "hitk setup",       "cmd_setup",       "Setup",      Band::Recorder, 780,  Menu::RecorderMenus,   Zap::No},
    {"Commands",    "hitk commands",    "cmd_commands",    "Commands",   Band::Recorder, 1290, Menu::RecorderMenus,   Zap::No},
    // Channel and sound: the handset's CH+ and CH- send VDR's channel step instead of a key.
    {"Channel+",    "hitk channel+",    {},                {},           Band::None,     0,    Menu::ChannelAndSound, Zap::Maybe},
    {"Channel-",    "hitk channel-",    {},                {},           Band::None,     0,    Menu::ChannelAndSound, Zap::Maybe},
    {"Volume+",     "hitk volume+",     "cmd_volplus",     "VOL+",       Band::Handset,  0,    Menu::ChannelAndSound, Zap::No,    {}, {Qt::Key_VolumeUp}},
    {"Volume-",     "hitk volume-",     "cmd_volminus",    "VOL-",       Band::Handset,  0,    Menu::ChannelAndSound, Zap::No,    {}, {Qt::Key_VolumeDown}},
    {"Mute",        "hitk mute",        "cmd_mute",        "Mute",       Band::Handset,  0,    Menu::ChannelAndSound, Zap::No,    {}, {Qt::Key_VolumeMute}},
    {"Audio",       "hitk audio",       "cmd_audio",       "Audio",      Band::Recorder, 780,  Menu::ChannelAndSound, Zap::No},
    {"Subtitles",   "hitk subtitles",   "cmd_subtitles",   "Subtitles",  Band::Recorder, 1050, Menu::ChannelAndSound, Zap::No},
    {"PrevChannel", "hitk prevchannel", "cmd_prevchannel", "Prev CH",    Band::Recorder, 930,  Menu::ChannelAndSound, Zap::Maybe},
    {"CH+",         "chan +",           "cmd_chplus",      "CH+",        Band::Handset,  0,    Menu::None,            Zap::Switch},
    {"CH-",         "chan -",           "cmd_chminus",     "CH-",        Band::Handset,  0,    Menu::None,            Zap::Switch},
    {"User0",       "hitk user0",       {},                {},           Band::None,     0,    Menu::UserKeys,        Zap::No},
    {"User1",       "hitk user1",       {},                {},           Band::None,     0,    Menu::UserKeys,        Zap::No},
    {"User2",       "hitk user2",       {},                {},           Band::None,     0,    Menu::UserKeys,        Zap::No},
    {"User3",       "hitk user3",       {},                {},           Band::None,     0,    Menu::UserKeys,        Zap::No},
    {"User4",       "hitk user4",       {},                {},           Band::None,     0,    Menu::UserKeys,        Zap::No},
    {"User5",       "hitk user5",       {},                {},           Band::None,     0,    Menu::UserKeys,        Zap::No},
    {"User6",       "hitk user6",       {},                {},           Band::None,     0,    Menu::UserKeys,        Zap::No},
    {"User7",       "hitk user7",       {},                {},           Band::None,     0,    Menu::UserKeys,        Zap::No},
    {"User8",       "hitk user8",       {},                {},           Band::None,     0,    Menu::UserKeys,        Zap::No},
    {"User9",       "hitk user9",       {},                {},           Band::None,     0,    Menu::UserKeys,        Zap::No},
    // Apart at the band's right end, where a slip on a neighbour cannot reach it.
    {"Power",       "hitk power",       "cmd_power",       "Power",      Band::Power,    855,  Menu::Power,           Zap::No},
};
// clang-format on

inline constexpr int count = int(std::size(table));

// The row of a key by its name, found while compiling: a name that is no row does not build.
consteval int index(std::string_view name)
{
    for (int row = 0; row < count; ++row) {
        if (table[row].name == name)
            return row;
    }
    throw "no such key";
}

// The row that the desktop's media-player method presses, found while compiling.
consteval int mprisRow(std::string_view method)
{
    for (int row = 0; row < count; ++row) {
        if (table[row].mpris == method)
            return row;
    }
    throw "no key for this method";
}

// The row's complete line, built once.
const QString &line(int row);
// The row a handset shortcut's virtual-key code runs, or -1.
int rowOfKeyCode(int keyCode);
// The row a media key runs, or -1.
int rowOfMediaKey(int qtKey);
// The row's keyboard shortcuts and media keys, for showing them.
QList<QKeySequence> shortcuts(int row);

} // namespace Keys
