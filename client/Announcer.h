#pragma once
// Says what happens to a screen reader (AT-SPI, through Qt's accessibility):
// an empty little widget with the notification role whose name is the news.
// Each message renames it and shows it anew, so a reader that speaks
// notifications as they appear speaks it, and one that follows name changes
// does too. It draws nothing and takes no clicks.

#include <QWidget>

class Announcer : public QWidget
{
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);

    void say(const QString& text);
    const QString& lastSaid() const { return m_last; }

signals:
    // Each piece of news as it goes out, for whoever keeps a history of it.
    void said(const QString& text);

protected:
    void paintEvent(QPaintEvent*) override { }

private:
    QString m_last;
};
