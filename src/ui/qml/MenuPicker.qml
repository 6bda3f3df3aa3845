import QtQuick
import QtQuick.Controls.Basic

// A drop-down menu in the views' own look.
ComboBox {
    id: box
    FocusRing {}
    property string accessibleName

    implicitHeight: 28
    font.pointSize: Theme.fontSize(12)
    Accessible.role: Accessible.ComboBox
    Accessible.name: accessibleName

    contentItem: Text {
        leftPadding: 10
        rightPadding: box.indicator.width + 6
        text: box.displayText
        color: Theme.text
        font: box.font
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    indicator: Symbol {
        x: box.width - width - 8
        y: (box.height - height) / 2
        symbol: "chevron.up.chevron.down"
        size: 10
        color: Theme.secondary
    }
    background: Rectangle {
        radius: 7
        color: Theme.ink(box.pressed ? 0.14 : 0.08)
        border.width: 1
        border.color: Theme.ink(0.1)
    }
    // The popup's list follows the highlighted entry and the popup takes the box's font: an
    // entry reads both from its list, not from the box outside its component.
    delegate: ItemDelegate {
        id: entry
        required property int index
        required property string modelData
        width: ListView.view.width
        height: 26
        highlighted: ListView.isCurrentItem
        Accessible.role: Accessible.MenuItem
        Accessible.name: modelData
        contentItem: Text {
            text: entry.modelData
            color: entry.highlighted ? Theme.textOnAccent : Theme.text
            font: entry.font
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            radius: 5
            color: entry.highlighted ? Theme.accent : "transparent"
        }
    }
    popup: Popup {
        y: box.height + 2
        width: box.width
        implicitHeight: Math.min(contentItem.implicitHeight + 8, 260)
        padding: 4
        contentItem: ListView {
            clip: true
            implicitHeight: contentHeight
            // Qt 6.4 leaves the type of delegateModel out of what qmllint reads.
            // qmllint disable type
            model: box.popup.visible ? box.delegateModel : null
            // qmllint enable type
            currentIndex: box.highlightedIndex
        }
        background: Rectangle {
            radius: 8
            color: Theme.dark ? Qt.lighter(Theme.window, 1.25) : Theme.window
            border.width: 1
            border.color: Theme.ink(0.15)
        }
    }
}
