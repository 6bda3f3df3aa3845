import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Velto.Ui

// The App section: launch at login, sound, the global shortcut and a readiness summary.
ColumnLayout {
    id: section
    required property AppModel model
    required property SettingsPresenter presenter
    required property ShortcutEditor editor
    required property SettingsViewController controller

    spacing: 16
    Component.onCompleted: editor.reset()

    SettingsIntro {
        Layout.fillWidth: true
        eyebrow: qsTr("App Behavior")
        title: qsTr("Tune how Velto feels day to day.")
        body: qsTr("Keep the app lightweight, adjust the global shortcut, and control the finishing touches.")
    }
    SettingsCard {
        Layout.fillWidth: true
        title: qsTr("Experience")
        symbol: "sparkles"
        RowLayout {
            Layout.fillWidth: true
            Text {
                Layout.fillWidth: true
                text: qsTr("Launch at login")
                color: Theme.text
                font.pointSize: Theme.fontSize(13)
            }
            ToggleSwitch {
                objectName: "launchAtLogin"
                checked: section.model.launchAtLogin
                Accessible.name: qsTr("Launch at login")
                onToggled: section.controller.setLaunchAtLogin(checked)
            }
        }
        Divider {}
        RowLayout {
            Layout.fillWidth: true
            Text {
                Layout.fillWidth: true
                text: qsTr("Sound on completion")
                color: Theme.text
                font.pointSize: Theme.fontSize(13)
            }
            ToggleSwitch {
                objectName: "soundOnCompletion"
                checked: section.model.soundOnCompletion
                Accessible.name: qsTr("Sound on completion")
                onToggled: section.controller.setSoundOnCompletion(checked)
            }
        }
        Divider {}
        RowLayout {
            Layout.fillWidth: true
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                Text {
                    Layout.fillWidth: true
                    text: qsTr("Preview before replacing")
                    color: Theme.text
                    font.pointSize: Theme.fontSize(13)
                }
                Text {
                    Layout.fillWidth: true
                    text: qsTr("Watch the rewrite arrive in a window beside the text, then replace, retry or copy it.")
                    color: Theme.secondary
                    font.pointSize: Theme.fontSize(11)
                    wrapMode: Text.Wrap
                }
            }
            ToggleSwitch {
                objectName: "previewBeforeReplacing"
                checked: section.model.previewBeforeReplacing
                Accessible.name: qsTr("Preview before replacing")
                onToggled: section.controller.setPreviewBeforeReplacing(checked)
            }
        }
        Divider {}
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            Text {
                text: qsTr("Current workflow")
                color: Theme.text
                font.pointSize: Theme.fontSize(13)
            }
            Text {
                objectName: "workflowSentence"
                Layout.fillWidth: true
                text: section.presenter.workflowSentence
                color: Theme.secondary
                font.pointSize: Theme.fontSize(12)
                wrapMode: Text.Wrap
            }
        }
    }
    SettingsCard {
        Layout.fillWidth: true
        title: qsTr("Shortcut")
        symbol: "command"
        RowLayout {
            Layout.fillWidth: true
            spacing: 12
            ColumnLayout {
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignTop
                spacing: 2
                Text {
                    Layout.fillWidth: true
                    text: qsTr("Rewrite selection")
                    color: Theme.text
                    font.pointSize: Theme.fontSize(13)
                    font.weight: Font.DemiBold
                    wrapMode: Text.Wrap
                }
                Text {
                    Layout.fillWidth: true
                    text: qsTr("Global shortcut used from any app.")
                    color: Theme.secondary
                    font.pointSize: Theme.fontSize(11)
                    wrapMode: Text.Wrap
                }
            }
            ColumnLayout {
                spacing: 8
                RowLayout {
                    spacing: 8
                    Text {
                        text: qsTr("Exact shortcut")
                        color: Theme.secondary
                        font.pointSize: Theme.fontSize(12)
                    }
                    TextField {
                        id: field
                        objectName: "shortcutField"
                        implicitWidth: Theme.shortcutFieldWidth
                        text: section.editor.input
                        placeholderText: section.editor.placeholder
                        placeholderTextColor: Theme.tertiary
                        color: Theme.text
                        font.family: "monospace"
                        font.pointSize: Theme.fontSize(13)
                        selectByMouse: true
                        Accessible.role: Accessible.EditableText
                        Accessible.name: qsTr("Exact shortcut")
                        onTextEdited: section.editor.edit(text)
                        background: Rectangle {
                            radius: 6
                            color: Theme.ink(0.06)
                            border.width: 1
                            border.color: field.activeFocus ? Theme.accent : Theme.ink(0.18)
                        }
                        Connections {
                            target: section.editor
                            function onInputChanged() {
                                if (field.text !== section.editor.input)
                                    field.text = section.editor.input
                            }
                        }
                    }
                }
                RowLayout {
                    Layout.alignment: Qt.AlignRight
                    spacing: 6
                    ShortcutBadge {
                        objectName: "superBadge"
                        label: "Super"
                        isActive: true
                        isToggleable: false
                    }
                    ShortcutBadge {
                        objectName: "shiftBadge"
                        label: "Shift"
                        isActive: section.editor.shiftActive
                        isToggleable: true
                        onTapped: section.editor.toggleShift()
                    }
                    Text {
                        text: "+"
                        color: Theme.secondary
                        font.pointSize: Theme.fontSize(14)
                    }
                    MenuPicker {
                        objectName: "keyPicker"
                        implicitWidth: 64
                        model: section.editor.keyTitles
                        currentIndex: section.editor.keyIndex
                        accessibleName: qsTr("Shortcut key")
                        onActivated: index => section.editor.chooseKey(index)
                    }
                }
            }
        }
        Text {
            objectName: "shortcutHint"
            Layout.alignment: Qt.AlignRight
            visible: section.editor.invalid
            text: section.editor.hint
            color: Theme.red
            font.pointSize: Theme.fontSize(11)
        }
        RowLayout {
            objectName: "shortcutTakenRow"
            Layout.fillWidth: true
            visible: section.editor.taken
            spacing: 10
            Symbol {
                symbol: "exclamationmark.triangle.fill"
                size: 14
                color: Theme.orange
            }
            Text {
                objectName: "shortcutTaken"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                text: section.editor.takenLine
                color: Theme.orange
                font.pointSize: Theme.fontSize(11)
                wrapMode: Text.Wrap
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
            Button {
                id: useFree
                FocusRing {}
                Keys.onReturnPressed: clicked()
                Keys.onEnterPressed: clicked()
                objectName: "useFreeShortcut"
                visible: section.editor.freeButtonTitle !== ""
                text: section.editor.freeButtonTitle
                padding: 6
                leftPadding: 12
                rightPadding: 12
                Accessible.role: Accessible.Button
                Accessible.name: text
                onClicked: section.editor.useFreeShortcut()
                contentItem: Text {
                    text: useFree.text
                    color: Theme.textOnAccent
                    font.pointSize: Theme.fontSize(12)
                    font.weight: Font.DemiBold
                }
                background: Rectangle {
                    radius: 7
                    color: useFree.down ? Qt.darker(Theme.accent, 1.2) : Theme.accent
                }
            }
        }
    }
    SettingsCard {
        Layout.fillWidth: true
        title: qsTr("Readiness")
        symbol: "checklist"
        Repeater {
            model: section.presenter.readinessLines
            RowLayout {
                id: readiness
                required property int index
                required property var modelData
                Layout.fillWidth: true
                Text {
                    Layout.fillWidth: true
                    text: readiness.modelData.label
                    color: Theme.secondary
                    font.pointSize: Theme.fontSize(12)
                }
                Text {
                    objectName: "readiness" + readiness.index
                    text: readiness.modelData.value
                    color: Theme.text
                    font.pointSize: Theme.fontSize(12)
                    font.weight: Font.DemiBold
                }
            }
        }
    }
}
