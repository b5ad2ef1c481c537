#include "PhraseListWindow.h"

#include "Background.h"
#include "app/IniFile.h"
#include "app/Settings.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

PhraseListWindow::PhraseListWindow(const QPixmap& background, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("phrasesform"));
    setWindowTitle(QStringLiteral("Zirky - Phrase Buttons"));
    applyBackground(this, background);
    log = [](const std::string& line) { std::fprintf(stderr, "zirky: %s\n", line.c_str()); };

    auto* column = new QVBoxLayout(this);
    auto* intro = new QLabel("The phrase each button sends (start with \"/me \" for an action):", this);
    intro->setWordWrap(true);
    column->addWidget(intro);
    auto* form = new QFormLayout;
    for (int i = 0; i < kFields; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edit_phrase%1").arg(i + 1));
        edit->setMaxLength(kMaxLength);
        form->addRow(QStringLiteral("Button %1:").arg(i + 1), edit);
        m_edits[static_cast<std::size_t>(i)] = edit;
    }
    column->addLayout(form);
    m_done = new QPushButton("Done", this);
    m_done->setObjectName("button_done");
    m_done->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_done);
    column->addLayout(buttons);
    connect(m_done, &QPushButton::clicked, this, &PhraseListWindow::onDoneClicked);
    resize(380, 360);
}

void PhraseListWindow::showPhrases(const QStringList& phrases)
{
    for (int i = 0; i < kFields; ++i)
        m_edits[static_cast<std::size_t>(i)]->setText(i < phrases.size() ? phrases[i] : QString());
    show();
    raise();
    activateWindow();
}

QStringList PhraseListWindow::phrases() const
{
    QStringList list;
    for (const QLineEdit* edit : m_edits)
        list << edit->text().left(kMaxLength);
    return list;
}

void PhraseListWindow::onDoneClicked()
{
    const QStringList list = phrases();
    emit phrasesChanged(list);
    if (!m_settingsPath.empty()) {
        // Read the file afresh: the main window may have written it since.
        app::IniFile ini;
        const auto loaded = ini.load(m_settingsPath);
        if (loaded == app::IniFile::LoadResult::TooLarge || loaded == app::IniFile::LoadResult::Unreadable) {
            log("phrases not saved: " + m_settingsPath + " cannot be read back safely");
        } else {
            std::array<std::string, kFields> stored;
            for (int i = 0; i < kFields; ++i)
                stored[static_cast<std::size_t>(i)] = list[i].toStdString();
            app::writePhrases(ini, stored);
            std::string error;
            if (!ini.save(m_settingsPath, &error))
                log("phrases not saved: " + error);
        }
    }
    close();
}
