// The QML plugin of the module Lumenvale: an engine that imports Lumenvale
// from its import path loads it and gets `Terminal` (TerminalItem).
#include <QQmlExtensionPlugin>

#include "lumenvale/terminal_item.h"

namespace vesper {

class LumenvaleQmlPlugin : public QQmlExtensionPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QQmlExtensionInterface_iid)

public:
    void registerTypes(const char *) override { register_qml_types(); }
};

} // namespace vesper

#include "lumenvale_qml_plugin.moc"
