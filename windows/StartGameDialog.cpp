#include "StartGameDialog.h"

#include "Background.h"
#include "net/Fields.h"
#include "rules/Options.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace
{

QSpinBox* makeSpin(QWidget* parent, const char* name, const rules::OptionRange& range, int initial)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(range.min, range.max);
    spin->setSingleStep(range.step);
    spin->setValue(initial);
    // A typed number outside the range becomes the nearest allowed one rather than silently
    // snapping back to the old value.
    spin->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    spin->setAlignment(Qt::AlignRight);
    spin->setMinimumWidth(90);
    return spin;
}

QCheckBox* makeCheck(QWidget* parent, const char* name, const QString& caption, bool checked)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    return box;
}

// Settings-file number: unparseable text leaves the field alone, out-of-range text is clamped.
void applyNumber(QSpinBox* spin, const std::optional<std::string>& stored, int fallback)
{
    const std::string text = stored.value_or(std::to_string(fallback));
    if (const auto value = net::parseInt(text))
        spin->setValue(std::clamp(*value, spin->minimum(), spin->maximum()));
}

std::string spinText(const QSpinBox* spin) { return QString::number(spin->value()).toStdString(); }

} // namespace

StartGameDialog::StartGameDialog(const QPixmap& background, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("gamestartform"));
    setWindowTitle(QStringLiteral("Zirky - Start Game"));
    applyBackground(this, background);

    auto* heading = new QLabel(QStringLiteral("GAME OPTIONS"), this);
    heading->setObjectName(QStringLiteral("label_heading"));
    heading->setAlignment(Qt::AlignCenter);
    QFont headingFont = heading->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.5);
    headingFont.setBold(true);
    headingFont.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    heading->setFont(headingFont);
    heading->setStyleSheet(QStringLiteral("color: #1d3557;"));

    // A translucent panel keeps the controls readable over any part of the picture.
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("panel_options"));
    panel->setStyleSheet(QStringLiteral("QFrame#panel_options { background: rgba(255, 255, 255, 150);"
                                        " border: 1px solid rgba(29, 53, 87, 90); border-radius: 8px; }"));

    m_playtoscore = makeSpin(panel, "playtoscore", rules::kPlayToScoreRange, rules::kDefaultPlayToScore);
    m_timeperturn = makeSpin(panel, "timeperturn", rules::kTimePerTurnRange, rules::kDefaultTimePerTurn);
    // The window's own first value, shown until the settings file is read, is the top of its range.
    m_zirked = makeSpin(panel, "zirked", rules::kZirkedAtRange, rules::kZirkedAtRange.max);

    auto* labelPlayto = new QLabel(QStringLiteral("Play To Score:"), panel);
    labelPlayto->setObjectName(QStringLiteral("label_playtoscore"));
    auto* labelTime = new QLabel(QStringLiteral("Time Limit Per Turn:"), panel);
    labelTime->setObjectName(QStringLiteral("label_timeperturn"));
    m_labelZirked = new QLabel(QStringLiteral("Zirked At:"), panel);
    m_labelZirked->setObjectName(QStringLiteral("label_zirked"));
    labelPlayto->setBuddy(m_playtoscore);
    labelTime->setBuddy(m_timeperturn);
    m_labelZirked->setBuddy(m_zirked);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(8);
    form->addRow(labelPlayto, m_playtoscore);
    form->addRow(labelTime, m_timeperturn);
    form->addRow(m_labelZirked, m_zirked);

    m_new = makeCheck(panel, "new", QStringLiteral("Allow New Tiles"), true);
    m_typing = makeCheck(panel, "typing", QStringLiteral("Allow Typing"), false);
    m_fast = makeCheck(panel, "fast", QStringLiteral("Fast Game"), false);

    auto* checks = new QVBoxLayout;
    checks->setSpacing(6);
    checks->addWidget(m_new);
    checks->addWidget(m_typing);
    checks->addWidget(m_fast);

    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(16, 14, 16, 14);
    panelLayout->setSpacing(12);
    panelLayout->addLayout(form);
    panelLayout->addLayout(checks);

    m_buttonStart = new QPushButton(QStringLiteral("Start Game"), this);
    m_buttonStart->setObjectName(QStringLiteral("button_start"));
    m_buttonStart->setDefault(true);
    m_buttonStart->setMinimumHeight(32);
    m_buttonStart->setMinimumWidth(140);
    QFont startFont = m_buttonStart->font();
    startFont.setBold(true);
    m_buttonStart->setFont(startFont);
    connect(m_buttonStart, &QPushButton::clicked, this, &StartGameDialog::onStartClicked);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_buttonStart);
    buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 16);
    layout->setSpacing(12);
    layout->addWidget(heading);
    layout->addWidget(panel);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

net::GameOptions StartGameDialog::options() const
{
    net::GameOptions result;
    result.team = false;
    result.playToScore = m_playtoscore->value();
    result.timePerTurn = m_timeperturn->value();
    result.zirkedAt = m_zirked->value();
    result.newTiles = m_new->isChecked();
    result.typing = m_typing->isChecked();
    result.fast = m_fast->isChecked() && !m_fastHidden;
    return result;
}

void StartGameDialog::setFastHidden(bool hidden)
{
    m_fastHidden = hidden;
    m_fast->setHidden(hidden);
}

void StartGameDialog::applySettings(std::optional<std::string> playto, std::optional<std::string> time,
    std::optional<std::string> zirkedAt, std::optional<std::string> newtiles, std::optional<std::string> fastgame,
    std::optional<std::string> typing)
{
    applyNumber(m_playtoscore, playto, rules::kDefaultPlayToScore);
    applyNumber(m_timeperturn, time, rules::kDefaultTimePerTurn);
    applyNumber(m_zirked, zirkedAt, rules::kDefaultZirkedAt);
    m_new->setChecked(newtiles.value_or("true") != "false");
    m_fast->setChecked(fastgame.value_or("true") != "false");
    m_typing->setChecked(typing.value_or("true") == "true");
}

app::StartWindowValues StartGameDialog::currentSettings() const
{
    return app::StartWindowValues { spinText(m_playtoscore), spinText(m_timeperturn), spinText(m_zirked),
        m_new->isChecked(), m_fast->isChecked(), m_typing->isChecked() };
}

void StartGameDialog::showCentredOn(QWidget* main)
{
    adjustSize();
    QRect area;
    if (main)
        area = main->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid()) {
        QRect box(QPoint(0, 0), frameGeometry().size());
        box.moveCenter(area.center());
        move(box.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void StartGameDialog::onStartClicked()
{
    // A number still being typed counts as the player sees it, not as it was before.
    for (QSpinBox* spin : { m_playtoscore, m_timeperturn, m_zirked })
        spin->interpretText();
    if (onStart)
        onStart();
    hide();
}
