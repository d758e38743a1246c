#pragma once

#include <QLabel>

// The status line. It keeps the exact status text as its text, accessible name and tooltip,
// for screen readers and scripts, but draws it elided in the middle when the fixed width is
// too narrow, so that the end of "Connected to <long host> port <port>" stays in view.
class StatusLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    void setStatus(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
};
