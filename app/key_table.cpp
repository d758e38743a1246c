// SPDX-License-Identifier: GPL-2.0-or-later
#include "key_table.h"

#include "command_lines.h"

namespace Keys {

const QString &line(int row)
{
    // Built once, so that nothing stands between a press and the wire that need not.
    static const auto lines = [] {
        std::array<QString, count> built;
        for (int r = 0; r < count; ++r)
            built[r] = Svdrp::line(QString::fromLatin1(table[r].command));
        return built;
    }();
    return lines[row];
}

int rowOfKeyCode(int keyCode)
{
    // Virtual-key codes are below 256.
    static const auto rows = [] {
        std::array<qint8, 256> built;
        built.fill(-1);
        for (int r = 0; r < count; ++r) {
            for (const int code : table[r].keyCodes) {
                if (code > 0)
                    built[code] = qint8(r);
            }
        }
        return built;
    }();
    return keyCode > 0 && keyCode < int(rows.size()) ? rows[keyCode] : -1;
}

int rowOfMediaKey(int qtKey)
{
    // Every key below the first media key is an ordinary one: the search is not worth it.
    if (qtKey < Qt::Key_VolumeDown)
        return -1;
    for (int r = 0; r < count; ++r) {
        for (const Qt::Key key : table[r].mediaKeys) {
            if (key && key == qtKey)
                return r;
        }
    }
    return -1;
}

QList<QKeySequence> shortcuts(int row)
{
    QList<QKeySequence> sequences;
    for (const int code : table[row].keyCodes) {
        if (code > 0)
            sequences.append(Keyboard::keySequence(code));
    }
    for (const Qt::Key media : table[row].mediaKeys) {
        if (media)
            sequences.append(QKeySequence(media));
    }
    return sequences;
}

} // namespace Keys
