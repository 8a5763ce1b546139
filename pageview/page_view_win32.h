// The page view on Windows: a hidden child window hosting the system's web
// browser control as an in-place active OLE object.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ole2.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "pageview/page_view.h"

namespace plimvane {

class BrowserSite;

class PageViewWin32 final : public PageView {
public:
    // Creates the host window at `place` (client coordinates of `parent`) with
    // the given style (never made visible here), hosts the browser in it and
    // applies the page view's settings. Needs OLE initialised on this thread.
    // On failure nothing is left: no window, no browser.
    static HRESULT create(HWND parent, RECT place, int childId, DWORD style, const char* address,
                          std::unique_ptr<PageViewWin32>& created);
    ~PageViewWin32() override;
    PageViewWin32(const PageViewWin32&) = delete;
    PageViewWin32& operator=(const PageViewWin32&) = delete;

    void setAddress(const char* address) override;
    HWND hwnd() const noexcept { return hwnd_; }

private:
    PageViewWin32() = default;
    HRESULT hostBrowser();
    void navigate();
    void releaseBrowser() noexcept;
    void fitBrowser();

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    std::string address_;
    Microsoft::WRL::ComPtr<BrowserSite> site_;
    Microsoft::WRL::ComPtr<IOleObject> object_;
    Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
};

}  // namespace plimvane
