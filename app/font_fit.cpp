// SPDX-License-Identifier: GPL-2.0-or-later
// Fitting the desktop's font to the drawn layout: the boxes keep their size, so the font is
// made only as much smaller as the widest caption needs.
#include "frm_main.h"

#include "connection_status.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionButton>

#include <cmath>

namespace {

// Keeps captions off a button's bevel and a box's frame.
constexpr int captionMargin = 2;
// Group box titles start past the frame's corner.
constexpr int groupTitleIndent = 8;
constexpr qreal smallestPointSize = 6;
constexpr qreal pointStep = 0.25;

struct Caption
{
    QString text;
    qreal room = 0; // width available to the text, in pixels
};

Caption captionOf(const QWidget *widget)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect contents
            = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        return {button->text(), qreal(contents.width() - 2 * captionMargin)};
    }
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return {label->text(), qreal(label->contentsRect().width())};
    if (const auto *box = qobject_cast<const QGroupBox *>(widget))
        return {box->title(), qreal(box->width() - 2 * groupTitleIndent)};
    if (const auto *field = qobject_cast<const QLineEdit *>(widget)) {
        const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        return {field->text(), qreal(field->width() - 2 * (frame + captionMargin))};
    }
    return {};
}

bool allFit(const QList<Caption> &captions, const QFont &font)
{
    const QFontMetricsF metrics(font);
    return std::all_of(captions.begin(), captions.end(), [&metrics](const Caption &caption) {
        return metrics.horizontalAdvance(caption.text) <= caption.room;
    });
}

} // namespace

void frm_main::fitFont()
{
    QWidget *client = centralWidget();
    QList<Caption> captions;
    for (const QWidget *widget : client->findChildren<QWidget *>()) {
        // The status and answer lines elide texts that hold a host or the recorder's words;
        // every reason for not being connected must show whole.
        if (widget != lbl_info && widget != lbl_answer)
            captions.append(captionOf(widget));
    }
    for (int cause = 0; cause <= int(lastConnectionCause); ++cause)
        captions.append({ConnectionStatus::text(ConnectionCause(cause)),
                         qreal(lbl_info->contentsRect().width())});

    // The menu bar keeps the desktop's font; only the fixed layout below it is fitted.
    QFont font = client->font();
    const qreal desktopSize = QFontInfo(font).pointSizeF();
    // Text widths scale nearly with the size: the widest caption's share of its room names the
    // first size worth trying, so that few sizes are loaded before the first picture.
    const QFontMetricsF desktop(font);
    qreal scale = 1;
    for (const Caption &caption : std::as_const(captions)) {
        const qreal width = desktop.horizontalAdvance(caption.text);
        if (width > caption.room)
            scale = std::min(scale, caption.room / width);
    }
    if (scale == 1 || desktopSize <= smallestPointSize)
        return; // the desktop's font fits as it is, or is as small as it may be
    // At worst the smallest size there is, as when no size fits.
    const qreal steps = std::min(std::ceil(desktopSize * (1 - scale) / pointStep),
                                 std::ceil((desktopSize - smallestPointSize) / pointStep) - 1);
    for (qreal size = desktopSize - steps * pointStep; size > smallestPointSize;
         size -= pointStep) {
        font.setPointSizeF(size);
        if (allFit(captions, font))
            break;
    }
    client->setFont(font);
}
