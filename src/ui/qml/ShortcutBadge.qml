import QtQuick
import QtQuick.Controls.Basic

// A key cap of the shortcut. Lit when the key is part of it; a toggleable one reacts to the
// pointer and to clicks.
Control {
    FocusRing { radiusOffset: -2 }
    // The Shift key cap is a toggle: reachable by Tab, pressed with Space or Enter.
    focusPolicy: isToggleable ? Qt.StrongFocus : Qt.NoFocus
    Keys.onSpacePressed: if (isToggleable) tapped()
    Keys.onReturnPressed: if (isToggleable) tapped()
    Keys.onEnterPressed: if (isToggleable) tapped()
    id: badge
    property string label
    property bool isActive
    property bool isToggleable
    signal tapped()
    readonly property bool isHovered: isToggleable && hover.hovered

    implicitWidth: Math.max(48, contentItem.implicitWidth + 16)
    implicitHeight: 26
    scale: isHovered ? 0.95 : 1.0
    Behavior on scale { NumberAnimation { duration: 100; easing.type: Easing.InOutQuad } }
    Accessible.role: isToggleable ? Accessible.CheckBox : Accessible.StaticText
    Accessible.name: label
    Accessible.checkable: isToggleable
    Accessible.checked: isActive
    Accessible.onPressAction: if (isToggleable) tapped()
    ToolTip.visible: isToggleable && hover.hovered
    ToolTip.delay: 400
    ToolTip.text: isToggleable ? (isActive ? qsTr("Remove Shift modifier") : qsTr("Add Shift modifier")) : ""

    background: Rectangle {
        radius: 6
        color: badge.isActive ? Theme.accent : Theme.ink(badge.isHovered ? 0.8 * 0.25 : 0.5 * 0.25)
        border.width: 0.5
        border.color: badge.isActive ? Theme.withAlpha(Theme.accent, 0.6) : Theme.separator
    }
    contentItem: Text {
        text: badge.label
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        color: badge.isActive ? Theme.textOnAccent : Theme.secondary
        font.pointSize: Theme.fontSize(14)
        font.weight: Font.DemiBold
    }
    HoverHandler {
        id: hover
        enabled: badge.isToggleable
    }
    TapHandler {
        enabled: badge.isToggleable
        onTapped: badge.tapped()
    }
}
