#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PixvaleLink"));
    QLabel label(QStringLiteral("PixvaleLink"));
    label.resize(400, 250);
    label.show();
    return app.exec();
}
