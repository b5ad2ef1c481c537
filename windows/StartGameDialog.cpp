#include "StartGameDialog.h"

#include "Background.h"
#include "net/Fields.h"
#include "rules/Options.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFormLayout>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace
{

// A spin edit that keeps what the player typed, in range or not, so that the
// window can say what is wrong with it instead of quietly putting back a
// number; its arrows and steps stay within the option's range.
class OptionSpin : public QSpinBox
{
public:
    OptionSpin(QWidget* parent, const rules::OptionRange& allowed)
        : QSpinBox(parent)
        , m_allowed(allowed)
    {
        // Wide enough for any number a person types; the window judges it.
        setRange(-999999999, 999999999);
        setSingleStep(allowed.step);
    }
    const rules::OptionRange& allowed() const { return m_allowed; }
    void stepBy(int steps) override
    {
        const long long next = static_cast<long long>(value()) + static_cast<long long>(steps) * singleStep();
        setValue(static_cast<int>(std::clamp<long long>(next, m_allowed.min, m_allowed.max)));
        selectAll();
    }

protected:
    StepEnabled stepEnabled() const override
    {
        StepEnabled on = StepNone;
        if (value() < m_allowed.max)
            on |= StepUpEnabled;
        if (value() > m_allowed.min)
            on |= StepDownEnabled;
        return on;
    }

private:
    rules::OptionRange m_allowed;
};

QSpinBox* makeSpin(QWidget* parent, const char* name, const rules::OptionRange& range, int initial)
{
    auto* spin = new OptionSpin(parent, range);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setValue(initial);
    spin->setAlignment(Qt::AlignRight);
    spin->setMinimumWidth(90);
    return spin;
}

const rules::OptionRange& allowedRange(const QSpinBox* spin) { return static_cast<const OptionSpin*>(spin)->allowed(); }

// "5000 to 50000" beside its field, so the range is known before anything is typed.
QLabel* rangeLabel(QWidget* parent, const char* name, const rules::OptionRange& range)
{
    auto* label = new QLabel(QString::fromStdString(rules::rangeText(range)), parent);
    label->setObjectName(QString::fromLatin1(name) + QStringLiteral("_range"));
    label->setStyleSheet(QStringLiteral("color: #1d3557;"));
    return label;
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
    const rules::OptionRange& range = allowedRange(spin);
    if (const auto value = net::parseInt(text))
        spin->setValue(std::clamp(*value, range.min, range.max));
}

// What the settings file keeps: never a number the window would refuse.
std::string spinText(const QSpinBox* spin)
{
    const rules::OptionRange& range = allowedRange(spin);
    return std::to_string(std::clamp(spin->value(), range.min, range.max));
}

// The field's number as the player typed it; nothing when it holds none.
std::optional<int> typedNumber(QSpinBox* spin)
{
    QString text = spin->cleanText().trimmed();
    return net::parseInt(text.toStdString());
}

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
    const auto withRange = [panel](QSpinBox* spin, const char* name, const rules::OptionRange& range) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        row->addWidget(spin);
        row->addWidget(rangeLabel(panel, name, range));
        spin->setAccessibleDescription(
            QStringLiteral("From %1 to %2, in steps of %3").arg(range.min).arg(range.max).arg(range.step));
        return row;
    };
    form->addRow(labelPlayto, withRange(m_playtoscore, "playtoscore", rules::kPlayToScoreRange));
    form->addRow(labelTime, withRange(m_timeperturn, "timeperturn", rules::kTimePerTurnRange));
    form->addRow(m_labelZirked, withRange(m_zirked, "zirked", rules::kZirkedAtRange));
    for (QSpinBox* spin : { m_playtoscore, m_timeperturn, m_zirked })
        connect(spin, &QSpinBox::valueChanged, this, [this] {
            // A problem once fixed goes away; a new one waits for Start.
            if (!m_problem->isHidden())
                checkValues();
        });

    m_new = makeCheck(panel, "new", QStringLiteral("Allow New Tiles"), true);
    m_typing = makeCheck(panel, "typing", QStringLiteral("Allow Typing"), false);
    m_fast = makeCheck(panel, "fast", QStringLiteral("Fast Game"), false);

    auto* checks = new QVBoxLayout;
    checks->setSpacing(6);
    checks->addWidget(m_new);
    checks->addWidget(m_typing);
    checks->addWidget(m_fast);

    // Why Start did nothing, in words.
    m_problem = new QLabel(panel);
    m_problem->setObjectName(QStringLiteral("label_problem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #a01010; font-weight: bold;"));
    m_problem->hide();

    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(16, 14, 16, 14);
    panelLayout->setSpacing(12);
    panelLayout->addLayout(form);
    panelLayout->addWidget(m_problem);
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

QSpinBox* StartGameDialog::checkValues()
{
    const std::pair<QSpinBox*, const char*> fields[]
        = { { m_playtoscore, "Play To Score" }, { m_timeperturn, "Time Limit Per Turn" }, { m_zirked, "Zirked At" } };
    for (const auto& [spin, caption] : fields) {
        if (const auto problem = rules::optionProblem(caption, allowedRange(spin), typedNumber(spin))) {
            const QString text = QString::fromStdString(*problem);
            if (m_problem->text() != text) {
                m_problem->setText(text);
                // Read out at once: the window changed without the focus moving far.
                QAccessibleEvent changed(m_problem, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&changed);
            }
            m_problem->show();
            return spin;
        }
    }
    m_problem->clear();
    m_problem->hide();
    return nullptr;
}

void StartGameDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        onStartClicked();
        break;
    case Qt::Key_Escape:
        close();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

QString StartGameDialog::problemText() const { return m_problem->isHidden() ? QString() : m_problem->text(); }

void StartGameDialog::onStartClicked()
{
    // A number still being typed counts as the player sees it, not as it was before.
    for (QSpinBox* spin : { m_playtoscore, m_timeperturn, m_zirked })
        spin->interpretText();
    if (QSpinBox* wrong = checkValues()) {
        // Nothing starts with a number the game does not offer; the player fixes it here.
        wrong->setFocus();
        wrong->selectAll();
        return;
    }
    if (onStart)
        onStart();
    hide();
}
