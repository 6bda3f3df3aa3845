import QtQuick
import QtQuick.Layouts

// A section's heading: eyebrow, title and body.
ColumnLayout {
    property string eyebrow
    property string title
    property string body

    spacing: 6
    Text {
        text: parent.eyebrow.toUpperCase()
        color: Theme.secondary
        font.pointSize: Theme.fontSize(11)
        font.weight: Font.DemiBold
        font.letterSpacing: 1.2
    }
    Text {
        Layout.fillWidth: true
        text: parent.title
        color: Theme.text
        font.pointSize: Theme.fontSize(20)
        font.bold: true
        wrapMode: Text.Wrap
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }
    Text {
        Layout.fillWidth: true
        text: parent.body
        color: Theme.secondary
        font.pointSize: Theme.fontSize(13)
        wrapMode: Text.Wrap
    }
}
