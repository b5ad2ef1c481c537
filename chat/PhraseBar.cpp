#include "PhraseBar.h"

#include "ChatOutbox.h"

#include <QHBoxLayout>
#include <QPushButton>

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
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int n = 1; n <= 10; ++n) {
        auto* b = new QPushButton(this);
        b->setObjectName(QStringLiteral("b_phrase%1").arg(n));
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumWidth(20);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        row->addWidget(b, n == 10 ? 0 : 1);
        m_buttons[static_cast<std::size_t>(n - 1)] = b;
        if (n < 10)
            connect(b, &QPushButton::clicked, this, [this, n] { onPhraseClicked(n); });
    }
    m_chatter = new ChatterMenu(outbox, this);
    QPushButton* sounds = m_buttons[9];
    sounds->setToolTip("See ya!");
    sounds->setText(QStringLiteral("\u266B"));
    sounds->setAccessibleName(QStringLiteral("Chatter sounds"));
    sounds->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    sounds->setFixedWidth(32);
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
    showCaptions();
}

void PhraseBar::onPhraseClicked(int number)
{
    if (QPushButton* b = button(number); b && number <= chat::kPhraseCount)
        m_outbox->sendPhrase(b->toolTip());
}

void PhraseBar::showCaptions()
{
    for (int n = 1; n <= chat::kPhraseCount; ++n) {
        QPushButton* b = button(n);
        b->setText(b->fontMetrics().elidedText(b->toolTip(), Qt::ElideRight, std::max(10, b->width() - 10)));
    }
}

void PhraseBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    showCaptions();
}
