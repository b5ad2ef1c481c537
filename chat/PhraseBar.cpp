#include "PhraseBar.h"

#include "ChatOutbox.h"
#include "PhraseRows.h"

#include <QEvent>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <cmath>

ChatterMenu::ChatterMenu(ChatOutbox* outbox, QWidget* parent)
    : QMenu(parent)
    , m_outbox(outbox)
{
    setObjectName("popup_sounds");
    for (int n = 1; n <= chat::kChatterCount; ++n) {
        const std::string_view caption = chat::kChatterCaptions[static_cast<std::size_t>(n - 1)];
        QAction* item = addAction(QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size())));
        item->setObjectName(QStringLiteral("wave%1").arg(n));
        connect(item, &QAction::triggered, this, [this, n] { onChatterSoundChosen(n); });
    }
    addSeparator();
    addAction("<Cancel>")->setObjectName("wavecancel");
}

void ChatterMenu::onChatterSoundChosen(int number) { m_outbox->sendChatterSound(number); }

PhraseBar::PhraseBar(ChatOutbox* outbox, QWidget* parent)
    : QWidget(parent)
    , m_outbox(outbox)
{
    setObjectName("panel_phrases");
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    for (int n = 1; n <= 10; ++n) {
        auto* b = new QPushButton(this);
        b->setObjectName(QStringLiteral("b_phrase%1").arg(n));
        b->setFocusPolicy(Qt::NoFocus);
        m_buttons[static_cast<std::size_t>(n - 1)] = b;
        if (n < 10)
            connect(b, &QPushButton::clicked, this, [this, n] { onPhraseClicked(n); });
    }
    m_chatter = new ChatterMenu(outbox, this);
    QPushButton* sounds = m_buttons[9];
    sounds->setToolTip("See ya!");
    sounds->setText(QStringLiteral("\u266B"));
    sounds->setAccessibleName(QStringLiteral("Chatter sounds"));
    connect(sounds, &QPushButton::clicked, this,
        [this, sounds] { m_chatter->popup(sounds->mapToGlobal(QPoint(0, sounds->height()))); });
    setStoredPhrases({});
}

QPushButton* PhraseBar::button(int number) const
{
    return number >= 1 && number <= 10 ? m_buttons[static_cast<std::size_t>(number - 1)] : nullptr;
}

void PhraseBar::setStoredPhrases(const std::array<std::string, chat::kPhraseCount>& stored)
{
    QStringList list;
    for (const std::string& p : chat::phrasesFrom(stored))
        list << QString::fromStdString(p);
    setPhrases(list);
}

QStringList PhraseBar::phrases() const
{
    QStringList list;
    for (int n = 1; n <= chat::kPhraseCount; ++n)
        list << button(n)->toolTip();
    return list;
}

void PhraseBar::setPhrases(const QStringList& phrases)
{
    for (int n = 1; n <= chat::kPhraseCount && n <= phrases.size(); ++n) {
        button(n)->setToolTip(phrases[n - 1]);
        // The whole phrase, whatever the caption has room for.
        button(n)->setAccessibleName(QStringLiteral("Say: ") + phrases[n - 1]);
    }
    updateGeometry();
    place();
}

void PhraseBar::onPhraseClicked(int number)
{
    if (QPushButton* b = button(number); b && number <= chat::kPhraseCount)
        m_outbox->sendPhrase(b->toolTip());
}

namespace
{

// The caption broken at the space that makes its longer line shortest.
QString onTwoLines(const QString& text, const QFontMetricsF& fm)
{
    QString best = text;
    qreal widest = fm.horizontalAdvance(text);
    for (qsizetype at = text.indexOf(' '); at > 0; at = text.indexOf(' ', at + 1)) {
        const qreal w = std::max(fm.horizontalAdvance(text.left(at)), fm.horizontalAdvance(text.mid(at + 1)));
        if (w < widest) {
            widest = w;
            best = text.left(at) + '\n' + text.mid(at + 1);
        }
    }
    return best;
}

// A push button's size around `text` in `font`: its style's frame and margins,
// without the style's smallest width for buttons (short captions stay short).
QSize buttonSize(const QPushButton* b, const QFont& font, const QString& text)
{
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = text;
    option.fontMetrics = QFontMetrics(font);
    const QSize content = option.fontMetrics.size(Qt::TextShowMnemonic, text);
    const QSize styled = b->style()->sizeFromContents(QStyle::CT_PushButton, &option, content, b);
    const int margins = 2 * (b->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, b)
                            + b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, b));
    return { content.width() + margins, styled.height() };
}

constexpr int kGap = 2;

} // namespace

struct PhraseBar::Arrangement {
    chat::PhrasePlan plan;
    std::array<QString, chat::kPhraseCount> captions;
    int soundWidth = 0;
    int rowHeight = 0;
    int height = 0;
};

struct PhraseBar::Measured {
    std::vector<chat::PhraseWidths> widths;
    std::array<QString, chat::kPhraseCount> broken;
    int soundWidth = 0;
    int oneLineHeight = 0;
    qreal line = 0;
};

// What was measured holds while the captions and the style do: a change of
// phrase, of the sound button's caption or of style starts afresh.
struct PhraseBar::Remembered {
    QStringList phrases;
    QString soundCaption;
    const QStyle* style = nullptr;
    std::vector<std::pair<QFont, Measured>> fonts;
};

namespace
{
// A resize tries some twenty fonts; a drag across many sizes must not keep them all.
constexpr std::size_t kFontsKept = 64;
} // namespace

const PhraseBar::Measured& PhraseBar::measured(const QFont& font) const
{
    const QStringList phrases = this->phrases();
    const QString sound = button(10)->text();
    const QStyle* style = button(1)->style();
    if (!m_remembered || m_remembered->phrases != phrases || m_remembered->soundCaption != sound
        || m_remembered->style != style || m_remembered->fonts.size() >= kFontsKept)
        m_remembered = std::make_shared<Remembered>(Remembered { phrases, sound, style, {} });
    for (const auto& [f, m] : m_remembered->fonts)
        if (f == font)
            return m;
    Measured m;
    const QFontMetricsF fm(font);
    for (int n = 1; n <= chat::kPhraseCount; ++n) {
        const QString& phrase = phrases[n - 1];
        QString& broken = m.broken[static_cast<std::size_t>(n - 1)];
        broken = onTwoLines(phrase, fm);
        m.widths.push_back({ static_cast<double>(buttonSize(button(n), font, phrase).width()),
            static_cast<double>(buttonSize(button(n), font, broken).width()) });
    }
    m.soundWidth = std::max(buttonSize(button(10), font, sound).width(), static_cast<int>(fm.height() * 2.2));
    m.oneLineHeight = buttonSize(button(1), font, QStringLiteral("Ag")).height();
    m.line = fm.lineSpacing();
    m_remembered->fonts.emplace_back(font, std::move(m));
    return m_remembered->fonts.back().second;
}

PhraseBar::Arrangement PhraseBar::arrange(int width, const QFont& font, int minRow) const
{
    const Measured& m = measured(font);
    Arrangement a;
    a.soundWidth = m.soundWidth;
    const qreal padding = std::max<qreal>(m.oneLineHeight - m.line, minRow - m.line);
    a.plan = chat::planPhrases(m.widths, a.soundWidth, width, kGap, m.line, padding);
    const QStringList& phrases = m_remembered->phrases; // as measured() has just read them
    for (int n = 1; n <= chat::kPhraseCount; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        a.captions[i] = a.plan.twoLines ? m.broken[i] : phrases[n - 1];
    }
    a.rowHeight = static_cast<int>(std::ceil((a.plan.twoLines ? 2 : 1) * m.line + padding));
    a.height = a.plan.rows * a.rowHeight + (a.plan.rows - 1) * kGap;
    return a;
}

int PhraseBar::heightForWidth(int width) const { return arrange(width, font(), m_minRow).height; }

int PhraseBar::heightFor(int width, const QFont& font, int minRow) const { return arrange(width, font, minRow).height; }

void PhraseBar::setMinimumRowHeight(int minRow)
{
    if (minRow == m_minRow)
        return;
    m_minRow = minRow;
    updateGeometry();
    place();
}

void PhraseBar::place()
{
    const Arrangement a = arrange(width(), font(), m_minRow);
    std::vector<qreal> x(static_cast<std::size_t>(a.plan.rows), 0);
    for (int n = 1; n <= chat::kPhraseCount; ++n) {
        const std::size_t i = static_cast<std::size_t>(n - 1);
        const int r = a.plan.row[i];
        QPushButton* b = button(n);
        if (b->text() != a.captions[i])
            b->setText(a.captions[i]);
        const qreal left = x[static_cast<std::size_t>(r)];
        const qreal right = left + a.plan.width[i];
        b->setGeometry(qRound(left), r * (a.rowHeight + kGap), qRound(right) - qRound(left), a.rowHeight);
        x[static_cast<std::size_t>(r)] = right + kGap;
    }
    const int last = a.plan.lastRow;
    button(10)->setGeometry(width() - a.soundWidth, last * (a.rowHeight + kGap), a.soundWidth, a.rowHeight);
}

void PhraseBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    place();
}

void PhraseBar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        place();
    }
}
