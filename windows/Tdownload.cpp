#include "Tdownload.h"

#include "Background.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumHeight(30);
    return button;
}

QLabel* makeInfo(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setProperty("tag", 0);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

Tdownload::Tdownload(const QPixmap& background, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("downloadform"));
    setWindowTitle(QStringLiteral("Download The Dravik Lobby"));
    applyBackground(this, background);

    auto* intro = new QLabel(QStringLiteral("You are playing a solo game.\n"
                                            "To play with others, install the Dravik Lobby."),
        this);
    intro->setObjectName(QStringLiteral("label_intro"));
    intro->setAlignment(Qt::AlignCenter);
    intro->setWordWrap(true);

    m_getbutton = makeButton(this, "getbutton", QStringLiteral("Download And Install The Dravik Lobby Now"));
    m_abortbutton = makeButton(this, "abortbutton", QStringLiteral("Stop Download"));
    m_abortbutton->setEnabled(false);
    m_infolabel = makeInfo(this, "infolabel");
    m_infolabel2 = makeInfo(this, "infolabel2");
    m_infolabel3 = makeInfo(this, "infolabel3");
    m_button1 = makeButton(this, "Button1", QStringLiteral("Play Solo Game"));
    m_button2 = makeButton(this, "Button2", QStringLiteral("Play with Others"));
    connect(m_button1, &QPushButton::clicked, this, &Tdownload::Button1Click);

    auto* downloadRow = new QHBoxLayout;
    downloadRow->addWidget(m_getbutton, 1);
    downloadRow->addWidget(m_abortbutton);
    auto* playRow = new QHBoxLayout;
    playRow->addWidget(m_button1);
    playRow->addWidget(m_button2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);
    layout->addWidget(intro);
    layout->addLayout(downloadRow);
    layout->addWidget(m_infolabel);
    layout->addWidget(m_infolabel2);
    layout->addWidget(m_infolabel3);
    layout->addLayout(playRow);
    resize(460, 260);
}

// The solo game is already running behind this window; it just goes on.
void Tdownload::Button1Click() { close(); }
