#include "rules/Points.h"
#include "windows/AboutWindow.h"
#include "windows/Background.h"
#include "windows/DownloadWindow.h"
#include "windows/HelpWindow.h"
#include "windows/MakerSite.h"
#include "windows/PhraseListWindow.h"
#include "windows/SpectatorList.h"
#include "windows/StartGameDialog.h"
#include "windows/TallyWindow.h"

#include <QDate>
#include <QDesktopServices>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>

#include <functional>
#include <memory>

class TestAuxWindows : public QObject
{
    Q_OBJECT

private slots:
    void backgroundDecodesThroughJpegPlugin();
    void everyWindowTakesCaptionAndBackground_data();
    void everyWindowTakesCaptionAndBackground();
    void aboutShowsVersionAndYear();
    void helpSideBarBringsPagesForward_data();
    void helpSideBarBringsPagesForward();
    void helpScoringPageHoldsPointsTable();
    void helpAboutAndDoneButtons();
    void aboutOpensMakerSiteAndPictureHides();
    void downloadWindowControls();
};

void TestAuxWindows::backgroundDecodesThroughJpegPlugin()
{
    QImageReader reader(QStringLiteral(":/background.jpg"));
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));

    const QPixmap picture = zirkyBackground();
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), QSize(kBackgroundWidth, kBackgroundHeight));
    // Not the plain stand-in: the decoded picture varies across its surface.
    const QImage decoded = picture.toImage();
    QVERIFY(decoded.pixel(10, 10) != decoded.pixel(700, 500) || decoded.pixel(400, 20) != decoded.pixel(20, 400));
    // Loaded once and shared, not decoded per window.
    QCOMPARE(zirkyBackground().cacheKey(), picture.cacheKey());
}

using MakeWindow = std::function<QWidget*(const QPixmap&)>;
Q_DECLARE_METATYPE(MakeWindow)

void TestAuxWindows::everyWindowTakesCaptionAndBackground_data()
{
    QTest::addColumn<MakeWindow>("make");
    QTest::addColumn<QString>("caption");
    QTest::newRow("tally list") << MakeWindow([](const QPixmap& p) { return new TallyWindow(p); })
                                << "Zirky - Tally List";
    QTest::newRow("about") << MakeWindow([](const QPixmap& p) { return new AboutWindow(p); }) << "Zirky - About";
    QTest::newRow("help") << MakeWindow([](const QPixmap& p) { return new HelpWindow(p); }) << "Zirky - Help File";
    QTest::newRow("phrases") << MakeWindow([](const QPixmap& p) { return new PhraseListWindow(p); })
                             << "Zirky - Phrase Buttons";
    QTest::newRow("spy list") << MakeWindow([](const QPixmap& p) { return new SpectatorList(p); }) << "Zirky -Spys";
    QTest::newRow("game start") << MakeWindow([](const QPixmap& p) { return new StartGameDialog(p); })
                                << "Zirky - Start Game";
    QTest::newRow("download") << MakeWindow([](const QPixmap& p) { return new DownloadWindow(p); })
                              << "Download The Dravik Lobby";
}

void TestAuxWindows::everyWindowTakesCaptionAndBackground()
{
    QFETCH(MakeWindow, make);
    QFETCH(QString, caption);
    QPixmap marked(16, 16);
    marked.fill(QColor(12, 34, 56));
    std::unique_ptr<QWidget> window(make(marked));
    QCOMPARE(window->windowTitle(), caption);
    QVERIFY(window->isHidden());
    QVERIFY(window->autoFillBackground());
    const QBrush brush = window->palette().brush(QPalette::Window);
    QCOMPARE(brush.texture().cacheKey(), marked.cacheKey());

    // What a person sees: the picture's colour shows through where no control sits.
    window->resize(window->sizeHint().expandedTo(QSize(200, 150)));
    const QImage shot = window->grab().toImage();
    QCOMPARE(QColor(shot.pixel(2, 2)), QColor(12, 34, 56));
}

void TestAuxWindows::aboutShowsVersionAndYear()
{
    AboutWindow about(zirkyBackground());
    auto* version = about.findChild<QLabel*>("version");
    QVERIFY(version);
    QCOMPARE(version->text(), QStringLiteral("1.0.13"));
    QCOMPARE(about.versionText(), QStringLiteral("1.0.13"));
    // One version everywhere: no build number beside it reads as another version.
    QString shown;
    for (const QLabel* l : about.findChildren<QLabel*>())
        shown += l->text() + ' ';
    QVERIFY2(!shown.contains(QStringLiteral("1.0.13.")), qPrintable(shown));
    auto* year = about.findChild<QLabel*>("label_year");
    QVERIFY(year);
    QCOMPARE(year->text(), QString::number(QDate::currentDate().year()));

    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto* ok = about.findChild<QPushButton*>("button_ok");
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(about.isHidden());
}

void TestAuxWindows::helpSideBarBringsPagesForward_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("mustMention");
    QTest::newRow("connecting page lacks the port") << 2 << "Connecting"
                                                    << "7772";
    QTest::newRow("connecting page lacks the router advice") << 2 << "Connecting"
                                                             << "forward TCP port";
    QTest::newRow("connecting page lacks invite links") << 2 << "Connecting"
                                                        << "zirky://";
    QTest::newRow("game play page lacks the typing keys") << 3 << "Game Play"
                                                          << "6 shuffles";
    QTest::newRow("scoring page missing") << 4 << "Scoring"
                                          << "Extra points";
    QTest::newRow("documentation page lacks its heading") << 5 << "Documentation"
                                                          << "History";
    QTest::newRow("license page missing") << 6 << "License"
                                          << "warranty";
    QTest::newRow("lobby page under the wrong tag") << 11 << "The Lobby"
                                                    << "Lobby";
    QTest::newRow("overview not reachable again") << 1 << "Overview"
                                                  << "six players";
}

void TestAuxWindows::helpSideBarBringsPagesForward()
{
    QFETCH(int, tag);
    QFETCH(QString, caption);
    QFETCH(QString, mustMention);
    HelpWindow help(zirkyBackground());
    QCOMPARE(help.currentPage(), 1);
    QCOMPARE(help.findChild<QLabel*>("label_caption")->text(), QStringLiteral("Overview"));

    auto* button = help.findChild<QPushButton*>(QStringLiteral("SelButton%1").arg(tag));
    QVERIFY(button);
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->property("tag").toInt(), tag);
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(help.currentPage(), tag);
    QCOMPARE(help.findChild<QLabel*>("label_caption")->text(), caption);
    auto* memo = help.findChild<QTextBrowser*>(QStringLiteral("memo%1").arg(tag));
    QVERIFY(memo);
    QCOMPARE(help.findChild<QStackedWidget*>("pages")->currentWidget(), memo);
    QVERIFY2(memo->toPlainText().contains(mustMention), qPrintable(mustMention));
}

void TestAuxWindows::helpScoringPageHoldsPointsTable()
{
    HelpWindow help(zirkyBackground());
    const QString text = help.findChild<QTextBrowser*>("memo4")->toPlainText();
    // Rows as a player reads them: length, then points for 1 to 5 words.
    const char* rows[] = {
        "3\n60\n70\n80\n90\n100",
        "7\n500\n650\n800\n950\n1100",
        "8\n750\n1000\n1250\n1500\n1750",
        "10\n1500\n3000\n5000\n5000\n5000",
        "3 and 4 letters\n300",
        "7 and 8 letters\n1850",
    };
    for (const char* row : rows)
        QVERIFY2(text.contains(QString::fromLatin1(row)), row);
    // Every row the host scores with, so the page never promises other points.
    for (int length = rules::kMinWordLength; length <= rules::kMaxWordLength; ++length) {
        QString row = QString::number(length);
        for (int words = 1; words <= rules::kWordsPerLength; ++words)
            row += QLatin1Char('\n') + QString::number(rules::rowPoints(length, words));
        QVERIFY2(text.contains(row), qPrintable(row));
    }
    QVERIFY2(!text.contains(QStringLiteral("9 and 10")), "rows 9 and 10 earn no bonus");
}

void TestAuxWindows::helpAboutAndDoneButtons()
{
    HelpWindow help(zirkyBackground());
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    auto* about = help.findChild<QPushButton*>("SelButton10");
    QVERIFY(about);
    QCOMPARE(about->text(), QStringLiteral("About"));
    QTest::mouseClick(about, Qt::LeftButton); // nobody listening yet: no crash
    int shown = 0;
    help.onAbout = [&] { ++shown; };
    QTest::mouseClick(about, Qt::LeftButton);
    QCOMPARE(shown, 1);
    QCOMPARE(help.currentPage(), 1);
    QCOMPARE(help.findChild<QLabel*>("label_year")->text(), QString::number(QDate::currentDate().year()));

    auto* done = help.findChild<QPushButton*>("button_done");
    QVERIFY(done);
    QCOMPARE(done->text(), QStringLiteral("Done"));
    QTest::mouseClick(done, Qt::LeftButton);
    QVERIFY(help.isHidden());
}

// Catches the browser call without starting a browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

void TestAuxWindows::aboutOpensMakerSiteAndPictureHides()
{
    UrlCatcher catcher;
    const QString scheme = makerSiteUrl().scheme();
    QDesktopServices::setUrlHandler(scheme, &catcher, "open");

    AboutWindow about(zirkyBackground());
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto* link = about.findChild<QLabel*>("Label7");
    QVERIFY(link);
    QVERIFY2(link->text().contains(makerSiteUrl().toString()), "the address is shown");
    emit link->linkActivated(makerSiteUrl().toString()); // as a click on the link does
    QCOMPARE(catcher.opened, QList<QUrl> { makerSiteUrl() });

    // The main window's logo uses the same way out.
    QVERIFY(openMakerSite());
    QCOMPARE(catcher.opened.size(), 2);
    QDesktopServices::unsetUrlHandler(scheme);

    auto* picture = about.findChild<QLabel*>("image_picture");
    QVERIFY(picture);
    QVERIFY(!picture->pixmap().isNull());
    QTest::mouseClick(picture, Qt::LeftButton);
    QVERIFY(about.isHidden());
}

void TestAuxWindows::downloadWindowControls()
{
    DownloadWindow download(zirkyBackground());
    download.show();
    QVERIFY(QTest::qWaitForWindowExposed(&download));
    auto* get = download.findChild<QPushButton*>("getbutton");
    auto* abort = download.findChild<QPushButton*>("abortbutton");
    auto* solo = download.findChild<QPushButton*>("Button1");
    auto* others = download.findChild<QPushButton*>("Button2");
    QVERIFY(get && abort && solo && others);
    QCOMPARE(get->text(), QStringLiteral("Download And Install The Dravik Lobby Now"));
    QCOMPARE(abort->text(), QStringLiteral("Stop Download"));
    QVERIFY(!abort->isEnabled());
    QCOMPARE(others->text(), QStringLiteral("Play with Others"));
    for (const char* name : { "infolabel", "infolabel2", "infolabel3" }) {
        auto* label = download.findChild<QLabel*>(name);
        QVERIFY2(label, name);
        QVERIFY2(label->text().isEmpty(), name);
    }
    QCOMPARE(download.url(), lobbyInstallerUrl());

    QCOMPARE(solo->text(), QStringLiteral("Play Solo Game"));
    QTest::mouseClick(solo, Qt::LeftButton);
    QVERIFY(download.isHidden());
}

QTEST_MAIN(TestAuxWindows)
#include "tst_auxwindows.moc"
