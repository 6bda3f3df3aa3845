import QtQuick
import QtQuick.Layouts

// A symbol and a short title on a capsule.
Rectangle {
    property alias symbol: icon.symbol
    property alias title: label.text

    implicitWidth: row.implicitWidth + 20
    implicitHeight: row.implicitHeight + 14
    radius: height / 2
    color: Theme.ink(Theme.chipFillOpacity)
    Accessible.role: Accessible.StaticText
    Accessible.name: label.text

    RowLayout {
        id: row
        anchors.centerIn: parent
        spacing: 6
        Symbol {
            id: icon
            size: 12
            color: Theme.ink(Theme.chipTextOpacity)
        }
        Text {
            id: label
            color: Theme.ink(Theme.chipTextOpacity)
            font.pointSize: Theme.fontSize(12)
            font.weight: Font.Medium
        }
    }
}
