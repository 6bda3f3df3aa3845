import QtQuick
import QtQuick.Layouts
import Velto.Ui

// The Writing section: default tone and language.
ColumnLayout {
    id: section
    required property SettingsPresenter presenter
    required property CatalogPickers pickers

    spacing: 16

    SettingsIntro {
        Layout.fillWidth: true
        eyebrow: qsTr("Writing Defaults")
        title: qsTr("Set the voice before you rewrite.")
        body: qsTr("These defaults apply every time you trigger Velto, so the result feels consistent across apps.")
    }
    SettingsCard {
        Layout.fillWidth: true
        title: qsTr("Defaults Summary")
        symbol: "text.quote"
        Text {
            Layout.fillWidth: true
            text: qsTr("Tone and language apply every time you trigger Velto.")
            color: Theme.secondary
            font.pointSize: Theme.fontSize(12)
            wrapMode: Text.Wrap
        }
        Text {
            objectName: "currentDefault"
            Layout.fillWidth: true
            text: section.presenter.currentDefault
            color: Theme.text
            font.pointSize: Theme.fontSize(13)
            font.weight: Font.DemiBold
        }
    }
    SettingsCard {
        Layout.fillWidth: true
        title: qsTr("Defaults")
        symbol: "pencil.and.outline"
        RowLayout {
            Layout.fillWidth: true
            spacing: 12
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                Text {
                    text: qsTr("Tone")
                    color: Theme.text
                    font.pointSize: Theme.fontSize(13)
                }
                Text {
                    objectName: "toneDescription"
                    Layout.fillWidth: true
                    text: section.presenter.toneDescription
                    color: Theme.secondary
                    font.pointSize: Theme.fontSize(11)
                    wrapMode: Text.Wrap
                }
            }
            MenuPicker {
                objectName: "settingsTonePicker"
                Layout.alignment: Qt.AlignTop
                implicitWidth: Theme.pickerWidth
                model: section.pickers.toneTitles
                currentIndex: section.pickers.toneIndex
                accessibleName: qsTr("Tone")
                onActivated: index => section.pickers.chooseTone(index)
            }
        }
        Divider {}
        RowLayout {
            Layout.fillWidth: true
            spacing: 12
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                Text {
                    text: qsTr("Language")
                    color: Theme.text
                    font.pointSize: Theme.fontSize(13)
                }
                Text {
                    Layout.fillWidth: true
                    text: qsTr("Choose a default target language or keep automatic detection.")
                    color: Theme.secondary
                    font.pointSize: Theme.fontSize(11)
                    wrapMode: Text.Wrap
                }
            }
            MenuPicker {
                objectName: "settingsLanguagePicker"
                Layout.alignment: Qt.AlignTop
                implicitWidth: Theme.pickerWidth
                model: section.pickers.languageTitles
                currentIndex: section.pickers.languageIndex
                accessibleName: qsTr("Language")
                onActivated: index => section.pickers.chooseLanguage(index)
            }
        }
    }
}
