import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Velto.Ui

// The Setup section: the checklist, the account and the two capabilities.
ColumnLayout {
    id: section
    required property SettingsPresenter presenter
    required property SettingsViewController controller

    spacing: 16

    SettingsIntro {
        Layout.fillWidth: true
        eyebrow: qsTr("Setup")
        title: qsTr("Make the app feel instant.")
        body: qsTr("Velto needs a global shortcut and a way to replace text in this session, and your account enables the online rewrite service.")
    }
    SettingsCard {
        Layout.fillWidth: true
        title: qsTr("Setup Checklist")
        symbol: "checklist"
        Repeater {
            model: section.presenter.checklist
            ChecklistLine {
                id: setupLine
                required property int index
                required property var modelData
                objectName: "setupLine" + index
                Layout.fillWidth: true
                titleSize: 13
                title: setupLine.modelData.title
                subtitle: setupLine.modelData.subtitle
                complete: setupLine.modelData.complete
            }
        }
    }
    SettingsCard {
        Layout.fillWidth: true
        title: qsTr("Account")
        symbol: "person.badge.key"
        RowLayout {
            Layout.fillWidth: true
            spacing: 12
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                Text {
                    objectName: "accountStatus"
                    Layout.fillWidth: true
                    text: section.presenter.accountStatus
                    color: Theme.text
                    font.pointSize: Theme.fontSize(13)
                    font.weight: Font.DemiBold
                }
                Text {
                    objectName: "accountCaption"
                    visible: text !== ""
                    text: section.presenter.accountCaption
                    color: Theme.secondary
                    font.pointSize: Theme.fontSize(11)
                }
            }
            Button {
                id: account
                FocusRing {}
                Keys.onReturnPressed: clicked()
                Keys.onEnterPressed: clicked()
                objectName: "accountAction"
                text: section.presenter.accountButton
                enabled: section.presenter.accountButtonEnabled
                padding: 6
                leftPadding: 14
                rightPadding: 14
                Accessible.role: Accessible.Button
                Accessible.name: text
                onClicked: section.controller.pressAccount()
                contentItem: Text {
                    text: account.text
                    color: section.presenter.accountButtonBordered ? Theme.text
                           : account.enabled ? Theme.textOnAccent : Theme.ink(0.45)
                    font.pointSize: Theme.fontSize(12)
                    font.weight: Font.DemiBold
                }
                background: Rectangle {
                    radius: 7
                    color: section.presenter.accountButtonBordered ? Theme.ink(0.06)
                           : account.enabled ? Theme.accent : Theme.ink(0.1)
                    border.width: section.presenter.accountButtonBordered ? 1 : 0
                    border.color: Theme.ink(0.2)
                }
            }
        }
    }
    SettingsCard {
        Layout.fillWidth: true
        title: qsTr("Capabilities")
        symbol: "lock.shield"
        Repeater {
            model: section.presenter.capabilityRows
            ColumnLayout {
                id: capability
                required property int index
                required property var modelData
                Layout.fillWidth: true
                spacing: 10
                Divider { visible: capability.index > 0 }
                CapabilityRow {
                    objectName: capability.modelData.id
                    title: capability.modelData.title
                    subtitle: capability.modelData.subtitle
                    works: capability.modelData.works
                    buttonTitle: capability.modelData.buttonTitle
                    // Qt 6.4's qmllint cannot follow ids out of a delegate.
                    // qmllint disable unqualified
                    onPressed: section.controller.pressCapability(capability.modelData.capability)
                    // qmllint enable unqualified
                }
            }
        }
    }
}
