// SPDX-License-Identifier: GPL-2.0-or-later
// The keyboard shortcuts: key presses reduced to virtual-key codes, the key preview that
// shows them to the window first, and the window's key-down handler that acts on them.
#include "keyboard.h"

#include "frm_main.h"
#include "key_table.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>
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
    // Qt numbers digits by their characters, as Windows does.
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return Back;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Return;
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

QKeySequence keySequence(int code)
{
    if (code >= Digit0 && code <= Digit0 + 9)
        return QKeySequence(Qt::Key_0 + (code - Digit0));
    if (code >= F1 && code < F1 + 24)
        return QKeySequence(Qt::Key_F1 + (code - F1));
    switch (code) {
    case Back:
        return QKeySequence(Qt::Key_Backspace);
    case Return:
        return QKeySequence(Qt::Key_Return);
    case Left:
        return QKeySequence(Qt::Key_Left);
    case Up:
        return QKeySequence(Qt::Key_Up);
    case Right:
        return QKeySequence(Qt::Key_Right);
    case Down:
        return QKeySequence(Qt::Key_Down);
    case Apps:
        return QKeySequence(Qt::Key_Menu);
    case Subtract:
        return QKeySequence(Qt::KeypadModifier | Qt::Key_Minus);
    default:
        return {};
    }
}

} // namespace Keyboard

KeyPreview::KeyPreview(QWidget *window, KeyDown keyDown, MediaKey mediaKey)
    : QObject(window)
    , m_window(window)
    , m_keyDown(std::move(keyDown))
    , m_mediaKey(std::move(mediaKey))
{
    // On the application rather than the window: its filters run before any widget's own
    // handling, and the children need no filter of their own.
    QCoreApplication::instance()->installEventFilter(this);
}

void KeyPreview::leaveKeysTo(QWidget *area)
{
    m_ownKeys.append(area);
}

bool KeyPreview::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::ContextMenu) || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->window() != m_window)
        return false;
    const bool ownKeys = std::any_of(m_ownKeys.cbegin(), m_ownKeys.cend(), [widget](QWidget *area) {
        return area && (widget == area || area->isAncestorOf(widget));
    });
    // The keyboard's Menu key is the handset's Menu. X delivers it as a context-menu request
    // before the key itself, and a text box's menu would open and take the key; a right click
    // still opens it.
    if (type == QEvent::ContextMenu)
        return !ownKeys
            && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard;

    const auto *press = static_cast<const QKeyEvent *>(event);
    const bool offeredOn
        = event == m_lastPress && press->timestamp() == m_lastTimestamp && widget == m_nextReceiver;
    m_lastPress = event;
    m_lastTimestamp = press->timestamp();
    m_nextReceiver = widget->isWindow() ? nullptr : widget->parentWidget();

    if (offeredOn)
        return false;
    // A text box would ignore a media key anyway; taken here, it is the recorder's alone.
    if (m_mediaKey(press->key()))
        return true;
    if (ownKeys)
        return false;
    m_keyDown(Keyboard::keyCode(*press, m_physicalKeys));
    return false;
}

void frm_main::Form_KeyDown(int KeyCode)
{
    // Every shortcut has a code of its own, so a key runs one key of the table at most. The
    // handlers are called whether or not their buttons are enabled; vdr_send decides.
    if (const int row = Keys::rowOfKeyCode(KeyCode); row >= 0)
        handsetKey(row);
}
