pragma Singleton
import QtQml

// The one table from the symbol names the views use to the bundled icons (see icons/LICENSE).
QtObject {
    readonly property var files: ({
        "arrow.clockwise": "icons/arrow.clockwise.svg",
        "arrow.up.right": "icons/arrow.up.right.svg",
        "checklist": "icons/checklist.svg",
        "checkmark.circle.fill": "icons/checkmark.circle.fill.svg",
        "chevron.up.chevron.down": "icons/chevron.up.chevron.down.svg",
        "circle.dashed": "icons/circle.dashed.svg",
        // A keyboard: the shortcut is Super+letter here, not the other platform's key.
        "command": "icons/command.svg",
        "die.face.5": "icons/die.face.5.svg",
        "exclamationmark.triangle.fill": "icons/exclamationmark.triangle.fill.svg",
        "gearshape": "icons/gearshape.svg",
        "globe": "icons/globe.svg",
        "info.circle.fill": "icons/info.circle.fill.svg",
        "lock.open.display": "icons/lock.open.display.svg",
        "lock.shield": "icons/lock.shield.svg",
        "pencil.and.outline": "icons/pencil.and.outline.svg",
        "person.badge.key": "icons/person.badge.key.svg",
        "person.crop.circle.fill": "icons/person.crop.circle.fill.svg",
        "slider.horizontal.3": "icons/slider.horizontal.3.svg",
        "sparkles": "icons/sparkles.svg",
        "sparkles.rectangle.stack.fill": "icons/sparkles.rectangle.stack.fill.svg",
        "text.quote": "icons/text.quote.svg",
        "wand.and.stars.inverse": "icons/wand.and.stars.inverse.svg",
        "xmark": "icons/xmark.svg",
        "xmark.octagon.fill": "icons/xmark.octagon.fill.svg"
    })

    function url(name) {
        const file = files[name]
        if (!file) {
            console.warn("unknown symbol", name)
            return ""
        }
        return Qt.resolvedUrl(file)
    }
}
