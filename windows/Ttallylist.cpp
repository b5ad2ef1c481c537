#include "Ttallylist.h"

#include "Background.h"

Ttallylist::Ttallylist(const QPixmap& background, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("tallylistform"));
    setWindowTitle(QStringLiteral("Zirky - Tally List"));
    applyBackground(this, background);
    resize(520, 380);
}

void Ttallylist::addgame(const QString&) { ++m_games; }

void Ttallylist::addscore(int column, int value) { (column == 3 ? m_highestGame : m_highestTurn) = value; }
