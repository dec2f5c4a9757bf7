#pragma once

#include <QIcon>

// The tool bar pictures, drawn at start rather than loaded: the style's
// stock icons are read from several PNG files each and cost a noticeable
// part of the start-up time.
enum class ToolIcon {
    Directory,
    Settings,
    Search,
    Single,
    Multi,
    Table,
    Launcher,
    StopBusy,
    StopIdle,
    Back,
    Forward,
    Collect,
    HardDisk,
    World,
    Start,
    Web
};

QIcon toolIcon(ToolIcon which);
