#include "status_label.h"

#include <QPainter>
#include <QStyle>

void StatusLabel::setStatus(const QString &text)
{
    // The poll repeats the connected text every half second; an unchanged name must not reach
    // screen readers again each time.
    if (text == this->text())
        return;
    setText(text);
    setAccessibleName(text);
    setToolTip(text);
}

void StatusLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect room = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, room.width());
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}
