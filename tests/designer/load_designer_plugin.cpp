// Loads a Designer plugin file as Qt Designer does and creates its widget:
// the plugin must offer TerminalWidget under the class name uic writes, and
// the widget it creates must be one.
// usage: load_designer_plugin PLUGIN_FILE
#include <QApplication>
#include <QPluginLoader>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: load_designer_plugin PLUGIN_FILE\n");
        return 2;
    }
    QPluginLoader loader(QString::fromLocal8Bit(argv[1]));
    auto *plugin = qobject_cast<QDesignerCustomWidgetInterface *>(loader.instance());
    if (!plugin) {
        std::fprintf(stderr, "not a Designer plugin: %s\n", qPrintable(loader.errorString()));
        return 1;
    }
    std::unique_ptr<QWidget> widget(plugin->createWidget(nullptr));
    const char *created = widget ? widget->metaObject()->className() : "nothing";
    if (plugin->name() != QLatin1String("vesper::TerminalWidget") || qstrcmp(created, "vesper::TerminalWidget") != 0 ||
        !plugin->domXml().contains(plugin->name())) {
        std::fprintf(stderr, "the plugin offers %s and created %s\n", qPrintable(plugin->name()), created);
        return 1;
    }
    widget->resize(320, 200);
    widget->show();
    app.processEvents();
    std::printf("%s offers and creates %s (%d columns)\n", argv[1], created,
                widget->property("columns").isValid() ? widget->property("columns").toInt() : -1);
    return 0;
}
