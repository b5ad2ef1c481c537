#pragma once
// The phrase-button editor. Its fields and "Done" come with the phrase buttons.

#include <QWidget>

class Tphrases : public QWidget
{
    Q_OBJECT
public:
    explicit Tphrases(const QPixmap& background, QWidget* parent = nullptr);
};
