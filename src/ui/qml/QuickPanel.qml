import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Velto.Ui

// The quick panel: state, the main action, a notice or the setup steps, the pickers, the
// settings and account controls, and Quit. Every rule lives in the presenter.
Control {
    id: panel
    required property AppModel model
    required property QuickPanelPresenter presenter
    required property CatalogPickers pickers
    required property QuickPanelViewController controller

    width: Theme.panelWidth
    height: implicitHeight
    padding: Theme.panelPadding
    font.pointSize: Theme.fontSize(12)
    Accessible.role: Accessible.Pane
    //: the product's name; do not translate
    Accessible.name: qsTr("Velto")
    // Escape closes the panel like a menu; an open picker takes its own Escape first.
    focus: true
    Keys.onEscapePressed: controller.close()

    // Square corners: without a compositor a window's transparent corners show black.
    background: Rectangle {
        border.width: 1
        border.color: Theme.ink(0.12)
        gradient: Gradient {
            GradientStop { position: 0; color: Theme.window }
            GradientStop { position: 1; color: Theme.underPage }
        }
    }

    contentItem: ColumnLayout {
        spacing: Theme.sectionSpacing

        HeaderCard {
            Layout.fillWidth: true
            model: panel.model
            presenter: panel.presenter
        }
        RewriteCard {
            Layout.fillWidth: true
            presenter: panel.presenter
            controller: panel.controller
        }
        NoticeBanner {
            objectName: "noticeBanner"
            Layout.fillWidth: true
            visible: panel.presenter.middleBlock === QuickPanelPresenter.Notice
            presenter: panel.presenter
            controller: panel.controller
        }
        SetupCard {
            objectName: "setupCard"
            Layout.fillWidth: true
            visible: panel.presenter.middleBlock === QuickPanelPresenter.SetupCard
            presenter: panel.presenter
            controller: panel.controller
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 10
            PickerCard {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                caption: qsTr("Tone")
                pickerName: "tonePicker"
                titles: panel.pickers.toneTitles
                currentIndex: panel.pickers.toneIndex
                onChosen: index => panel.pickers.chooseTone(index)
            }
            PickerCard {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                caption: qsTr("Language")
                pickerName: "languagePicker"
                titles: panel.pickers.languageTitles
                currentIndex: panel.pickers.languageIndex
                onChosen: index => panel.pickers.chooseLanguage(index)
            }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 10
            PanelButton {
                objectName: "settingsButton"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                text: qsTr("Settings")
                symbol: "gearshape"
                onClicked: panel.controller.openSettings()
            }
            PanelButton {
                objectName: "signInButton"
                visible: panel.presenter.accountKind === QuickPanelPresenter.SignInButton
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                text: qsTr("Sign In")
                onClicked: panel.controller.pressAccount()
            }
            Rectangle {
                objectName: "accountActivity"
                visible: panel.presenter.accountKind === QuickPanelPresenter.Activity
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                implicitHeight: 34
                radius: Theme.controlRadius
                color: Theme.ink(Theme.cardFillOpacity)
                Accessible.role: Accessible.Indicator
                Accessible.name: qsTr("Signing in")
                Symbol {
                    anchors.centerIn: parent
                    symbol: "arrow.clockwise"
                    size: 14
                    color: Theme.secondary
                    RotationAnimator on rotation {
                        from: 0
                        to: 360
                        duration: 1000
                        loops: Animation.Infinite
                        running: panel.presenter.accountKind === QuickPanelPresenter.Activity
                    }
                }
            }
            PanelButton {
                objectName: "accountButton"
                visible: panel.presenter.accountKind === QuickPanelPresenter.Account
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                text: panel.presenter.accountLabel
                symbol: "person.crop.circle.fill"
                fontSize: 11
                Accessible.description: qsTr("Click to sign out")
                ToolTip.visible: hovered
                ToolTip.delay: 500
                ToolTip.text: qsTr("Click to sign out")
                onClicked: panel.controller.pressAccount()
            }
        }
        PanelButton {
            objectName: "quitButton"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 2
            text: qsTr("Quit")
            filled: false
            fontWeight: Font.Medium
            tint: Theme.secondary
            onClicked: panel.controller.quit()
        }
    }
}
