#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zirky");
    QMainWindow window;
    window.setWindowTitle("Zirky");
    window.resize(795, 568);
    window.show();
    return app.exec();
}
