import QtQuick
import QtQuick.Layouts
import Velto.Ui

// The top card: brand, status pill, headline and sub-line, the shortcut, tone and language.
Rectangle {
    id: card
    required property AppModel model
    required property QuickPanelPresenter presenter

    implicitHeight: content.implicitHeight + 32
    radius: Theme.cardRadius
    border.width: 1
    border.color: Theme.ink(Theme.heroOutlineOpacity)
    gradient: Gradient {
        orientation: Gradient.Vertical
        GradientStop { position: 0; color: Theme.heroTop }
        GradientStop { position: 1; color: Theme.heroBottom }
    }

    ColumnLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 16
        spacing: 14

        RowLayout {
            Layout.fillWidth: true
            spacing: 10
            ColumnLayout {
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignTop
                spacing: 5
                RowLayout {
                    spacing: 8
                    Text {
                        //: the product's name; do not translate
                        text: qsTr("Velto")
                        color: Theme.secondary
                        font.pointSize: Theme.fontSize(13)
                        font.weight: Font.DemiBold
                    }
                    StatusPill {
                        objectName: "statusPill"
                        label: card.presenter.pillLabel
                        tint: Theme.status(card.presenter.statusColor)
                        pulsing: card.presenter.pulsing
                    }
                }
                Text {
                    id: headline
                    objectName: "headline"
                    Layout.fillWidth: true
                    text: card.presenter.headline
                    color: Theme.text
                    // A word longer than the line (German) shrinks the headline until it fits,
                    // rather than breaking mid-word; shorter words wrap at the full size.
                    font.pointSize: width > 0 && longestWord.width > width
                                    ? Theme.fontSize(24) * width / longestWord.width
                                    : Theme.fontSize(24)
                    font.bold: true
                    font.letterSpacing: -0.35
                    wrapMode: Text.WordWrap
                    TextMetrics {
                        id: longestWord
                        font.pointSize: Theme.fontSize(24)
                        font.bold: true
                        font.letterSpacing: -0.35
                        text: headline.text.split(/\s+/).reduce((a, b) => b.length > a.length ? b : a, "")
                    }
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                Text {
                    objectName: "subline"
                    Layout.fillWidth: true
                    text: card.presenter.subline
                    color: Theme.secondary
                    font.pointSize: Theme.fontSize(12)
                    font.weight: Font.Medium
                    wrapMode: Text.Wrap
                    maximumLineCount: 3
                    elide: Text.ElideRight
                }
            }
            ColumnLayout {
                // A taken shortcut is named by the headline, which then needs the width.
                visible: !card.model.shortcutTaken
                Layout.alignment: Qt.AlignTop
                spacing: 5
                Text {
                    Layout.alignment: Qt.AlignRight
                    text: qsTr("Shortcut")
                    color: Theme.tertiary
                    font.pointSize: Theme.fontSize(10)
                    font.weight: Font.DemiBold
                }
                Rectangle {
                    implicitWidth: shortcut.implicitWidth + 20
                    implicitHeight: shortcut.implicitHeight + 16
                    radius: Theme.chipRadius
                    color: Theme.ink(Theme.shortcutChipOpacity)
                    Accessible.role: Accessible.StaticText
                    Accessible.name: qsTr("Shortcut %1").arg(shortcut.text)
                    Text {
                        id: shortcut
                        objectName: "shortcutDisplay"
                        anchors.centerIn: parent
                        text: card.model.shortcutDisplay
                        color: Theme.text
                        font.pointSize: Theme.fontSize(13)
                        font.bold: true
                    }
                }
            }
        }
        RowLayout {
            spacing: 8
            InfoChip {
                objectName: "toneChip"
                symbol: "sparkles"
                title: card.model.currentToneTitle
            }
            InfoChip {
                objectName: "languageChip"
                symbol: "globe"
                title: card.model.currentLanguageTitle
            }
        }
    }
}
