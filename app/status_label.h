// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QLabel>

// The status line. It keeps the exact status text as its text and accessible name, for screen
// readers and scripts, but draws it elided in the middle when the fixed width is too narrow, so
// that the end of "Connected to <long host> port <port>" stays in view. The tooltip shows the
// sentence of help that comes with a status, or else the whole text; the help is also the
// accessible description.
class StatusLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    void setStatus(const QString &text, const QString &help = {});

protected:
    void paintEvent(QPaintEvent *event) override;
};
