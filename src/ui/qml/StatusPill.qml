import QtQuick
import QtQuick.Layouts

// The coloured capsule beside the brand: a dot and the state's one-word label.
Rectangle {
    id: pill
    property string label
    property color tint
    property bool pulsing: false

    implicitWidth: row.implicitWidth + 18
    implicitHeight: row.implicitHeight + 10
    radius: height / 2
    color: Theme.withAlpha(tint, 0.14)
    Accessible.role: Accessible.StaticText
    Accessible.name: label

    RowLayout {
        id: row
        anchors.centerIn: parent
        spacing: 6
        PulsingDot {
            objectName: "statusDot"
            color: pill.tint
            active: pill.pulsing
        }
        Text {
            objectName: "pillLabel"
            text: pill.label
            color: pill.tint
            font.pointSize: Theme.fontSize(11)
            font.bold: true
        }
    }
}
