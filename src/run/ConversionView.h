#pragma once
#include <string>

// What the driver needs from the window that shows the run.
class IConversionView {
public:
    virtual void RefreshJobList() = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void SetBusy(bool busy) = 0;
    virtual void RestoreApplication() = 0;

protected:
    ~IConversionView() = default;
};
