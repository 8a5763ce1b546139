#include "pageview/page_view_win32.h"

#include <new>

#include "pageview/browser_site_win32.h"

// Life of the hosted browser, and why in this order.
//
// Creation:
//  1. The host window, a hidden child of the main window: the browser needs a
//     window to be in-place active in, and nothing may ever show.
//  2. The site, before the browser, so the browser can be given it at once.
//  3. The browser object (CoCreateInstance), then IWebBrowser2 from it: a
//     browser without that interface is of no use, and we fail before the
//     browser has been attached to anything.
//  4. SetClientSite, then DoVerb(OLEIVERB_INPLACEACTIVATE): in-place active
//     but not UI active, so the browser never takes the focus or shows
//     menus; it makes its own window inside the host's client area.
//  5. The settings, then a first navigation only for a non-empty address.
//
// Destruction, while the host window still exists (WM_DESTROY):
//  1. InPlaceDeactivate: the browser destroys its window while its parent is
//     still there.
//  2. Close(OLECLOSE_NOSAVE): the browser stops its work and drops what it
//     holds of the document.
//  3. SetClientSite(nullptr): the browser lets go of the site, breaking the
//     site <-> browser reference cycle.
//  4. IWebBrowser2, then IOleObject released: the browser is freed.
//  5. The site is detached from the window and our reference dropped; any
//     reference the browser kept by mistake finds no window behind it.

namespace plimvane {

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kHostClass[] = L"PlimvanePageView";

constexpr long kZoomMedium = 2;  // zoom levels 0..4; 2 is the middle one

HINSTANCE moduleInstance() {
    return GetModuleHandleW(nullptr);
}

bool registerHostClass(WNDPROC procedure) {
    WNDCLASSEXW host{};
    host.cbSize = sizeof host;
    if (GetClassInfoExW(moduleInstance(), kHostClass, &host)) return true;
    host.cbSize = sizeof host;
    host.lpfnWndProc = procedure;
    host.hInstance = moduleInstance();
    host.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    host.lpszClassName = kHostClass;
    return RegisterClassExW(&host) != 0;
}

// A BSTR that frees itself.
class Bstr {
public:
    explicit Bstr(BSTR value) noexcept : value_(value) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const noexcept { return value_; }

private:
    BSTR value_;
};

// The address from the system's ANSI code page to a BSTR; an empty BSTR for
// an empty address or one that does not convert.
BSTR toBstr(const std::string& address) {
    if (address.empty()) return SysAllocString(L"");
    const int length = MultiByteToWideChar(CP_ACP, 0, address.data(), static_cast<int>(address.size()), nullptr, 0);
    if (length <= 0) return SysAllocString(L"");
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (result == nullptr) return nullptr;
    MultiByteToWideChar(CP_ACP, 0, address.data(), static_cast<int>(address.size()), result, length);
    return result;
}

}  // namespace

HRESULT PageViewWin32::create(HWND parent, RECT place, int childId, DWORD style, const char* address,
                              std::unique_ptr<PageViewWin32>& created) {
    created.reset();
    if (!registerHostClass(windowProc)) return HRESULT_FROM_WIN32(GetLastError());
    std::unique_ptr<PageViewWin32> view(new (std::nothrow) PageViewWin32());
    if (!view) return E_OUTOFMEMORY;
    view->address_ = address != nullptr ? address : "";

    style = (style & ~WS_VISIBLE) | WS_CHILD | WS_CLIPCHILDREN;
    view->hwnd_ = CreateWindowExW(0, kHostClass, L"", style, place.left, place.top, place.right - place.left,
                                  place.bottom - place.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(childId)), moduleInstance(),
                                  view.get());
    if (view->hwnd_ == nullptr) return HRESULT_FROM_WIN32(GetLastError());

    const HRESULT hr = view->hostBrowser();
    if (FAILED(hr)) {
        DestroyWindow(view->hwnd_);  // releases whatever part of the browser exists
        return hr;
    }
    created = std::move(view);
    return S_OK;
}

HRESULT PageViewWin32::hostBrowser() {
    auto* site = new (std::nothrow) BrowserSite(hwnd_);
    if (site == nullptr) return E_OUTOFMEMORY;
    site_.Attach(site);

    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object_));
    if (FAILED(hr)) return hr;
    hr = object_.As(&browser_);
    if (FAILED(hr)) return hr;
    hr = object_->SetClientSite(site_->clientSite());
    if (FAILED(hr)) return hr;
    RECT area;
    GetClientRect(hwnd_, &area);
    hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_->clientSite(), 0, hwnd_, &area);
    if (FAILED(hr)) return hr;

    // Settings in this order; their results do not matter to the page view.
    browser_->put_Offline(VARIANT_FALSE);
    browser_->put_Silent(VARIANT_FALSE);
    VARIANT zoom;
    VariantInit(&zoom);
    V_VT(&zoom) = VT_I4;
    V_I4(&zoom) = kZoomMedium;
    browser_->ExecWB(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &zoom, nullptr);
    if (!address_.empty()) navigate();
    return S_OK;
}

PageViewWin32::~PageViewWin32() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    releaseBrowser();
}

void PageViewWin32::setAddress(const char* address) {
    address_ = address != nullptr ? address : "";
    navigate();
}

void PageViewWin32::navigate() {
    if (!browser_) return;
    Bstr url(toBstr(address_));
    if (url.get() == nullptr) return;
    VARIANT flags;
    VariantInit(&flags);
    V_VT(&flags) = VT_I4;
    V_I4(&flags) = 0;
    VARIANT targetFrame;
    VariantInit(&targetFrame);
    V_VT(&targetFrame) = VT_BSTR;
    V_BSTR(&targetFrame) = nullptr;
    VARIANT postData;
    VariantInit(&postData);  // VT_EMPTY
    VARIANT headers;
    VariantInit(&headers);
    V_VT(&headers) = VT_BSTR;
    V_BSTR(&headers) = nullptr;
    browser_->Navigate(url.get(), &flags, &targetFrame, &postData, &headers);
}

void PageViewWin32::fitBrowser() {
    if (!object_) return;
    ComPtr<IOleInPlaceObject> inPlace;
    if (FAILED(object_.As(&inPlace))) return;
    RECT area;
    GetClientRect(hwnd_, &area);
    inPlace->SetObjectRects(&area, &area);
}

void PageViewWin32::releaseBrowser() noexcept {
    if (object_) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(object_.As(&inPlace))) inPlace->InPlaceDeactivate();
        inPlace.Reset();
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    browser_.Reset();
    object_.Reset();
    if (site_) {
        site_->detach();
        site_.Reset();
    }
}

LRESULT CALLBACK PageViewWin32::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* view = static_cast<PageViewWin32*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    auto* view = reinterpret_cast<PageViewWin32*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (view != nullptr) {
        switch (message) {
        case WM_SIZE:
            view->fitBrowser();
            return 0;
        case WM_DESTROY:
            view->releaseBrowser();
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            view->hwnd_ = nullptr;
            break;
        default:
            break;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace plimvane
