#pragma once

// Passed to the host by value; plug-ins report failures as Error and registration notes as Warning.
enum class PlugInHostLogLevel : int {
    Error = 0,
    Warning = 1,
    Info = 2,
    Debug = 3,
};
