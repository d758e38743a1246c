// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class QKeyEvent;
class QWidget;

// Keys as the handset's shortcuts know them: the virtual-key codes that Windows gives the
// physical keys, on every platform, so that the shortcut rules read the same everywhere.
namespace Keyboard {

enum Code : int {
    None = 0, // any key that runs no shortcut
    Back = 8,
    Return = 13, // also the keypad's Enter
    Left = 37,
    Up = 38,
    Right = 39,
    Down = 40,
    Digit0 = 48, // the main keyboard's digits 0..9 are 48..57, their characters' codes
    Apps = 93, // the keyboard's Menu key; Windows gives it this code too
    Numpad0 = 96, // the keypad's digits 0..9 are 96..105
    Subtract = 109, // the keypad's minus
    F1 = 112, // F1..F24 are 112..135
    F2,
    F3,
    F4,
};

// How the platform numbers physical keys in QKeyEvent::nativeScanCode().
enum class PhysicalKeys {
    Unknown,
    XKeycodes, // X11 and Wayland: the digit row is 10..19 (1..9, then 0)
};

PhysicalKeys platformPhysicalKeys();

// The key's code, modifiers ignored: Shift+1 is the 1 key even when the layout calls it "!".
int keyCode(const QKeyEvent &event, PhysicalKeys physicalKeys = platformPhysicalKeys());

// The key of a code, as Qt names and shows it.
QKeySequence keySequence(int code);

} // namespace Keyboard

// Shows the window each key press inside it before the widget with the focus gets it. An
// ordinary key still reaches that widget; a media key that the window takes does not.
class KeyPreview : public QObject
{
    Q_OBJECT

public:
    // Receives the key's code.
    using KeyDown = std::function<void(int keyCode)>;
    // Receives a media key (a Qt::Key); true when the window took it.
    using MediaKey = std::function<bool(int qtKey)>;

    // Watches the whole application, so it becomes a child of window and goes with it. keyDown is
    // called directly rather than through a signal: a digit key's line is sent from inside it,
    // and nothing should stand between the key and the wire.
    KeyPreview(QWidget *window, KeyDown keyDown, MediaKey mediaKey);
    // Keys pressed in area, media keys aside, are its own: they run no shortcut. Each call adds
    // an area.
    void leaveKeysTo(QWidget *area);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window = nullptr;
    QList<QPointer<QWidget>> m_ownKeys;
    KeyDown m_keyDown;
    MediaKey m_mediaKey;
    const Keyboard::PhysicalKeys m_physicalKeys = Keyboard::platformPhysicalKeys();
    // Qt offers a press that a widget ignores to the widget's parent next, as the same event
    // object; that offer is no new key. The next press may reuse the address, hence the
    // parent and the timestamp as well. The pointer is only compared, never read through.
    const QEvent *m_lastPress = nullptr;
    quint64 m_lastTimestamp = 0;
    QPointer<QWidget> m_nextReceiver;
};
