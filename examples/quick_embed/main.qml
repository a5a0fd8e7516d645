// A window with a Terminal and a ScrollBar bound to its scroll model; the
// C++ side attaches a session to the item named "terminal".
import QtQuick
import QtQuick.Controls
import Lumenvale 1.0

ApplicationWindow {
    width: 800
    height: 480
    visible: true
    title: terminal.title.length > 0 ? terminal.title : "quick_embed"

    Terminal {
        id: terminal
        objectName: "terminal"
        anchors.fill: parent
        anchors.rightMargin: scrollBar.width
        focus: true
    }
    ScrollBar {
        id: scrollBar
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
        orientation: Qt.Vertical
        policy: ScrollBar.AlwaysOn
        size: terminal.scrollSize
        position: terminal.scrollPosition
        onPositionChanged: if (pressed || active) terminal.scrollPosition = position
    }
}
