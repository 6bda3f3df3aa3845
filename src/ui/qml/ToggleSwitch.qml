import QtQuick
import QtQuick.Controls.Basic

// An on/off switch in the views' own look.
Switch {
    FocusRing { radiusOffset: 8 }
    id: control
    padding: 0
    implicitWidth: 36
    implicitHeight: 20
    Accessible.role: Accessible.CheckBox

    indicator: Rectangle {
        implicitWidth: 36
        implicitHeight: 20
        x: control.leftPadding
        y: (control.height - height) / 2
        radius: height / 2
        color: control.checked ? Theme.accent : Theme.ink(0.18)
        Rectangle {
            x: control.checked ? parent.width - width - 2 : 2
            y: 2
            width: 16
            height: 16
            radius: 8
            color: "#ffffff"
            Behavior on x { NumberAnimation { duration: 100 } }
        }
    }
    contentItem: Item {}
}
