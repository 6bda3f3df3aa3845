import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

// A capability: how it works in this session or why it does not, a check mark when it works,
// and under the text a button only where pressing it does something.
RowLayout {
    id: row
    property string title
    property string subtitle
    property bool works
    property string buttonTitle
    signal pressed()

    Layout.fillWidth: true
    spacing: 12

    Rectangle {
        Layout.fillHeight: true
        implicitWidth: 3
        radius: 1.5
        color: row.works ? "transparent" : Theme.orange
    }
    ColumnLayout {
        Layout.fillWidth: true
        spacing: 2
        Text {
            text: row.title
            color: Theme.text
            font.pointSize: Theme.fontSize(13)
            font.weight: Font.DemiBold
        }
        Text {
            objectName: row.objectName + "Subtitle"
            Layout.fillWidth: true
            text: row.subtitle
            color: Theme.secondary
            font.pointSize: Theme.fontSize(11)
            wrapMode: Text.Wrap
        }
        Button {
            id: rowButton
            FocusRing {}
            Keys.onReturnPressed: clicked()
            Keys.onEnterPressed: clicked()
            objectName: row.objectName + "Action"
            Layout.topMargin: 6
            visible: row.buttonTitle !== ""
            text: row.buttonTitle
            padding: 6
            leftPadding: 14
            rightPadding: 14
            Accessible.role: Accessible.Button
            Accessible.name: row.buttonTitle
            onClicked: row.pressed()
            contentItem: Text {
                text: rowButton.text
                color: Theme.textOnAccent
                font.pointSize: Theme.fontSize(12)
                font.weight: Font.DemiBold
            }
            background: Rectangle {
                radius: 7
                color: rowButton.down ? Qt.darker(Theme.accent, 1.2) : Theme.accent
            }
        }
    }
    Symbol {
        objectName: row.objectName + "Works"
        visible: row.works
        symbol: "checkmark.circle.fill"
        size: 16
        color: Theme.green
        Accessible.ignored: false
        Accessible.role: Accessible.StaticText
        //: %1 is a capability such as "Global shortcut"
        Accessible.name: qsTr("%1 works").arg(row.title)
    }
}
