#include "runner/RunnerTypes.h"

#include <array>

std::uint32_t ShowWindowValue(TShowWindow value)
{
    // SW_HIDE, SW_MAXIMIZE, SW_MINIMIZE, SW_RESTORE, SW_SHOW, SW_SHOWDEFAULT,
    // SW_SHOWMAXIMIZED, SW_SHOWMINIMIZED, SW_SHOWMINNOACTIVE, SW_SHOWNA,
    // SW_SHOWNOACTIVATE, SW_SHOWNORMAL
    static constexpr std::array<std::uint32_t, 12> table{0, 3, 6, 9, 5, 10, 3, 2, 7, 8, 4, 1};
    return value < table.size() ? table[value] : 0;
}

std::uint32_t CreationFlagValue(TCreationFlag value)
{
    static constexpr std::array<std::uint32_t, 10> table{
        0x04000000,  // CREATE_DEFAULT_ERROR_MODE
        0x10,        // CREATE_NEW_CONSOLE
        0x200,       // CREATE_NEW_PROCESS_GROUP
        0x800,       // CREATE_SEPARATE_WOW_VDM
        0x1000,      // CREATE_SHARED_WOW_VDM
        0x4,         // CREATE_SUSPENDED
        0x400,       // CREATE_UNICODE_ENVIRONMENT
        0x1,         // DEBUG_PROCESS
        0x2,         // DEBUG_ONLY_THIS_PROCESS
        0x8,         // DETACHED_PROCESS
    };
    return value < table.size() ? table[value] : 0;
}
