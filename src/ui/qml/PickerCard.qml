import QtQuick
import QtQuick.Layouts

// A caption over a pop-up menu of titles; choosing one reports its index.
Card {
    id: card
    property string caption
    property var titles: []
    property int currentIndex: -1
    property alias pickerName: picker.objectName
    signal chosen(int index)

    outlined: false
    radius: 14
    implicitHeight: content.implicitHeight + 2 * Theme.pickerPadding

    ColumnLayout {
        id: content
        anchors.fill: parent
        anchors.margins: Theme.pickerPadding
        spacing: 6
        Text {
            text: card.caption
            color: Theme.secondary
            font.pointSize: Theme.fontSize(11)
            font.weight: Font.DemiBold
        }
        MenuPicker {
            id: picker
            Layout.fillWidth: true
            model: card.titles
            currentIndex: card.currentIndex
            accessibleName: card.caption
            onActivated: index => card.chosen(index)
        }
    }
}
