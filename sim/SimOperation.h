#pragma once

// Feature operations that can be made to fail.
enum class SimOperation {
    GetName,
    GetDescription,
    GetEntryDescriptions,
    GetType,
    RegisterObserver,
    UnregisterObserver,
    GetValue,
    GetEntries,
    SetValue,
    GetRange,
    GetIncrement,
    IsWritable,
    IsAvailable,
    IsEntryAvailable,
};

enum class SimNotifyMode {
    Synchronous, // featureUpdated runs on the thread that made the change
    Thread,      // featureUpdated runs on the camera's own notification thread
};
