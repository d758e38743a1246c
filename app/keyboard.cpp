// SPDX-License-Identifier: GPL-2.0-or-later
// The keyboard shortcuts: key presses reduced to virtual-key codes, the key preview that
// shows them to the window first, and the window's key-down handler that acts on them.
#include "keyboard.h"

#include "command_lines.h"
#include "frm_main.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>
#include <utility>

using namespace Qt::StringLiterals;

namespace Keyboard {

namespace {

// X keycodes of the main keyboard's digit row: 1 to 9, then 0.
constexpr quint32 xKeycodeOf1 = 10;
constexpr quint32 xKeycodeOf0 = 19;

int keypadKeyCode(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return Numpad0 + (key - Qt::Key_0);
    if (key == Qt::Key_Minus)
        return Subtract;
    return None;
}

int mainKeyCode(int key)
{
    // Qt numbers digits and letters by their characters, capitals for letters, as Windows does.
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Return;
    case Qt::Key_Escape:
        return Escape;
    case Qt::Key_Space:
        return Space;
    case Qt::Key_Left:
        return Left;
    case Qt::Key_Up:
        return Up;
    case Qt::Key_Right:
        return Right;
    case Qt::Key_Down:
        return Down;
    case Qt::Key_Menu:
        return Apps;
    default:
        return None;
    }
}

} // namespace

PhysicalKeys platformPhysicalKeys()
{
    const QString platform = QGuiApplication::platformName();
    return platform == "xcb"_L1 || platform.startsWith("wayland"_L1) ? PhysicalKeys::XKeycodes
                                                                     : PhysicalKeys::Unknown;
}

int keyCode(const QKeyEvent &event, PhysicalKeys physicalKeys)
{
#ifdef Q_OS_WIN
    // Windows reports the code itself; synthesized presses carry none.
    if (event.nativeVirtualKey() != 0)
        return int(event.nativeVirtualKey());
#endif
    if (event.modifiers().testFlag(Qt::KeypadModifier)) {
        if (const int code = keypadKeyCode(event.key()); code != None)
            return code;
        // The keypad's Enter, and the arrows that macOS counts as keypad keys.
        return mainKeyCode(event.key());
    }
    // The digit row by position: Qt names the key after the character that the layout and
    // Shift make of it ("!", or "&" on a French layout), which would lose the digit.
    if (physicalKeys == PhysicalKeys::XKeycodes) {
        const quint32 scanCode = event.nativeScanCode();
        if (scanCode >= xKeycodeOf1 && scanCode < xKeycodeOf0)
            return Digit0 + 1 + int(scanCode - xKeycodeOf1);
        if (scanCode == xKeycodeOf0)
            return Digit0;
    }
    return mainKeyCode(event.key());
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0)
        | (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0)
        | (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

} // namespace Keyboard

KeyPreview::KeyPreview(QWidget *window, KeyDown keyDown)
    : QObject(window)
    , m_window(window)
    , m_keyDown(std::move(keyDown))
{
    // On the application rather than the window: its filters run before any widget's own
    // handling, and the children need no filter of their own.
    QCoreApplication::instance()->installEventFilter(this);
}

bool KeyPreview::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::ContextMenu) || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->window() != m_window)
        return false;
    // The keyboard's Menu key is the handset's Menu. X delivers it as a context-menu request
    // before the key itself, and a text box's menu would open and take the key; a right click
    // still opens it.
    if (type == QEvent::ContextMenu)
        return static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard;

    const auto *press = static_cast<const QKeyEvent *>(event);
    const bool offeredOn
        = event == m_lastPress && press->timestamp() == m_lastTimestamp && widget == m_nextReceiver;
    m_lastPress = event;
    m_lastTimestamp = press->timestamp();
    m_nextReceiver = widget->isWindow() ? nullptr : widget->parentWidget();

    if (!offeredOn)
        m_keyDown(Keyboard::keyCode(*press, m_physicalKeys),
                  Keyboard::shiftState(press->modifiers()));
    return false;
}

void frm_main::Form_KeyDown(int KeyCode, [[maybe_unused]] int Shift)
{
    using namespace Keyboard;

    if (KeyCode >= '0' && KeyCode <= '9') {
        // The digit button's line, sent without pressing the button.
        m_link.vdr_send(Svdrp::digitLine(KeyCode - '0'));
    } else if (KeyCode == 'm' || KeyCode == Apps) {
        // Letters report capitals, so the code of "m" is the keypad's minus, not the M key.
        cmd_menu_Click();
    }

    // Separate tests rather than one choice; their codes differ from the ones above.
    static constexpr std::pair<int, void (frm_main::*)()> clicks[] = {
        {Up, &frm_main::cmd_up_Click},     {Down, &frm_main::cmd_down_Click},
        {Left, &frm_main::cmd_left_Click}, {Right, &frm_main::cmd_right_Click},
        {Back, &frm_main::cmd_back_Click}, {Return, &frm_main::cmd_ok_Click},
        {F1, &frm_main::cmd_red_Click},    {F2, &frm_main::cmd_green_Click},
        {F3, &frm_main::cmd_yellow_Click}, {F4, &frm_main::cmd_blue_Click},
    };
    for (const auto &[code, click] : clicks) {
        if (KeyCode == code)
            (this->*click)();
    }
}
