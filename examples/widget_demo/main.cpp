// widget_demo: puts a TerminalWidget in a QMainWindow and feeds it a page of
// coloured text (the 16 ANSI colours, the 256-colour cube, a truecolor ramp,
// renditions and wide characters). Typed keys are echoed back as a local
// loopback, so the cursor moves and the bytes show. With --screenshot FILE
// it renders one frame into FILE and exits (useful without a display).
#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include "lumenvale/terminal_widget.h"

namespace {

QByteArray colourPage()
{
    QByteArray page = "\x1b[1mlumenvale widget demo\x1b[0m\r\n\r\n";
    for (int i = 0; i < 16; ++i)
        page += "\x1b[48;5;" + QByteArray::number(i) + "m  ";
    page += "\x1b[0m  ANSI colours\r\n";
    for (int row = 0; row < 6; ++row) {
        for (int i = 0; i < 36; ++i)
            page += "\x1b[48;5;" + QByteArray::number(16 + row * 36 + i) + "m ";
        page += "\x1b[0m\r\n";
    }
    for (int i = 0; i < 72; ++i) {
        const int v = i * 255 / 71;
        page += "\x1b[48;2;" + QByteArray::number(v) + ";0;" + QByteArray::number(255 - v) + "m ";
    }
    page += "\x1b[0m\r\n\r\n";
    page += "\x1b[1mbold\x1b[0m \x1b[3mitalic\x1b[0m \x1b[4munderline\x1b[0m \x1b[9mstrike\x1b[0m "
            "\x1b[7mreverse\x1b[0m \x1b[1;31mbright red\x1b[0m \x1b[32mgreen\x1b[0m\r\n";
    page += "wide: \xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97 accents: r\xc3\xa9sum\xc3\xa9 \xce\xbb\r\n\r\n";
    page += "Type to echo; select with the mouse, Ctrl+Shift+C copies.\r\n$ ";
    return page;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto *terminal = new vesper::TerminalWidget(&window);
    window.setCentralWidget(terminal);
    window.resize(820, 520);
    window.setWindowTitle(QStringLiteral("widget_demo"));

    // Loopback: what the user types comes back as output (CR gets a LF).
    QObject::connect(terminal, &vesper::TerminalWidget::dataReady, terminal, [terminal](const QByteArray &bytes) {
        QByteArray echo = bytes;
        echo.replace("\r", "\r\n");
        echo.replace("\x7f", "\b \b");
        terminal->feed(echo);
    });
    window.show();
    terminal->setFocus();
    // Fed once the window has its size, so the page is laid out on the
    // final grid rather than on the widget's initial one.
    QTimer::singleShot(0, terminal, [terminal] { terminal->feed(colourPage()); });

    const QStringList args = app.arguments();
    const qsizetype shot = args.indexOf(QStringLiteral("--screenshot"));
    if (shot >= 0 && shot + 1 < args.size()) {
        QTimer::singleShot(200, &window, [&window, path = args.at(shot + 1)] {
            window.grab().save(path);
            QApplication::quit();
        });
    }
    return app.exec();
}
