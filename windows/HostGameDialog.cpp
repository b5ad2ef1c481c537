#include "HostGameDialog.h"

#include "Background.h"
#include "DialogParts.h"
#include "app/GameAddress.h"
#include "app/PlayerName.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

HostGameDialog::HostGameDialog(const QPixmap& background, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("hostgameform"));
    setWindowTitle(QStringLiteral("Host Game"));
    applyBackground(this, background);

    auto* intro = new QLabel(QStringLiteral("Host a game on this computer: you take the first seat, and others "
                                            "join you with File \u2192 Join Game\u2026 or an invite link."),
        this);
    intro->setObjectName(QStringLiteral("label_intro"));
    intro->setWordWrap(true);

    m_name = dialogparts::lineEdit(this, "edit_name");
    m_port = dialogparts::lineEdit(this, "edit_port");
    m_port->setMaxLength(5);
    m_port->setInputMethodHints(Qt::ImhDigitsOnly);
    m_cleanWords = new QCheckBox(QStringLiteral("Refuse offensive words"), this);
    m_cleanWords->setObjectName(QStringLiteral("checkbox_cleanwords"));
    m_cleanWords->setToolTip(QStringLiteral("Nobody at your game may play a word on the list of offensive words."));
    m_problem = dialogparts::problemLabel(this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Your &name:"), m_name);
    form->addRow(QStringLiteral("&Port:"), m_port);
    form->addRow(QString(), m_cleanWords);

    auto* buttons = new QDialogButtonBox(this);
    m_host = buttons->addButton(QStringLiteral("&Host"), QDialogButtonBox::AcceptRole);
    m_host->setObjectName(QStringLiteral("button_host"));
    m_host->setDefault(true);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("button_cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &HostGameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &HostGameDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addStretch();
    layout->addWidget(buttons);
    setTabOrder(m_name, m_port);
    setTabOrder(m_port, m_cleanWords);
    resize(420, sizeHint().height());
}

void HostGameDialog::prepare(const QString& name, quint16 port, bool cleanWords)
{
    m_name->setText(name);
    m_port->setText(QString::number(port));
    m_cleanWords->setChecked(cleanWords);
    m_problem->clear();
    m_problem->hide();
    m_name->selectAll();
    m_name->setFocus();
}

void HostGameDialog::showProblem(const QString& text) { dialogparts::showProblem(m_problem, text); }

QString HostGameDialog::problem() const { return m_problem->isHidden() ? QString() : m_problem->text(); }

void HostGameDialog::finish() { QDialog::accept(); }

void HostGameDialog::accept()
{
    const std::string name = m_name->text().toStdString();
    if (const app::NameProblem p = app::nameProblem(name); p != app::NameProblem::None) {
        showProblem(QString::fromStdString(app::nameProblemText(p)));
        m_name->setFocus();
        return;
    }
    const app::HostPort port = app::parseHostPort(m_port->text().toStdString(), lowPortsAllowed);
    if (!port.problem.empty()) {
        showProblem(QString::fromStdString(port.problem));
        m_port->setFocus();
        m_port->selectAll();
        return;
    }
    m_problem->hide();
    // The dialog closes once the game is hosted; the main window decides.
    if (onHost)
        onHost({ QString::fromStdString(app::trimmedName(name)), static_cast<quint16>(port.port),
            m_cleanWords->isChecked() });
}
