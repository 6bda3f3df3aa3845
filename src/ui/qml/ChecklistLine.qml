import QtQuick
import QtQuick.Layouts

// A checklist line: a check mark when complete, a dashed circle otherwise, title and sub-line.
RowLayout {
    id: line
    property string title
    property string subtitle
    property bool complete
    property int titleSize: 12

    spacing: 10
    Accessible.role: Accessible.CheckBox
    Accessible.name: title
    Accessible.description: subtitle
    Accessible.checked: complete

    Symbol {
        Layout.alignment: Qt.AlignTop
        Layout.topMargin: 1
        symbol: line.complete ? "checkmark.circle.fill" : "circle.dashed"
        size: 14
        color: line.complete ? Theme.green : Theme.orange
    }
    ColumnLayout {
        Layout.fillWidth: true
        spacing: 2
        Text {
            Layout.fillWidth: true
            text: line.title
            color: Theme.text
            font.pointSize: Theme.fontSize(line.titleSize)
            font.weight: Font.DemiBold
        }
        Text {
            Layout.fillWidth: true
            text: line.subtitle
            color: Theme.secondary
            font.pointSize: Theme.fontSize(11)
            wrapMode: Text.Wrap
        }
    }
}
