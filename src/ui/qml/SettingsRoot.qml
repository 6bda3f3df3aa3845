import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Velto.Ui

// The settings window: the navigation column and the selected section under its header.
Control {
    id: root
    required property AppModel model
    required property SettingsPresenter presenter
    required property CatalogPickers pickers
    required property ShortcutEditor editor
    required property SettingsViewController controller
    property string selectedSection: "setup"
    readonly property var current: presenter.sectionValue(selectedSection)

    width: Theme.settingsWidth
    height: Theme.settingsHeight
    Accessible.role: Accessible.Window
    //: the product's name; do not translate
    Accessible.name: qsTr("Velto")
    // Escape closes the window, as in the desktop's own settings dialogs.
    focus: true
    Keys.onEscapePressed: Window.window.close()

    background: Rectangle { color: Theme.window }

    // The basic style gives a Control no content of its own, so naming items inside this one
    // creates nothing extra.
    // qmllint disable deferred-property-id
    contentItem: RowLayout {
        // qmllint enable deferred-property-id
        spacing: 0

        Rectangle {
            Layout.fillHeight: true
            Layout.preferredWidth: Theme.navigationWidth
            color: Theme.ink(0.03)

            ColumnLayout {
                anchors.fill: parent
                anchors.margins: Theme.navigationPadding
                spacing: 18

                RowLayout {
                    spacing: 10
                    Rectangle {
                        implicitWidth: 36
                        implicitHeight: 36
                        radius: 9
                        gradient: Gradient {
                            GradientStop { position: 0; color: Qt.lighter(Theme.accent, 1.25) }
                            GradientStop { position: 1; color: Theme.accent }
                        }
                        Symbol {
                            anchors.centerIn: parent
                            symbol: "sparkles.rectangle.stack.fill"
                            size: 20
                            color: Theme.textOnAccent
                        }
                    }
                    ColumnLayout {
                        spacing: 0
                        Text {
                            //: the product's name; do not translate
                            text: qsTr("Velto")
                            color: Theme.text
                            font.pointSize: Theme.fontSize(15)
                            font.bold: true
                        }
                        Text {
                            text: qsTr("Preferences")
                            color: Theme.secondary
                            font.pointSize: Theme.fontSize(11)
                        }
                    }
                }

                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 6
                    Text {
                        text: qsTr("Workspace readiness")
                        color: Theme.secondary
                        font.pointSize: Theme.fontSize(11)
                        font.weight: Font.DemiBold
                    }
                    ProgressBar {
                        id: progress
                        objectName: "readinessBar"
                        Layout.fillWidth: true
                        from: 0
                        to: root.model.setupTotalSteps
                        value: root.model.setupCompletedSteps
                        Accessible.role: Accessible.ProgressBar
                        Accessible.name: qsTr("Workspace readiness")
                        background: Rectangle {
                            implicitHeight: 6
                            radius: 3
                            color: Theme.ink(0.1)
                        }
                        contentItem: Item {
                            implicitHeight: 6
                            Rectangle {
                                width: progress.visualPosition * parent.width
                                height: parent.height
                                radius: 3
                                color: Theme.accent
                            }
                        }
                    }
                    Text {
                        objectName: "readinessLine"
                        text: root.presenter.readinessLine
                        color: Theme.secondary
                        font.pointSize: Theme.fontSize(11)
                    }
                }

                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 4
                    Repeater {
                        model: root.presenter.sections
                        Button {
                            id: nav
                            required property var modelData
                            FocusRing {}
                            Keys.onReturnPressed: clicked()
                            Keys.onEnterPressed: clicked()
                            objectName: "section_" + modelData.id
                            Layout.fillWidth: true
                            checkable: false
                            padding: 8
                            // Qt 6.4's qmllint cannot follow ids out of a delegate.
                            // qmllint disable unqualified
                            readonly property bool selected: root.selectedSection === nav.modelData.id
                            onClicked: root.selectedSection = nav.modelData.id
                            // qmllint enable unqualified
                            text: modelData.title
                            Accessible.role: Accessible.PageTab
                            Accessible.name: modelData.title
                            Accessible.description: modelData.subtitle
                            Accessible.selected: selected
                            contentItem: RowLayout {
                                spacing: 10
                                Symbol {
                                    symbol: nav.modelData.symbol
                                    size: 16
                                    color: nav.selected ? Theme.accent : Theme.secondary
                                }
                                ColumnLayout {
                                    Layout.fillWidth: true
                                    spacing: 1
                                    Text {
                                        text: nav.modelData.title
                                        color: Theme.text
                                        font.pointSize: Theme.fontSize(13)
                                        font.weight: Font.DemiBold
                                    }
                                    Text {
                                        Layout.fillWidth: true
                                        text: nav.modelData.subtitle
                                        color: Theme.secondary
                                        font.pointSize: Theme.fontSize(11)
                                        wrapMode: Text.Wrap
                                    }
                                }
                            }
                            background: Rectangle {
                                radius: 9
                                color: nav.selected ? Theme.ink(0.09)
                                       : nav.hovered ? Theme.ink(0.05) : "transparent"
                            }
                        }
                    }
                }
                Item { Layout.fillHeight: true }
            }
        }

        Rectangle {
            Layout.fillHeight: true
            implicitWidth: 1
            color: Theme.separator
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 0

            RowLayout {
                Layout.fillWidth: true
                Layout.margins: 24
                Layout.bottomMargin: 12
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 2
                    Text {
                        objectName: "sectionTitle"
                        Layout.fillWidth: true
                        text: root.current ? root.current.title : ""
                        color: Theme.text
                        font.pointSize: Theme.fontSize(26)
                        font.weight: Font.DemiBold
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                    }
                    Text {
                        Layout.fillWidth: true
                        text: root.current ? root.current.subtitle : ""
                        color: Theme.secondary
                        font.pointSize: Theme.fontSize(12)
                    }
                }
                Rectangle {
                    readonly property bool ready: root.presenter.ready
                    implicitWidth: chip.implicitWidth + 20
                    implicitHeight: chip.implicitHeight + 10
                    radius: height / 2
                    color: Theme.withAlpha(ready ? Theme.green : Theme.orange, 0.14)
                    Accessible.role: Accessible.StaticText
                    Accessible.name: chip.text
                    Text {
                        id: chip
                        objectName: "headerChip"
                        anchors.centerIn: parent
                        text: root.presenter.headerChip
                        color: parent.ready ? Theme.green : Theme.orange
                        font.pointSize: Theme.fontSize(11)
                        font.bold: true
                    }
                }
            }

            ScrollView {
                id: scroll
                Layout.fillWidth: true
                Layout.fillHeight: true
                contentWidth: availableWidth
                clip: true

                Loader {
                    objectName: "sectionContent"
                    x: 24
                    width: scroll.availableWidth - 48
                    sourceComponent: root.selectedSection === "app" ? appSection
                                     : root.selectedSection === "writing" ? writingSection
                                     : setupSection
                }
            }
        }
    }

    // A section is made anew each time it is chosen; Qt 6.4's qmllint cannot follow ids into a
    // component.
    // qmllint disable unqualified
    Component {
        id: setupSection
        SettingsAccountPermissions {
            presenter: root.presenter
            controller: root.controller
        }
    }
    Component {
        id: appSection
        SettingsGeneral {
            model: root.model
            presenter: root.presenter
            editor: root.editor
            controller: root.controller
        }
    }
    Component {
        id: writingSection
        SettingsWriting {
            presenter: root.presenter
            pickers: root.pickers
        }
    }
    // qmllint enable unqualified
}
