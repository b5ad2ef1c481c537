#pragma once
// The About window. Its `version` label is also what the client logs in with.

#include <QWidget>

class QLabel;

class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AboutWindow(const QPixmap& background, QWidget* parent = nullptr);

    // The game version the host compares at login ("1.0.13").
    QString versionText() const;

    // The link label: opens the maker's web site in the default browser.
    void onSiteLinkClicked();

protected:
    // A click on the picture hides the window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_version = nullptr;
    QLabel* m_picture = nullptr;
};
