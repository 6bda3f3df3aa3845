import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Velto.Ui

// The setup checklist of the panel: progress, the three steps and the next action.
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

        RowLayout {
            Layout.fillWidth: true
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                Text {
                    text: qsTr("Finish setup")
                    color: Theme.text
                    font.pointSize: Theme.fontSize(13)
                    font.weight: Font.DemiBold
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                Text {
                    objectName: "setupProgress"
                    Layout.fillWidth: true
                    text: card.presenter.setupProgress
                    color: Theme.secondary
                    font.pointSize: Theme.fontSize(11)
                    wrapMode: Text.Wrap
                }
            }
            Rectangle {
                Layout.alignment: Qt.AlignTop
                implicitWidth: badge.implicitWidth + 20
                implicitHeight: badge.implicitHeight + 12
                radius: height / 2
                color: Theme.ink(Theme.chipFillOpacity)
                Text {
                    id: badge
                    objectName: "setupBadge"
                    anchors.centerIn: parent
                    text: card.presenter.setupBadge
                    color: Theme.text
                    font.pointSize: Theme.fontSize(11)
                    font.bold: true
                }
            }
        }
        Repeater {
            model: card.presenter.setupRows
            ChecklistLine {
                id: setupRow
                required property int index
                required property var modelData
                objectName: "setupRow" + index
                Layout.fillWidth: true
                title: setupRow.modelData.title
                subtitle: setupRow.modelData.subtitle
                complete: setupRow.modelData.complete
            }
        }
        // The two buttons go on two lines where their words are too long for one.
        Flow {
            Layout.fillWidth: true
            spacing: 12
            Button {
                id: primary
                FocusRing {}
                Keys.onReturnPressed: clicked()
                Keys.onEnterPressed: clicked()
                objectName: "setupPrimary"
                text: card.presenter.setupPrimaryTitle
                padding: 8
                leftPadding: 14
                rightPadding: 14
                Accessible.role: Accessible.Button
                Accessible.name: text
                onClicked: card.controller.pressSetupPrimary()
                contentItem: Text {
                    text: primary.text
                    color: Theme.textOnAccent
                    font.pointSize: Theme.fontSize(12)
                    font.weight: Font.DemiBold
                }
                background: Rectangle {
                    radius: 8
                    color: primary.down ? Qt.darker(Theme.accent, 1.2) : Theme.accent
                }
            }
            Button {
                id: openSetup
                FocusRing {}
                Keys.onReturnPressed: clicked()
                Keys.onEnterPressed: clicked()
                objectName: "openSetup"
                text: qsTr("Open Setup")
                padding: 4
                Accessible.role: Accessible.Link
                Accessible.name: text
                onClicked: card.controller.openSettings()
                contentItem: Text {
                    text: openSetup.text
                    color: Theme.secondary
                    font.pointSize: Theme.fontSize(12)
                    font.underline: openSetup.hovered
                }
                background: Item {}
            }
        }
    }
}
