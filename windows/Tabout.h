#pragma once
// The About window. Its `version` label is also what the client logs in with.

#include <QWidget>

class QLabel;

class Tabout : public QWidget
{
    Q_OBJECT
public:
    explicit Tabout(const QPixmap& background, QWidget* parent = nullptr);

    // The game version the host compares at login ("1.0.13").
    QString versionText() const;

private:
    QLabel* m_version = nullptr;
};
