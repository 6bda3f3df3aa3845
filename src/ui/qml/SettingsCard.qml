import QtQuick
import QtQuick.Layouts

// A titled card of the settings: symbol and title, then the rows.
Rectangle {
    id: card
    property string title
    property string symbol
    default property alias content: rows.data

    implicitHeight: column.implicitHeight + 32
    radius: 14
    color: Theme.ink(0.04)
    border.width: 1
    border.color: Theme.ink(0.09)
    Accessible.role: Accessible.Grouping
    Accessible.name: title

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 16
        spacing: 12
        RowLayout {
            spacing: 8
            Symbol {
                symbol: card.symbol
                size: 14
                color: Theme.secondary
            }
            Text {
                text: card.title
                color: Theme.text
                font.pointSize: Theme.fontSize(13)
                font.weight: Font.DemiBold
            }
        }
        ColumnLayout {
            id: rows
            Layout.fillWidth: true
            spacing: 10
        }
    }
}
