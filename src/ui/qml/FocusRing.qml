import QtQuick

// Where the keyboard focus is: an accent outline around the control it is declared in, shown
// when the focus came from the keyboard (Tab), not from a click.
Rectangle {
    property real radiusOffset: 2
    anchors.fill: parent
    anchors.margins: -2
    radius: Theme.controlRadius + radiusOffset
    color: "transparent"
    border.width: 2
    border.color: Theme.accent
    visible: parent.visualFocus === true
    Accessible.ignored: true
}
