// quick_embed: a C++ Qt Quick application with a terminal.  main.qml puts a
// Terminal (module Lumenvale) and a ScrollBar bound to it in a window; this
// side registers the module, attaches the platform's PtySession to the item
// and runs the user's shell (or the command given on the command line).  The
// application exits with the program's exit code.
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QTextStream>

#include "lumenvale/terminal_item.h"
#include "lumenvale/attach.h"
#include "lumenvale/pty_session.h"

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
    QGuiApplication app(argc, argv);
    QStringList command = commandFromArguments(app.arguments());
    const QString program = command.takeFirst();

    // Linked in: `import Lumenvale` needs no plugin on the import path.
    vesper::register_qml_types();
    QQmlApplicationEngine engine;
    engine.load(QUrl(QStringLiteral("qrc:/quick_embed/main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    auto *terminal = engine.rootObjects().first()->findChild<vesper::TerminalItem *>(QStringLiteral("terminal"));
    if (!terminal)
        return 1;

    // The session is a Qt child of the item and ends with it.
    vesper::PtySession *session = vesper::PtySession::create(terminal);
    vesper::attach(terminal, session);
    QObject::connect(session, &vesper::PtySession::finished, &app, &QGuiApplication::exit);
    if (!session->start(program, command, {}, terminal->columns(), terminal->terminalRows())) {
        QTextStream(stderr) << "quick_embed: " << session->error() << '\n';
        return 1;
    }
    return app.exec();
}
