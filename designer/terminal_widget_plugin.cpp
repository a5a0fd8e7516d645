#include "designer/terminal_widget_plugin.h"

#include <QIcon>

#include "lumenvale/terminal_widget.h"

TerminalWidgetPlugin::TerminalWidgetPlugin(QObject *parent) : QObject(parent) {}

// The class name uic writes into the generated form, namespace included.
QString TerminalWidgetPlugin::name() const { return QStringLiteral("vesper::TerminalWidget"); }
QString TerminalWidgetPlugin::group() const { return QStringLiteral("Display Widgets"); }
QString TerminalWidgetPlugin::toolTip() const { return QStringLiteral("A terminal emulator"); }
QString TerminalWidgetPlugin::whatsThis() const
{
    return QStringLiteral("Shows what a terminal program writes and sends it the keys typed; "
                          "attach a PtySession to run a program in it.");
}
QString TerminalWidgetPlugin::includeFile() const { return QStringLiteral("lumenvale/terminal_widget.h"); }
QIcon TerminalWidgetPlugin::icon() const { return QIcon(); }
bool TerminalWidgetPlugin::isContainer() const { return false; }
QWidget *TerminalWidgetPlugin::createWidget(QWidget *parent) { return new vesper::TerminalWidget(parent); }
bool TerminalWidgetPlugin::isInitialized() const { return m_initialized; }
void TerminalWidgetPlugin::initialize(QDesignerFormEditorInterface *) { m_initialized = true; }

QString TerminalWidgetPlugin::domXml() const
{
    return QStringLiteral(R"(<ui language="c++">
 <widget class="vesper::TerminalWidget" name="terminal">
  <property name="geometry"><rect><x>0</x><y>0</y><width>640</width><height>384</height></rect></property>
 </widget>
</ui>
)");
}
