import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Velto.Ui

// The one notice: its symbol, title and message, and a close button.
Rectangle {
    id: banner
    required property QuickPanelPresenter presenter
    required property QuickPanelViewController controller
    readonly property color tint: Theme.status(presenter.noticeColor)

    implicitHeight: row.implicitHeight + 28
    radius: 14
    color: Theme.withAlpha(tint, 0.09)
    Accessible.role: Accessible.AlertMessage
    Accessible.name: presenter.noticeTitle

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.margins: 14
        spacing: 10
        Symbol {
            Layout.alignment: Qt.AlignTop
            Layout.topMargin: 1
            symbol: banner.presenter.noticeSymbol
            size: 12
            color: banner.tint
        }
        ColumnLayout {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignTop
            spacing: 3
            Text {
                objectName: "noticeTitle"
                Layout.fillWidth: true
                text: banner.presenter.noticeTitle
                // Server text is shown as it is: never markup that could load an image.
                textFormat: Text.PlainText
                color: Theme.text
                font.pointSize: Theme.fontSize(12)
                font.weight: Font.DemiBold
                wrapMode: Text.Wrap
            }
            Text {
                objectName: "noticeMessage"
                Layout.fillWidth: true
                text: banner.presenter.noticeMessage
                textFormat: Text.PlainText
                color: Theme.secondary
                font.pointSize: Theme.fontSize(11)
                wrapMode: Text.Wrap
            }
        }
        Button {
            FocusRing {}
            Keys.onReturnPressed: clicked()
            Keys.onEnterPressed: clicked()
            objectName: "noticeClose"
            Layout.alignment: Qt.AlignTop
            padding: 6
            Accessible.role: Accessible.Button
            Accessible.name: qsTr("Close notice")
            onClicked: banner.controller.clearNotice()
            contentItem: Symbol {
                symbol: "xmark"
                size: 10
                color: Theme.tertiary
            }
            background: Item {}
        }
    }
}
