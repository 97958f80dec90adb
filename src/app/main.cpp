#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrevik"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Ostrevik"));
    window.resize(793, 508);
    window.show();
    return app.exec();
}
