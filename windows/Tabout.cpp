#include "Tabout.h"

#include "Background.h"
#include "net/Commands.h"

#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Tabout::Tabout(const QPixmap& background, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("aboutform"));
    setWindowTitle(QStringLiteral("Zirky - About"));
    applyBackground(this, background);

    auto* title = new QLabel(QStringLiteral("Zirky"), this);
    title->setObjectName(QStringLiteral("label_title"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    auto* versionCaption = new QLabel(QStringLiteral("Version"), this);
    m_version = new QLabel(QString::fromLatin1(net::kGameVersion.data(), qsizetype(net::kGameVersion.size())), this);
    m_version->setObjectName(QStringLiteral("version"));
    auto* build = new QLabel(QStringLiteral(".31"), this);
    build->setObjectName(QStringLiteral("label_build"));
    auto* versionRow = new QHBoxLayout;
    versionRow->setSpacing(0);
    versionRow->addStretch();
    versionRow->addWidget(versionCaption);
    versionRow->addSpacing(6);
    versionRow->addWidget(m_version);
    versionRow->addWidget(build);
    versionRow->addStretch();

    auto* credits
        = new QLabel(QStringLiteral("A word game for up to six players.\nWritten by the Zirky developers."), this);
    credits->setObjectName(QStringLiteral("label_credits"));
    credits->setAlignment(Qt::AlignCenter);
    auto* year = new QLabel(QString::number(QDate::currentDate().year()), this);
    year->setObjectName(QStringLiteral("label_year"));
    year->setAlignment(Qt::AlignCenter);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("button_ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(10);
    layout->addWidget(title);
    layout->addLayout(versionRow);
    layout->addWidget(credits);
    layout->addWidget(year);
    layout->addLayout(buttons);
}

QString Tabout::versionText() const { return m_version->text(); }
