import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

// A button on the card fill: an optional symbol and a label.
Button {
    id: button
    FocusRing {}
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    property string symbol
    property color tint: Theme.text
    property int fontSize: 12
    property int fontWeight: Font.DemiBold
    property bool filled: true
    // The window's main action: accent fill, light label.
    property bool prominent: false
    property int maximumLabelWidth: 104

    padding: 10
    hoverEnabled: true
    Layout.minimumWidth: 0
    Accessible.role: Accessible.Button
    Accessible.name: text

    contentItem: RowLayout {
        spacing: 6
        Item { Layout.fillWidth: true }
        Symbol {
            visible: button.symbol !== ""
            symbol: button.symbol
            size: button.fontSize
            color: button.tint
        }
        Text {
            text: button.text
            color: button.tint
            font.pointSize: Theme.fontSize(button.fontSize)
            font.weight: button.fontWeight
            elide: Text.ElideMiddle
            // Long e-mail addresses shorten in the middle within the footer's half width.
            Layout.maximumWidth: button.maximumLabelWidth
        }
        Item { Layout.fillWidth: true }
    }
    background: Rectangle {
        visible: button.filled
        radius: Theme.controlRadius
        opacity: button.enabled ? 1 : 0.45
        color: button.prominent
               ? (button.down ? Qt.darker(Theme.accent, 1.15) : Theme.accent)
               : Theme.ink(button.down ? 0.12 : button.hovered ? 0.085 : Theme.cardFillOpacity)
    }
}
