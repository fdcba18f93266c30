#pragma once
// Plain types of the console runner, shared by the component, its worker and
// the line cutter. No Qt here.
#include <cstdint>
#include <stdexcept>

enum TOutputType : std::uint8_t { otCompleteLine, otPartialLine };

// How a complete line ended: CR LF in one read, or anything else.
enum TReturnCode : std::uint8_t { rcCRLF, rcLF };

enum TShowWindow : std::uint8_t {
    swHIDE,
    swMAXIMIZE,
    swMINIMIZE,
    swRESTORE,
    swSHOW,
    swSHOWDEFAULT,
    swSHOWMAXIMIZED,
    swSHOWMINIMIZED,
    swSHOWMINNOACTIVE,
    swSHOWNA,
    swSHOWNOACTIVATE,
    swSHOWNORMAL,
};

enum TCreationFlag : std::uint8_t {
    fCREATE_DEFAULT_ERROR_MODE,
    fCREATE_NEW_CONSOLE,
    fCREATE_NEW_PROCESS_GROUP,
    fCREATE_SEPARATE_WOW_VDM,
    fCREATE_SHARED_WOW_VDM,
    fCREATE_SUSPENDED,
    fCREATE_UNICODE_ENVIRONMENT,
    fDEBUG_PROCESS,
    fDEBUG_ONLY_THIS_PROCESS,
    fDETACHED_PROCESS,
};

// Stage or outcome of the latest run.
enum TRunStatus : std::uint8_t {
    rsStarting = 0,
    rsStartFailed = 1,
    rsCreatingPipes = 2,
    rsPipeFailed = 3,
    rsCreatingProcess = 4,
    rsProcessFailed = 5,
    rsRunning = 6,
    rsRunFailed = 7,
    rsExited = 8,
    rsStopped = 9,
    rsTimedOut = 10,
};

// The exit status that means "the child did not end by itself".
inline constexpr std::uint32_t StillActiveExitCode = 259;
inline constexpr std::uint32_t NormalPriorityClass = 0x20;

// The show command and creation flag a child would receive on a platform
// with console windows. Carried as numbers; they have no effect on Linux.
std::uint32_t ShowWindowValue(TShowWindow value);
std::uint32_t CreationFlagValue(TCreationFlag value);

// Raised and caught inside the worker; they never reach the caller of Start.
class TCreatePipeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TCreateProcessError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
