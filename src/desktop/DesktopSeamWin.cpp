#include "desktop/DesktopSeam.h"

#include <QWidget>

#include <windows.h>
#include <shobjidl.h>

namespace movarin {

namespace {

// The main window's button through the shell's taskbar list.
class ShellTaskbarButton final : public ITaskbarButton {
public:
    explicit ShellTaskbarButton(QWidget& window)
        : window_(reinterpret_cast<HWND>(window.winId()))
    {
        // Qt has set the user-interface thread up for OLE already; a call that
        // finds it so counts once more and is undone with the button.
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        comHeld_ = SUCCEEDED(com);
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskbarList3, reinterpret_cast<void**>(&list_))))
            list_ = nullptr;
        else if (FAILED(list_->HrInit())) {
            list_->Release();
            list_ = nullptr;
        }
    }
    ~ShellTaskbarButton() override
    {
        if (list_)
            list_->Release();
        if (comHeld_)
            CoUninitialize();
    }
    void SetState(State state) override
    {
        if (list_)
            list_->SetProgressState(window_, state == State::Error    ? TBPF_ERROR
                                             : state == State::Normal ? TBPF_NORMAL
                                                                      : TBPF_NOPROGRESS);
    }
    void SetValue(int percent) override
    {
        if (list_)
            list_->SetProgressValue(window_, ULONGLONG(percent), 100);
    }

private:
    HWND window_;
    ITaskbarList3* list_ = nullptr;
    bool comHeld_ = false;
};

} // namespace

DesktopSeam SystemDesktopSeam()
{
    return {[](std::uint32_t flags) -> std::uint32_t {
                return SetThreadExecutionState(EXECUTION_STATE(flags));
            },
            [](QWidget& window) -> std::unique_ptr<ITaskbarButton> {
                return std::make_unique<ShellTaskbarButton>(window);
            }};
}

} // namespace movarin
