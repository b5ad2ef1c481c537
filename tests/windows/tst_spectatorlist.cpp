#include "windows/SpectatorList.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <vector>

namespace
{

QPixmap plainPicture()
{
    QPixmap picture(40, 30);
    picture.fill(Qt::white);
    return picture;
}

// A mouse movement over the list's viewport, delivered the way the window system would.
void moveMouseTo(QListWidget* list, QPoint pos)
{
    QWidget* viewport = list->viewport();
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(viewport->mapToGlobal(pos)), Qt::NoButton, Qt::NoButton,
        Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
}

void moveMouseOverRow(QListWidget* list, int row) { moveMouseTo(list, list->visualItemRect(list->item(row)).center()); }

QPoint belowLastRow(QListWidget* list)
{
    const QRect last = list->visualItemRect(list->item(list->count() - 1));
    return QPoint(last.center().x(), last.bottom() + 20);
}

} // namespace

class SpectatorListTest : public QObject
{
    Q_OBJECT

private slots:
    void windowHasDocumentedParts();
    void linesFollowSpectatorsComingAndGoing();
    void tagFollowsTheMouse();
    void removeSendsOnlyForANumberedLineUnderTheMouse_data();
    void removeSendsOnlyForANumberedLineUnderTheMouse();
    void disabledRemoveSendsNothing();
    void menuAimsAtTheLineItWasOpenedOn();
    void okButtonCloses();
};

void SpectatorListTest::windowHasDocumentedParts()
{
    SpectatorList spies(plainPicture());
    QCOMPARE(spies.windowTitle(), QStringLiteral("Zirky -Spys"));
    QVERIFY(spies.findChild<QListWidget*>("listbox_spys"));
    QVERIFY(spies.removeAction());
    QCOMPARE(spies.removeAction()->text(), QStringLiteral("Remove From Game"));
    QCOMPARE(spies.listTag, -1);
}

void SpectatorListTest::linesFollowSpectatorsComingAndGoing()
{
    SpectatorList spies(plainPicture());
    auto* list = spies.findChild<QListWidget*>("listbox_spys");
    spies.addSpy(7, QStringLiteral("Ann"));
    spies.addSpy(8, QStringLiteral("Bob"));
    spies.addSpy(9, QStringLiteral("Zoë: the spy"));
    QCOMPARE(spies.spyCount(), 3);
    QCOMPARE(list->item(0)->text(), QStringLiteral("7: Ann"));
    QCOMPARE(list->item(2)->text(), QStringLiteral("9: Zoë: the spy"));
    QVERIFY(spies.hasSpy(8, QStringLiteral("Bob")));

    struct Case {
        const char* fault;
        int seat;
        const char* name;
        bool removed;
    };
    const std::vector<Case> cases = {
        { "right name in the wrong seat removed", 9, "Bob", false },
        { "right seat with another name removed", 8, "Bobby", false },
        { "prefix of a name matched", 8, "Bo", false },
        { "exact line not removed", 8, "Bob", true },
        { "same line removed twice", 8, "Bob", false },
    };
    for (const Case& c : cases) {
        QVERIFY2(spies.removeSpy(c.seat, QString::fromUtf8(c.name)) == c.removed, c.fault);
    }
    QCOMPARE(spies.spyCount(), 2);
    QVERIFY(!spies.hasSpy(8, QStringLiteral("Bob")));
    QVERIFY(spies.hasSpy(7, QStringLiteral("Ann")));
    QVERIFY(spies.removeSpy(9, QStringLiteral("Zoë: the spy")));
    QCOMPARE(spies.spyCount(), 1);

    // A new login in a listed seat (a new name, or the next spectator there) takes its line.
    for (int i = 0; i < 1000; ++i)
        spies.addSpy(7, QStringLiteral("Ann%1").arg(i));
    QCOMPARE(spies.spyCount(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("7: Ann999"));
}

void SpectatorListTest::tagFollowsTheMouse()
{
    SpectatorList spies(plainPicture());
    auto* list = spies.findChild<QListWidget*>("listbox_spys");
    spies.addSpy(7, QStringLiteral("Ann"));
    spies.addSpy(8, QStringLiteral("Bob"));
    spies.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spies));

    moveMouseOverRow(list, 1);
    QCOMPARE(spies.listTag, 1);
    QCOMPARE(list->property("tag").toInt(), 1);
    moveMouseOverRow(list, 0);
    QCOMPARE(spies.listTag, 0);
    moveMouseTo(list, belowLastRow(list));
    QCOMPARE(spies.listTag, -1);
    QCOMPARE(list->property("tag").toInt(), -1);
}

void SpectatorListTest::removeSendsOnlyForANumberedLineUnderTheMouse_data()
{
    // Lines shown, which one the mouse is over (-1 = below the last line), the seat expected.
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("hover");
    QTest::addColumn<int>("wantSeat");
    const QStringList spies = { "7: Ann", "8: Bob" };
    QTest::newRow("wrong line's seat sent") << spies << 1 << 8;
    QTest::newRow("sent with the mouse over no line") << spies << -1 << 0;
    QTest::newRow("name taken for the seat") << QStringList { "spy: Carl" } << 0 << 0;
    QTest::newRow("line without colon crashes or sends") << QStringList { "Dave" } << 0 << 0;
    QTest::newRow("blank before seat tolerated") << QStringList { " 9: Eve" } << 0 << 0;
    QTest::newRow("seat cut at the name's colon") << QStringList { "9: Fay: 3" } << 0 << 9;
}

void SpectatorListTest::removeSendsOnlyForANumberedLineUnderTheMouse()
{
    QFETCH(QStringList, lines);
    QFETCH(int, hover);
    QFETCH(int, wantSeat);
    SpectatorList spies(plainPicture());
    auto* list = spies.findChild<QListWidget*>("listbox_spys");
    list->addItems(lines);
    spies.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spies));
    std::vector<int> sent;
    spies.onKick = [&](int seat) { sent.push_back(seat); };

    moveMouseTo(list, hover < 0 ? belowLastRow(list) : list->visualItemRect(list->item(hover)).center());
    spies.removeAction()->trigger();
    if (wantSeat == 0) {
        QVERIFY(sent.empty());
    } else {
        QCOMPARE(sent.size(), size_t(1));
        QCOMPARE(sent.front(), wantSeat);
    }
}

void SpectatorListTest::disabledRemoveSendsNothing()
{
    SpectatorList spies(plainPicture());
    auto* list = spies.findChild<QListWidget*>("listbox_spys");
    spies.addSpy(7, QStringLiteral("Ann"));
    spies.addSpy(8, QStringLiteral("Bob"));
    spies.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spies));
    int calls = 0;
    spies.onKick = [&](int) { ++calls; };
    moveMouseOverRow(list, 1);

    spies.setRemoveEnabled(false);
    spies.removeAction()->trigger();
    QCOMPARE(calls, 0);

    // The remembered line went away: the next spectator in its place must not be removed.
    spies.setRemoveEnabled(true);
    QVERIFY(spies.removeSpy(8, QStringLiteral("Bob")));
    spies.addSpy(9, QStringLiteral("Cy"));
    spies.removeAction()->trigger();
    QCOMPARE(calls, 0);

    // No main window attached: nothing to call, no crash.
    spies.onKick = nullptr;
    moveMouseOverRow(list, 0);
    spies.removeAction()->trigger();
}

void SpectatorListTest::menuAimsAtTheLineItWasOpenedOn()
{
    SpectatorList spies(plainPicture());
    auto* list = spies.findChild<QListWidget*>("listbox_spys");
    spies.addSpy(7, QStringLiteral("Ann"));
    spies.addSpy(8, QStringLiteral("Bob"));
    spies.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spies));
    int sent = 0;
    spies.onKick = [&](int seat) { sent = seat; };

    moveMouseOverRow(list, 0);
    emit list->customContextMenuRequested(list->visualItemRect(list->item(1)).center());
    auto* menu = spies.findChild<QMenu*>("popup_spys");
    QVERIFY(menu);
    QVERIFY(menu->isVisible());
    QCOMPARE(spies.listTag, 1);
    spies.removeAction()->trigger();
    menu->close();
    QCOMPARE(sent, 8);
}

void SpectatorListTest::okButtonCloses()
{
    SpectatorList spies(plainPicture());
    spies.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spies));
    auto* ok = spies.findChild<QPushButton*>("button_ok");
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("Ok"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(spies.isHidden());
}

QTEST_MAIN(SpectatorListTest)
#include "tst_spectatorlist.moc"
