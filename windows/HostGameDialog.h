#pragma once
// File > Host Game...: the player's name, the port, and whether the game
// refuses offensive words. The main window hosts when the fields read right,
// then closes the dialog, or shows here why it could not.

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class HostGameDialog : public QDialog
{
    Q_OBJECT
public:
    explicit HostGameDialog(const QPixmap& background, QWidget* parent = nullptr);

    struct Request {
        QString name; // trimmed, within the host's limit
        quint16 port = 0;
        bool cleanWords = false;
    };
    // Called when the player accepts fields that read right.
    std::function<void(const Request&)> onHost;
    // Ports below 1024 are refused unless the system lets this program have them.
    bool lowPortsAllowed = false;

    // Fills the fields and puts the keyboard in the name.
    void prepare(const QString& name, quint16 port, bool cleanWords);
    // Why hosting did not happen; the dialog stays open.
    void showProblem(const QString& text);
    // Hosted: the dialog closes.
    void finish();
    QString problem() const;

    QLineEdit* nameField() const { return m_name; }
    QLineEdit* portField() const { return m_port; }
    QCheckBox* cleanWordsBox() const { return m_cleanWords; }

    // Enter and "Host": the fields are checked, then onHost decides.
    void accept() override;

private:
    QLineEdit* m_name = nullptr;
    QLineEdit* m_port = nullptr;
    QCheckBox* m_cleanWords = nullptr;
    QLabel* m_problem = nullptr;
    QPushButton* m_host = nullptr;
};
