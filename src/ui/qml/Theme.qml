pragma Singleton
import QtQuick

// Sizes, radii and colours of the views. Colours follow the desktop palette: the fills are
// white at low opacity on a dark palette and the same opacities in black on a light one.
QtObject {
    readonly property SystemPalette system: SystemPalette { colorGroup: SystemPalette.Active }
    readonly property bool dark: system.window.hslLightness < 0.5

    function ink(opacity) {
        return dark ? Qt.rgba(1, 1, 1, opacity) : Qt.rgba(0, 0, 0, opacity)
    }
    function withAlpha(c, opacity) {
        return Qt.rgba(c.r, c.g, c.b, opacity)
    }
    function status(name) {
        switch (name) {
        case "orange": return orange
        case "green": return green
        case "red": return red
        case "blue": return blue
        }
        return text
    }

    readonly property color window: system.window
    readonly property color underPage: withAlpha(dark ? Qt.darker(system.window, 1.35)
                                                      : Qt.darker(system.window, 1.06), 0.97)
    readonly property color text: dark ? "#f5f5f7" : "#1d1d1f"
    readonly property color secondary: ink(0.62)
    readonly property color tertiary: ink(0.42)
    readonly property color separator: ink(0.12)
    readonly property color accent: dark ? "#0a84ff" : "#0064d2"
    readonly property color textOnAccent: "#ffffff"

    readonly property color green: dark ? Qt.rgba(0.36, 0.82, 0.56, 1) : Qt.rgba(0.12, 0.58, 0.32, 1)
    readonly property color orange: dark ? "#ff9f0a" : "#c25e00"
    readonly property color red: dark ? "#ff453a" : "#d70015"
    readonly property color blue: dark ? "#0a84ff" : "#0064d2"

    // The header card and the main button: dark slate on a dark palette, pale slate on a light one.
    readonly property color heroTop: dark ? Qt.rgba(0.15, 0.16, 0.20, 1) : Qt.rgba(0.97, 0.97, 0.98, 1)
    readonly property color heroBottom: dark ? Qt.rgba(0.08, 0.09, 0.12, 1) : Qt.rgba(0.89, 0.90, 0.93, 1)
    readonly property color buttonTop: dark ? Qt.rgba(0.16, 0.18, 0.22, 1) : Qt.rgba(0.95, 0.96, 0.97, 1)
    readonly property color buttonBottom: dark ? Qt.rgba(0.08, 0.09, 0.12, 1) : Qt.rgba(0.86, 0.88, 0.91, 1)

    // Text follows the desktop's font and its size: the views are drawn for a 13 px body text,
    // and each size keeps its proportion to the application font's.
    // The linter of Qt 6.4 does not know the font of Qt.application.
    // qmllint disable type
    readonly property real bodyPointSize: Qt.application.font.pointSizeF > 0
                                          ? Qt.application.font.pointSizeF : 10
    // qmllint enable type
    function fontSize(designPixels) {
        return bodyPointSize * designPixels / 13
    }

    readonly property real cardFillOpacity: 0.055
    readonly property real cardOutlineOpacity: 0.06
    readonly property real heroOutlineOpacity: 0.08
    readonly property real chipFillOpacity: 0.08
    readonly property real chipTextOpacity: 0.86
    readonly property real shortcutChipOpacity: 0.1

    readonly property int panelWidth: 368
    readonly property int previewWidth: 460
    readonly property int previewTextHeight: 150
    readonly property int panelPadding: 16
    readonly property int sectionSpacing: 14
    readonly property int cardRadius: 18
    readonly property int cardPadding: 14
    readonly property int pickerPadding: 12
    readonly property int controlRadius: 10
    readonly property int chipRadius: 8

    readonly property int settingsWidth: 760
    readonly property int settingsHeight: 720
    readonly property int navigationWidth: 220
    readonly property int navigationPadding: 18
    readonly property int pickerWidth: 190
    readonly property int shortcutFieldWidth: 180
}
