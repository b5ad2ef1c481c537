#pragma once
// The tally list window. The tally itself (grid, file, counters) comes with the tally work.

#include <QWidget>

class Ttallylist : public QWidget
{
    Q_OBJECT
public:
    explicit Ttallylist(const QPixmap& background, QWidget* parent = nullptr);

    void addgame(const QString& winner);
    void addscore(int column, int value);
    int highestGameScore() const { return m_highestGame; }
    int highestTurnScore() const { return m_highestTurn; }
    int gamesRecorded() const { return m_games; }

private:
    int m_games = 0;
    int m_highestGame = 0;
    int m_highestTurn = 0;
};
