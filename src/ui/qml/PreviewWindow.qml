import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Velto.Ui

// The preview of a rewrite beside the selection: the text as it streams in, the changes against
// the selection, the tone and language, and the answers. Every rule lives in the presenter.
Rectangle {
    id: preview
    required property PreviewPresenter presenter
    required property CatalogPickers pickers
    readonly property bool streaming: presenter.state === PreviewPresenter.Streaming
    readonly property bool failed: presenter.state === PreviewPresenter.Failed

    // Wider where a language's labels need it.
    width: Math.max(Theme.previewWidth, content.implicitWidth + 2 * Theme.panelPadding)
    height: implicitHeight
    implicitHeight: content.implicitHeight + 2 * Theme.panelPadding
    Accessible.role: Accessible.Dialog
    Accessible.name: qsTr("Rewrite preview")
    // The keyboard works at once: Enter replaces, R retries, Escape cancels. An open picker
    // takes its own keys first.
    focus: true
    Keys.onReturnPressed: presenter.replace()
    Keys.onEnterPressed: presenter.replace()
    Keys.onEscapePressed: presenter.cancel()
    Keys.onPressed: event => {
        if (event.key === Qt.Key_R && event.modifiers === Qt.NoModifier) {
            presenter.retry()
            event.accepted = true
        }
    }

    // Square corners: without a compositor a window's transparent corners show black.
    border.width: 1
    border.color: Theme.ink(0.12)
    gradient: Gradient {
        GradientStop { position: 0; color: Theme.window }
        GradientStop { position: 1; color: Theme.underPage }
    }

    ColumnLayout {
        id: content
        anchors.fill: parent
        anchors.margins: Theme.panelPadding
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            PulsingDot {
                active: preview.streaming
                color: preview.failed ? Theme.red : preview.streaming ? Theme.blue : Theme.green
            }
            Text {
                objectName: "previewStatus"
                Layout.fillWidth: true
                text: preview.presenter.statusText
                color: Theme.secondary
                font.pointSize: Theme.fontSize(12)
                font.weight: Font.DemiBold
                elide: Text.ElideRight
            }
            Text {
                text: qsTr("Show changes")
                color: preview.presenter.canShowChanges ? Theme.text : Theme.tertiary
                font.pointSize: Theme.fontSize(12)
            }
            ToggleSwitch {
                objectName: "showChanges"
                enabled: preview.presenter.canShowChanges
                checked: preview.presenter.showChanges
                Accessible.name: qsTr("Show changes")
                Accessible.description: qsTr("Strikes through removed words and underlines added ones.")
                onToggled: preview.presenter.showChanges = checked
            }
        }

        Card {
            Layout.fillWidth: true
            Layout.preferredHeight: Theme.previewTextHeight
            visible: !preview.failed || preview.presenter.text !== ""
            radius: Theme.controlRadius
            ScrollView {
                id: scroller
                anchors.fill: parent
                anchors.margins: 10
                clip: true
                TextEdit {
                    id: body
                    objectName: "previewText"
                    width: scroller.availableWidth
                    readOnly: true
                    selectByMouse: true
                    selectByKeyboard: true
                    activeFocusOnPress: false
                    wrapMode: TextEdit.Wrap
                    color: Theme.text
                    selectionColor: Theme.accent
                    selectedTextColor: Theme.textOnAccent
                    font.pointSize: Theme.fontSize(13)
                    readonly property bool changesShown: preview.presenter.showChanges
                                                         && preview.presenter.canShowChanges
                    // The changes are rich text the presenter escapes; the streamed text is never
                    // read as markup.
                    textFormat: changesShown ? TextEdit.RichText : TextEdit.PlainText
                    text: changesShown
                          ? preview.presenter.changesHtml(preview.presenter.text, Theme.red, Theme.green)
                          : preview.presenter.text
                    Accessible.role: Accessible.EditableText
                    Accessible.name: qsTr("Rewritten text")
                    Accessible.readOnly: true
                }
            }
            Text {
                anchors.centerIn: parent
                visible: preview.streaming && preview.presenter.text === ""
                text: qsTr("Waiting for the first words…")
                color: Theme.tertiary
                font.pointSize: Theme.fontSize(12)
            }
        }

        Rectangle {
            objectName: "previewError"
            Layout.fillWidth: true
            visible: preview.failed
            implicitHeight: errorColumn.implicitHeight + 24
            radius: Theme.controlRadius
            color: Theme.withAlpha(Theme.red, 0.09)
            Accessible.role: Accessible.AlertMessage
            Accessible.name: preview.presenter.errorTitle
            Accessible.description: preview.presenter.errorMessage
            ColumnLayout {
                id: errorColumn
                anchors.fill: parent
                anchors.margins: 12
                spacing: 3
                Text {
                    objectName: "previewErrorTitle"
                    Layout.fillWidth: true
                    text: preview.presenter.errorTitle
                    textFormat: Text.PlainText
                    color: Theme.text
                    font.pointSize: Theme.fontSize(12)
                    font.weight: Font.DemiBold
                    wrapMode: Text.Wrap
                }
                Text {
                    objectName: "previewErrorMessage"
                    Layout.fillWidth: true
                    text: preview.presenter.errorMessage
                    // Server text is shown as it is: never markup that could load an image.
                    textFormat: Text.PlainText
                    color: Theme.secondary
                    font.pointSize: Theme.fontSize(11)
                    wrapMode: Text.Wrap
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 10
            PickerCard {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                caption: qsTr("Tone")
                pickerName: "previewTonePicker"
                titles: preview.pickers.toneTitles
                currentIndex: preview.pickers.toneIndex
                onChosen: index => preview.pickers.chooseTone(index)
            }
            PickerCard {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                caption: qsTr("Language")
                pickerName: "previewLanguagePicker"
                titles: preview.pickers.languageTitles
                currentIndex: preview.pickers.languageIndex
                onChosen: index => preview.pickers.chooseLanguage(index)
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            PanelButton {
                objectName: "previewCancel"
                text: qsTr("Cancel")
                Accessible.description: qsTr("Closes the preview and leaves the text as it is (Escape).")
                onClicked: preview.presenter.cancel()
            }
            Item { Layout.fillWidth: true }
            PanelButton {
                objectName: "previewRetry"
                symbol: "arrow.clockwise"
                text: qsTr("Retry")
                Accessible.description: qsTr("Asks for another rewrite (R).")
                onClicked: preview.presenter.retry()
            }
            PanelButton {
                objectName: "previewCopy"
                text: qsTr("Copy")
                enabled: preview.presenter.canCopy
                Accessible.description: qsTr("Puts the rewrite on the clipboard and closes the preview.")
                onClicked: preview.presenter.copy()
            }
            PanelButton {
                objectName: "previewReplace"
                text: qsTr("Replace")
                prominent: true
                tint: Theme.textOnAccent
                enabled: preview.presenter.canReplace
                Accessible.description: qsTr("Replaces the selected text with the rewrite (Enter).")
                onClicked: preview.presenter.replace()
            }
        }
    }
}
