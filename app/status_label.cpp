// SPDX-License-Identifier: GPL-2.0-or-later
#include "status_label.h"

#include <QLoggingCategory>
#include <QPainter>
#include <QStyle>

namespace {
// Each new status on standard error, off unless QT_LOGGING_RULES="zappomatic.status.debug=true":
// for following the connection without looking at the window.
Q_LOGGING_CATEGORY(lcStatus, "zappomatic.status", QtInfoMsg)
} // namespace

void StatusLabel::setStatus(const QString &text, const QString &help)
{
    // The same words come again (one attempt after another failing the same way); an unchanged
    // name must not reach screen readers again each time.
    if (text == this->text() && help == accessibleDescription())
        return;
    setText(text);
    setAccessibleName(text);
    setAccessibleDescription(help);
    setToolTip(help.isEmpty() ? text : text + u'\n' + help);
    qCDebug(lcStatus).noquote() << m_logPrefix + text;
}

void StatusLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect room = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), m_elideMode, room.width());
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}
