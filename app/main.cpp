// SPDX-License-Identifier: GPL-2.0-or-later
#include "frm_main.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Lets a Wayland shell match the window to its menu entry, with that entry's name and icon.
    QGuiApplication::setDesktopFileName(u"org.example.zappomatic"_s);
    frm_main window;
    window.show();
    return app.exec();
}
