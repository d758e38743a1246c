// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QLabel>

// A line of the window that reports: the status line and the recorder's answer. It keeps the
// exact text as its text and accessible name, for screen readers and scripts, but draws it
// elided where the fixed width is too narrow: the status line in the middle, so that the end of
// "Connected to <long host> port <port>" stays in view. The tooltip shows the whole text and the
// sentence of help that may come with it; the help is also the accessible description.
class StatusLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    void setElideMode(Qt::TextElideMode mode) { m_elideMode = mode; }
    // Written before each new text on the debug log, to tell the lines apart there.
    void setLogPrefix(const QString &prefix) { m_logPrefix = prefix; }
    void setStatus(const QString &text, const QString &help = {});

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Qt::TextElideMode m_elideMode = Qt::ElideMiddle;
    QString m_logPrefix;
};
