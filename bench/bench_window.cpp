// SPDX-License-Identifier: GPL-2.0-or-later
// The window programs the benchmark starts as child processes. Built twice: with the handset
// window (BENCH_HANDSET) and with a bare window of plain buttons, the floor it is compared to.
//   (no arguments)    show the window, print the monotonic time in ns once it is first
//                     exposed and painted, and quit
//   --idle PORT       handset only: connect to 127.0.0.1:PORT, print "connected" when the
//                     window shows the connection, then stay idle until ended
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>

#ifdef BENCH_HANDSET
#include "frm_main.h"
#include <QLineEdit>
#else
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QWidget>
#endif

using namespace Qt::StringLiterals;

namespace {

// Expose is where a widget window paints itself for the first time; the zero timer fires
// after that paint, so the time printed there is the window shown.
class ShownProbe : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Expose && watched->isWindowType()
            && static_cast<QWindow *>(watched)->isExposed()) {
            m_seen = true;
            QTimer::singleShot(0, this, [] {
                timespec now {};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("%lld\n", now.tv_sec * 1000000000LL + now.tv_nsec);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

#ifndef BENCH_HANDSET
// As many plain buttons as the handset and its band have widgets, and as many menu entries in as
// many submenus as its menus, in one fixed-size window.
class BareWindow : public QWidget
{
public:
    static constexpr int buttons = 62;
    static constexpr int submenus = 7;
    static constexpr int entries = 57;

    BareWindow()
    {
        setWindowTitle(u"Bare"_s);
        auto *bar = new QMenuBar(this);
        bar->addMenu(u"File"_s)->addAction(u"Exit"_s);
        QMenu *keys = bar->addMenu(u"Keys"_s);
        QMenu *submenu = nullptr;
        for (int i = 1; i < entries; ++i) {
            if (i % (entries / submenus + 1) == 1)
                submenu = keys->addMenu(QString::number(i));
            submenu->addAction(QString::number(i));
        }
        for (int i = 0; i < buttons; ++i)
            (new QPushButton(QString::number(i), this))
                ->setGeometry(8 + i % 8 * 72, 32 + i / 8 * 32, 64, 24);
        setFixedSize(8 + 8 * 72, 32 + 8 * 32);
    }
};
#endif

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
#ifdef BENCH_HANDSET
    frm_main window;
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments.at(1) == "--idle"_L1) {
        window.findChild<QLineEdit *>(u"txt_ip"_s)->setText(u"127.0.0.1"_s);
        window.findChild<QLineEdit *>(u"txt_port"_s)->setText(arguments.at(2));
        QObject::connect(
            &window.link(), &RecorderLink::connectionUp, &window,
            [] {
                std::puts("connected");
                std::fflush(stdout);
            },
            Qt::SingleShotConnection);
        window.show();
        window.cmd_connect_Click();
        return app.exec();
    }
#else
    BareWindow window;
#endif
    ShownProbe probe;
    app.installEventFilter(&probe);
    window.show();
    return app.exec();
}
