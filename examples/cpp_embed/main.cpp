// cpp_embed: the smallest complete C++ terminal built on lumenvale. A main
// window holds a TerminalWidget attached to the platform's PtySession, which
// runs the user's shell (or the command given on the command line); the
// window title follows the program and the application exits with the
// program's exit code.
#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QTextStream>

#include <lumenvale/Attach>
#include <lumenvale/PtySession>
#include <lumenvale/TerminalWidget>

namespace {

QStringList commandFromArguments(QStringList args)
{
    args.removeFirst(); // the program's own name
    if (!args.isEmpty() && args.first() == QLatin1String("--"))
        args.removeFirst();
    if (!args.isEmpty())
        return args;
#ifdef Q_OS_WIN
    return {qEnvironmentVariable("COMSPEC", QStringLiteral("cmd.exe"))};
#else
    return {qEnvironmentVariable("SHELL", QStringLiteral("/bin/sh"))};
#endif
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList command = commandFromArguments(app.arguments());
    const QString program = command.takeFirst();

    QMainWindow window;
    auto *terminal = new vesper::TerminalWidget(&window);
    window.setCentralWidget(terminal);
    window.setWindowTitle(QFileInfo(program).fileName());
    window.resize(80 * terminal->cellWidth() + 20, 24 * terminal->cellHeight());

    // The session is a Qt child of the widget and ends with it; attach wires
    // output to feed, keys to write and grid changes to resize.
    vesper::PtySession *session = vesper::PtySession::create(terminal);
    vesper::attach(terminal, session);
    QObject::connect(session, &vesper::PtySession::finished, &app, &QApplication::exit);

    window.show();
    if (!session->start(program, command, {}, terminal->columns(), terminal->terminalRows())) {
        QTextStream(stderr) << "cpp_embed: " << session->error() << '\n';
        return 1;
    }
    return app.exec();
}
