// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// Text from the recorder as the window may show it: every character that would not show, or
// would break the line (controls, format characters, lone surrogates, line and paragraph
// separators), becomes a blank, as the link does with control characters. Read the fields of a
// line after this, so that a field ends at such a character as it would at a blank.
QString shownText(QStringView text);
