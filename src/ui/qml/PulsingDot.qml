import QtQuick

// The status dot. While `active` it fades between full and 0.4 opacity (0.7 s each way); the
// fade starts only when `active` turns true, so a dot that appears already active stays still.
Rectangle {
    id: dot
    property bool active: false
    property bool pulsing: false

    width: 8
    height: 8
    radius: 4
    onActiveChanged: {
        pulsing = false
        opacity = 1
        if (active)
            pulsing = true
    }

    SequentialAnimation on opacity {
        running: dot.active && dot.pulsing
        loops: Animation.Infinite
        alwaysRunToEnd: false
        NumberAnimation { from: 1; to: 0.4; duration: 700; easing.type: Easing.InOutQuad }
        NumberAnimation { from: 0.4; to: 1; duration: 700; easing.type: Easing.InOutQuad }
        onRunningChanged: if (!running) dot.opacity = 1
    }
}
