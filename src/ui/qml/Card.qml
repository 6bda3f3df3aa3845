import QtQuick

// The shared card look: a faint fill with a faint outline on rounded corners.
Rectangle {
    property real fillOpacity: Theme.cardFillOpacity
    property bool outlined: true

    radius: Theme.cardRadius
    color: Theme.ink(fillOpacity)
    border.width: outlined ? 1 : 0
    border.color: Theme.ink(Theme.cardOutlineOpacity)
}
