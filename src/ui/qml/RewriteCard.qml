import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Velto.Ui

// The caption, the main button that changes with the state, and the explanation line.
Card {
    id: card
    required property QuickPanelPresenter presenter
    required property QuickPanelViewController controller

    implicitHeight: content.implicitHeight + 2 * Theme.cardPadding

    ColumnLayout {
        id: content
        anchors.fill: parent
        anchors.margins: Theme.cardPadding
        spacing: 12

        Text {
            text: qsTr("Rewrite")
            color: Theme.secondary
            font.pointSize: Theme.fontSize(12)
            font.weight: Font.DemiBold
        }
        Button {
            id: main
            FocusRing {}
            Keys.onReturnPressed: clicked()
            Keys.onEnterPressed: clicked()
            objectName: "mainButton"
            Layout.fillWidth: true
            padding: 14
            enabled: card.presenter.mainEnabled
            hoverEnabled: true
            text: card.presenter.mainTitle
            Accessible.role: Accessible.Button
            Accessible.name: card.presenter.mainTitle
            Accessible.description: card.presenter.mainSubtitle
            onClicked: card.controller.pressMainButton()

            readonly property color ink: enabled ? Theme.text : Theme.ink(0.5)

            contentItem: RowLayout {
                spacing: 12
                Rectangle {
                    implicitWidth: 36
                    implicitHeight: 36
                    radius: 18
                    color: Theme.ink(main.enabled ? 0.22 : 0.08)
                    Symbol {
                        objectName: "mainSymbol"
                        anchors.centerIn: parent
                        symbol: card.presenter.mainSymbol
                        size: 14
                        color: main.ink
                    }
                }
                ColumnLayout {
                    spacing: 2
                    Layout.fillWidth: true
                    Text {
                        objectName: "mainTitle"
                        Layout.fillWidth: true
                        text: card.presenter.mainTitle
                        color: main.ink
                        font.pointSize: Theme.fontSize(15)
                        font.bold: true
                        fontSizeMode: Text.HorizontalFit
                        minimumPointSize: Theme.fontSize(12)
                        elide: Text.ElideRight
                    }
                    Text {
                        objectName: "mainSubtitle"
                        Layout.fillWidth: true
                        text: card.presenter.mainSubtitle
                        color: main.enabled ? Theme.ink(0.8) : Theme.ink(0.5)
                        font.pointSize: Theme.fontSize(11)
                        font.weight: Font.Medium
                        elide: Text.ElideRight
                    }
                }
                Symbol {
                    symbol: "arrow.up.right"
                    size: 12
                    color: main.ink
                }
            }
            background: Rectangle {
                radius: 14
                border.width: 1
                border.color: Theme.ink(main.hovered && main.enabled ? 0.16 : 0.08)
                gradient: Gradient {
                    orientation: Gradient.Vertical
                    GradientStop {
                        position: 0
                        color: main.enabled ? Theme.buttonTop : Theme.withAlpha(Theme.secondary, 0.22)
                    }
                    GradientStop {
                        position: 1
                        color: main.enabled ? Theme.buttonBottom : Theme.withAlpha(Theme.secondary, 0.16)
                    }
                }
            }
        }
        Text {
            objectName: "explanation"
            Layout.fillWidth: true
            text: card.presenter.explanation
            color: Theme.secondary
            font.pointSize: Theme.fontSize(11)
            wrapMode: Text.Wrap
        }
    }
}
