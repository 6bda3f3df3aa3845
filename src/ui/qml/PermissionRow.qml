import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

// A permission: what it is for, and either a check mark or the button that opens its help.
RowLayout {
    id: row
    property string title
    property string subtitle
    property bool granted
    property string buttonTitle: "Enable"
    signal open()

    Layout.fillWidth: true
    spacing: 12

    Rectangle {
        Layout.fillHeight: true
        implicitWidth: 3
        radius: 1.5
        color: row.granted ? "transparent" : Theme.orange
    }
    ColumnLayout {
        Layout.fillWidth: true
        spacing: 2
        Text {
            text: row.title
            color: Theme.text
            font.pixelSize: 13
            font.weight: Font.DemiBold
        }
        Text {
            Layout.fillWidth: true
            text: row.subtitle
            color: Theme.secondary
            font.pixelSize: 11
            wrapMode: Text.Wrap
        }
    }
    Symbol {
        objectName: row.objectName + "Granted"
        visible: row.granted
        symbol: "checkmark.circle.fill"
        size: 16
        color: Theme.green
        Accessible.ignored: false
        Accessible.role: Accessible.StaticText
        Accessible.name: row.title + " enabled"
    }
    Button {
        id: enable
        objectName: row.objectName + "Enable"
        visible: !row.granted
        text: row.buttonTitle
        padding: 6
        leftPadding: 14
        rightPadding: 14
        Accessible.role: Accessible.Button
        Accessible.name: row.buttonTitle + " " + row.title
        onClicked: row.open()
        contentItem: Text {
            text: enable.text
            color: Theme.textOnAccent
            font.pixelSize: 12
            font.weight: Font.DemiBold
        }
        background: Rectangle {
            radius: 7
            color: enable.down ? Qt.darker(Theme.accent, 1.2) : Theme.accent
        }
    }
}
