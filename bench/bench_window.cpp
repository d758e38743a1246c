// SPDX-License-Identifier: GPL-2.0-or-later
// The window programs the benchmark starts as child processes. Built twice: with the handset
// window (BENCH_HANDSET) and with a bare window of plain buttons, the floor it is compared to.
//   (no arguments)    show the window, print the monotonic time in ns once it is first
//                     exposed and painted and the peak resident memory until then in KiB,
//                     and quit
//   --idle PORT       handset only: connect to 127.0.0.1:PORT, print "connected" when the
//                     window shows the connection, then stay idle until ended
//   --list PORT       handset only: connect likewise; once the channel list read is painted,
//                     print "listed NS TOP CHANNELS" (monotonic time in ns, the view's top rows
//                     and the channels listed), once the rows in view show their titles
//                     "titles", then stay idle until ended
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <optional>

#ifdef BENCH_HANDSET
#include "frm_main.h"
#include <QLineEdit>
#include <QTreeView>
#else
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QWidget>
#endif

using namespace Qt::StringLiterals;

namespace {

long long monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

long peakResidentKiB()
{
    long kib = -1;
    if (FILE *file = std::fopen("/proc/self/status", "r")) {
        char line[128];
        while (kib < 0 && std::fgets(line, sizeof line, file))
            if (std::sscanf(line, "VmHWM: %ld kB", &kib) != 1)
                kib = -1;
        std::fclose(file);
    }
    return kib;
}

// Expose is where a widget window paints itself for the first time; the zero timer fires
// after that paint, so the time printed there is the window shown. The peak memory is taken at
// the same point: what a window makes once its first picture is out is not its start-up, and
// whether that runs before the quit takes effect depends only on how the event loop batches it.
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
                const long long now = monotonicNs();
                std::printf("%lld %ld\n", now, peakResidentKiB());
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

#ifdef BENCH_HANDSET
// Reports the channel list shown: the first paint of the list's view after the guide read it,
// then the rows in view with what is on now, as the panel asked for them.
class ListProbe : public QObject
{
public:
    // The list's view is made once the window is first painted; a list read before that is
    // shown by the view's first paint.
    explicit ListProbe(frm_main &window)
    {
        connect(&window, &frm_main::completed, this, [this, &window] {
            m_view = window.findChild<QTreeView *>(u"lst_channels"_s);
            m_view->viewport()->installEventFilter(this);
        });
        // The view paints a new list only after the panel has handled it, whichever of the two
        // hears of it first.
        connect(&window.guide(), &RecorderGuide::listChanged, this, [this] { m_read = true; });
        connect(window.guide().channels(), &QAbstractItemModel::dataChanged, this,
                &ListProbe::lookAtTitles);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (m_read && !m_shown && event->type() == QEvent::Paint) {
            m_shown = true;
            // The zero timer fires once this paint is done.
            QTimer::singleShot(0, this, [this] {
                const long long now = monotonicNs();
                const QAbstractItemModel *rows = m_view->model();
                int channels = 0;
                for (int top = 0; top < rows->rowCount(); ++top)
                    channels += rows->rowCount(rows->index(top, 0));
                std::printf("listed %lld %d %d\n", now, rows->rowCount(), channels);
                std::fflush(stdout);
                lookAtTitles();
            });
        }
        return false;
    }

private:
    void lookAtTitles()
    {
        if (!m_shown || m_titled)
            return;
        const int height = m_view->viewport()->height();
        for (QModelIndex row = m_view->indexAt(QPoint(0, 0));
             row.isValid() && m_view->visualRect(row).top() < height; row = m_view->indexBelow(row))
            if (row.data(ChannelModel::NumberRole).toInt() > 0
                && row.siblingAtColumn(ChannelModel::NowColumn).data().toString().isEmpty())
                return;
        m_titled = true;
        std::puts("titles");
        std::fflush(stdout);
    }

    QTreeView *m_view = nullptr;
    bool m_read = false, m_shown = false, m_titled = false;
};
#else
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
    std::optional<ListProbe> listProbe;
    if (arguments.size() == 3 && arguments.at(1) == "--list"_L1)
        listProbe.emplace(window);
    if (arguments.size() == 3 && (arguments.at(1) == "--idle"_L1 || listProbe)) {
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
