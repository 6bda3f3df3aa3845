import QtQuick
import QtQuick.Controls.impl

// A bundled symbol tinted in one colour.
Item {
    id: symbolItem
    property string symbol
    property real size: 14
    property alias color: image.color

    implicitWidth: size
    implicitHeight: size
    Accessible.ignored: true

    IconImage {
        id: image
        anchors.fill: parent
        source: symbolItem.symbol ? Symbols.url(symbolItem.symbol) : ""
        sourceSize.width: symbolItem.size
        sourceSize.height: symbolItem.size
        color: Theme.text
    }
}
