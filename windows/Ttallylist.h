#pragma once
// The tally list window. The tally itself (grid, file, counters) comes with the tally work.

#include <QWidget>

class Ttallylist : public QWidget
{
    Q_OBJECT
public:
    explicit Ttallylist(const QPixmap& background, QWidget* parent = nullptr);
};
