// Pictures of the main window at its fullest (tests/client/FullTurn.h): the
// boxes full during the turn, then the end-of-turn word lists open.
//
//   board_shots OUT_PREFIX [--size WxH | --maximise] [--text-size N]
//
// Writes OUT_PREFIX-boxes.png and OUT_PREFIX-lists.png, each the window as it
// is on screen (menu bar included, frame not). tools/shoot-layout.sh runs it
// under Xvfb at the sizes worth looking at.

#include "FullTurn.h"
#include "windows/Background.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace
{

void settle(int ms)
{
    QTest::qWait(ms);
    QCoreApplication::processEvents();
}

void shoot(QWidget* window, const QString& path)
{
    const QPixmap picture = window->grab();
    if (!picture.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s  %dx%d\n", qPrintable(path), picture.width(), picture.height());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: board_shots OUT_PREFIX [--size WxH | --maximise] [--text-size N]\n");
        return 2;
    }
    const QString prefix = args[1];
    QSize size;
    bool maximise = false;
    int textSize = 0;
    for (int i = 2; i < args.size(); ++i) {
        if (args[i] == "--maximise") {
            maximise = true;
        } else if (args[i] == "--size" && i + 1 < args.size()) {
            const QStringList wh = args[++i].split('x');
            if (wh.size() == 2)
                size = QSize(wh[0].toInt(), wh[1].toInt());
        } else if (args[i] == "--text-size" && i + 1 < args.size()) {
            textSize = args[++i].toInt();
        }
    }

    QTemporaryDir dir;
    const QString settings = dir.filePath("draviklobby.ini");
    if (textSize > 0) {
        QFile f(settings);
        if (f.open(QIODevice::WriteOnly))
            f.write(QString("[zirky]\nTextsize=%1\n").arg(textSize).toUtf8());
    }
    const QPixmap background = zirkyBackground();
    MainWindow::Options options;
    options.args = { "Ann" }; // neither hosts nor joins: the lines below are the host
    options.settingsPath = settings.toStdString();
    MainWindow window(background, options);
    window.show();
    settle(200);

    fullturn::feed(window, fullturn::dealt());
    if (maximise) {
        window.showMaximized();
        settle(300);
        // Without a window manager nothing maximises: take the screen's room.
        if (!window.isMaximized() || window.width() < window.screen()->availableGeometry().width() - 40)
            window.setGeometry(window.screen()->availableGeometry());
    } else if (size.isValid()) {
        window.resize(size);
    }
    settle(300);
    fullturn::feed(window, fullturn::boxesFull());
    settle(300);
    shoot(&window, prefix + "-boxes.png");
    fullturn::feed(window, fullturn::turnOver());
    settle(300);
    shoot(&window, prefix + "-lists.png");
    return 0;
}
