#pragma once
// The board's documented controls found by their names, for the tests that
// play whole turns through a window.

#include "client/MainWindow.h"
#include "client/TileWidget.h"

#include <QLabel>
#include <QListWidget>
#include <QString>

namespace boardlookup
{

inline QString text(QWidget* root, const char* name)
{
    auto* l = root->findChild<QLabel*>(name);
    return l ? l->text() : QStringLiteral("<missing %1>").arg(name);
}

inline TileWidget* tile(MainWindow* window, int n)
{
    return window->findChild<TileWidget*>(QString("dice_%1").arg(n));
}

inline QListWidget* box(MainWindow* window, int length)
{
    return window->findChild<QListWidget*>(QString("list_%1").arg(length));
}

} // namespace boardlookup
