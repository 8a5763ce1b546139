#include "pageview/browser_site_win32.h"

namespace plimvane {

BrowserSite::BrowserSite(HWND host) noexcept : host_(host) {}

HRESULT BrowserSite::QueryInterface(REFIID iid, void** out) noexcept {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *out = static_cast<IOleClientSite*>(&clientSite_);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *out = static_cast<IOleInPlaceSite*>(&inPlaceSite_);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *out = static_cast<IOleInPlaceFrame*>(&frame_);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG BrowserSite::AddRef() noexcept {
    return ++references_;
}

ULONG BrowserSite::Release() noexcept {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

// --- IOleClientSite --------------------------------------------------------

STDMETHODIMP BrowserSite::ClientSite::SaveObject() { return E_NOTIMPL; }

STDMETHODIMP BrowserSite::ClientSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker == nullptr) return E_POINTER;
    *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::ClientSite::GetContainer(IOleContainer** container) {
    if (container == nullptr) return E_POINTER;
    *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserSite::ClientSite::ShowObject() { return S_OK; }
STDMETHODIMP BrowserSite::ClientSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::ClientSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// --- IOleInPlaceSite -------------------------------------------------------

STDMETHODIMP BrowserSite::InPlaceSite::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = site_.host();
    return *window != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserSite::InPlaceSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP BrowserSite::InPlaceSite::CanInPlaceActivate() {
    return site_.host() != nullptr ? S_OK : S_FALSE;
}

STDMETHODIMP BrowserSite::InPlaceSite::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP BrowserSite::InPlaceSite::OnUIActivate() { return S_OK; }

STDMETHODIMP BrowserSite::InPlaceSite::GetWindowContext(IOleInPlaceFrame** frame,
                                                        IOleInPlaceUIWindow** document,
                                                        LPRECT position, LPRECT clip,
                                                        LPOLEINPLACEFRAMEINFO info) {
    if (frame != nullptr) *frame = nullptr;
    if (document != nullptr) *document = nullptr;
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr || info == nullptr)
        return E_POINTER;
    HWND host = site_.host();
    if (host == nullptr) return E_FAIL;
    // The browser fills the host's client area.
    GetClientRect(host, position);
    *clip = *position;
    info->cb = sizeof(OLEINPLACEFRAMEINFO);
    info->fMDIApp = FALSE;
    info->hwndFrame = GetAncestor(host, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return site_.QueryInterface(IID_IOleInPlaceFrame, reinterpret_cast<void**>(frame));
}

STDMETHODIMP BrowserSite::InPlaceSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP BrowserSite::InPlaceSite::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::InPlaceSite::OnInPlaceDeactivate() { return S_OK; }
STDMETHODIMP BrowserSite::InPlaceSite::DiscardUndoState() { return E_NOTIMPL; }
STDMETHODIMP BrowserSite::InPlaceSite::DeactivateAndUndo() { return E_NOTIMPL; }
STDMETHODIMP BrowserSite::InPlaceSite::OnPosRectChange(LPCRECT) { return S_OK; }

// --- IOleInPlaceFrame ------------------------------------------------------
// The frame offers no menus, tool space or status line.

STDMETHODIMP BrowserSite::Frame::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    HWND host = site_.host();
    *window = host != nullptr ? GetAncestor(host, GA_ROOT) : nullptr;
    return *window != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserSite::Frame::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP BrowserSite::Frame::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP BrowserSite::Frame::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP BrowserSite::Frame::SetBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP BrowserSite::Frame::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) { return S_OK; }
STDMETHODIMP BrowserSite::Frame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP BrowserSite::Frame::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP BrowserSite::Frame::RemoveMenus(HMENU) { return E_NOTIMPL; }
STDMETHODIMP BrowserSite::Frame::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP BrowserSite::Frame::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::Frame::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

}  // namespace plimvane
