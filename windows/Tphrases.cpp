#include "Tphrases.h"

#include "Background.h"

Tphrases::Tphrases(const QPixmap& background, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("phrasesform"));
    setWindowTitle(QStringLiteral("Zirky - Phrase Buttons"));
    applyBackground(this, background);
    resize(360, 320);
}
