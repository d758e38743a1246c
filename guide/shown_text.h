// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// Text from the recorder as the window may show it: every character that would not show, or
// would break the line (controls, format characters, lone surrogates, line and paragraph
// separators), becomes a blank, and blanks at either end go.
QString shownText(QStringView text);
