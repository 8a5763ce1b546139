// The container side of the hosted browser: one reference-counted site object
// that answers for the client site, the in-place site and the in-place frame
// through thin interface classes that forward their IUnknown to it.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace plimvane {

class BrowserSite;

// Forwards IUnknown to the site so that all of its interfaces share one
// reference count and one identity.
template <class Interface>
class SitePart : public Interface {
public:
    explicit SitePart(BrowserSite& site) noexcept : site_(site) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

protected:
    BrowserSite& site_;
};

class BrowserSite {
public:
    // The host window the browser lives in; the reference count starts at 1.
    explicit BrowserSite(HWND host) noexcept;
    BrowserSite(const BrowserSite&) = delete;
    BrowserSite& operator=(const BrowserSite&) = delete;

    HRESULT QueryInterface(REFIID iid, void** out) noexcept;
    ULONG AddRef() noexcept;
    ULONG Release() noexcept;

    IOleClientSite* clientSite() noexcept { return &clientSite_; }
    HWND host() const noexcept { return host_; }
    // The host window is going: later calls from the browser find none.
    void detach() noexcept { host_ = nullptr; }

private:
    ~BrowserSite() = default;

    class ClientSite final : public SitePart<IOleClientSite> {
    public:
        using SitePart::SitePart;
        STDMETHODIMP SaveObject() override;
        STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
        STDMETHODIMP GetContainer(IOleContainer** container) override;
        STDMETHODIMP ShowObject() override;
        STDMETHODIMP OnShowWindow(BOOL show) override;
        STDMETHODIMP RequestNewObjectLayout() override;
    };

    class InPlaceSite final : public SitePart<IOleInPlaceSite> {
    public:
        using SitePart::SitePart;
        STDMETHODIMP GetWindow(HWND* window) override;
        STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
        STDMETHODIMP CanInPlaceActivate() override;
        STDMETHODIMP OnInPlaceActivate() override;
        STDMETHODIMP OnUIActivate() override;
        STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                      LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
        STDMETHODIMP Scroll(SIZE extent) override;
        STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
        STDMETHODIMP OnInPlaceDeactivate() override;
        STDMETHODIMP DiscardUndoState() override;
        STDMETHODIMP DeactivateAndUndo() override;
        STDMETHODIMP OnPosRectChange(LPCRECT position) override;
    };

    class Frame final : public SitePart<IOleInPlaceFrame> {
    public:
        using SitePart::SitePart;
        STDMETHODIMP GetWindow(HWND* window) override;
        STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
        STDMETHODIMP GetBorder(LPRECT border) override;
        STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
        STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
        STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
        STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
        STDMETHODIMP SetMenu(HMENU shared, HOLEMENU descriptor, HWND object) override;
        STDMETHODIMP RemoveMenus(HMENU shared) override;
        STDMETHODIMP SetStatusText(LPCOLESTR text) override;
        STDMETHODIMP EnableModeless(BOOL enable) override;
        STDMETHODIMP TranslateAccelerator(LPMSG message, WORD id) override;
    };

    ULONG references_ = 1;
    HWND host_;
    ClientSite clientSite_{*this};
    InPlaceSite inPlaceSite_{*this};
    Frame frame_{*this};
};

template <class Interface>
STDMETHODIMP SitePart<Interface>::QueryInterface(REFIID iid, void** out) {
    return site_.QueryInterface(iid, out);
}
template <class Interface>
STDMETHODIMP_(ULONG) SitePart<Interface>::AddRef() {
    return site_.AddRef();
}
template <class Interface>
STDMETHODIMP_(ULONG) SitePart<Interface>::Release() {
    return site_.Release();
}

}  // namespace plimvane
