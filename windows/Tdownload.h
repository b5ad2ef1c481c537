#pragma once
// The window offered in a solo game: get the lobby program, or just play alone.
// Downloading and starting the lobby are not built yet; those buttons do nothing.

#include <QWidget>

class QLabel;
class QPushButton;

class Tdownload : public QWidget
{
    Q_OBJECT
public:
    explicit Tdownload(const QPixmap& background, QWidget* parent = nullptr);

    void Button1Click();

private:
    QPushButton* m_getbutton = nullptr;
    QPushButton* m_abortbutton = nullptr;
    QPushButton* m_button1 = nullptr;
    QPushButton* m_button2 = nullptr;
    QLabel* m_infolabel = nullptr;
    QLabel* m_infolabel2 = nullptr;
    QLabel* m_infolabel3 = nullptr;
};
