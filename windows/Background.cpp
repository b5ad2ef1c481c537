#include "Background.h"

#include <QBrush>
#include <QColor>
#include <QDebug>
#include <QPalette>
#include <QWidget>

namespace
{

QPixmap loadBackground()
{
    QPixmap picture(QStringLiteral(":/background.jpg"));
    if (!picture.isNull())
        return picture;
    qWarning("zirky: background picture :/background.jpg could not be decoded; using a plain colour");
    QPixmap plain(kBackgroundWidth, kBackgroundHeight);
    plain.fill(QColor(QRgb(kBackgroundFallbackRgb)));
    return plain;
}

} // namespace

QPixmap zirkyBackground()
{
    // QPixmap needs the GUI application; a function-local static defers the load until then.
    static const QPixmap picture = loadBackground();
    return picture;
}

void applyBackground(QWidget* window, const QPixmap& picture)
{
    QPalette palette = window->palette();
    if (picture.isNull())
        palette.setColor(QPalette::Window, QColor(QRgb(kBackgroundFallbackRgb)));
    else
        palette.setBrush(QPalette::Window, QBrush(picture));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}
