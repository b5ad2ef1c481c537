#include "AboutWindow.h"

#include "Background.h"
#include "MakerSite.h"
#include "net/Commands.h"
#include "rules/Version.h"

#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

AboutWindow::AboutWindow(const QPixmap& background, QWidget* parent)
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
    m_version = new QLabel(QString::fromLatin1(rules::kVersion.data(), qsizetype(rules::kVersion.size())), this);
    m_version->setObjectName(QStringLiteral("version"));
    auto* versionRow = new QHBoxLayout;
    versionRow->setSpacing(0);
    versionRow->addStretch();
    versionRow->addWidget(versionCaption);
    versionRow->addSpacing(6);
    // The version alone, as --version and the help say it and as the host compares it at login.
    versionRow->addWidget(m_version);
    versionRow->addStretch();

    auto* credits
        = new QLabel(QStringLiteral("A word game for up to six players.\nWritten by the Zirky developers."), this);
    credits->setObjectName(QStringLiteral("label_credits"));
    credits->setAlignment(Qt::AlignCenter);
    auto* year = new QLabel(QString::number(QDate::currentDate().year()), this);
    year->setObjectName(QStringLiteral("label_year"));
    year->setAlignment(Qt::AlignCenter);

    // The link label: shows the maker's site and opens it in the browser.
    const QString site = makerSiteUrl().toString();
    auto* link
        = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(site.toHtmlEscaped(), site.toHtmlEscaped()), this);
    link->setObjectName(QStringLiteral("Label7"));
    link->setAlignment(Qt::AlignCenter);
    link->setTextFormat(Qt::RichText);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setCursor(Qt::PointingHandCursor);
    connect(link, &QLabel::linkActivated, this, &AboutWindow::onSiteLinkClicked);

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("image_picture"));
    m_picture->setPixmap(QPixmap(QStringLiteral(":/zirky-128.png")));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setToolTip(QStringLiteral("Click to close"));
    m_picture->installEventFilter(this);

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
    layout->addWidget(m_picture);
    layout->addWidget(title);
    layout->addLayout(versionRow);
    layout->addWidget(credits);
    layout->addWidget(year);
    layout->addWidget(link);
    layout->addLayout(buttons);
}

QString AboutWindow::versionText() const { return m_version->text(); }

void AboutWindow::onSiteLinkClicked()
{
    if (!openMakerSite())
        qWarning("no browser took %s", qPrintable(makerSiteUrl().toString()));
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_picture && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
