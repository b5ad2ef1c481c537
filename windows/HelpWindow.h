#pragma once
// The help window: pages chosen from a side bar of buttons, each button tagged with its page.

#include <QWidget>

#include <functional>
#include <map>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTextBrowser;

class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(const QPixmap& background, QWidget* parent = nullptr);

    // The side bar's "About" button: the main window shows its About window.
    std::function<void()> onAbout;

    // Brings page "memo" + tag to the front and heads it with the button's caption.
    void showPage(int tag);

    // Page tag in front (1 = "Overview").
    int currentPage() const;

private:
    void addPage(int tag, const QString& caption, const QString& html);

    QLabel* m_caption = nullptr;
    QStackedWidget* m_pages = nullptr;
    std::map<int, QTextBrowser*> m_memos;
    std::map<int, QString> m_captions;
    QWidget* m_sideBar = nullptr;
};
