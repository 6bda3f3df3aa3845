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
    // The parent is a control; the linter of Qt 6.4 only sees an Item there.
    visible: parent.visualFocus === true // qmllint disable type
    Accessible.ignored: true
}
