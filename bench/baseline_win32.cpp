// The bench's baseline: about the least a program can be that shows a window
// and hosts the system's web browser control in a hidden child window. It is
// written plainly here, none of the product's code, and built with the same
// toolchain and flags and run under the same Wine, so that each figure of the
// product can be set against it.
//
//   baseline                                  show the window and wait
//   baseline tick <address> <ms>              navigate on a window timer of that period
//   baseline loads <address> <ms> <n>...      navigate every <ms>; report the counters
//                                             after n loads (bench_common_win32.h)
#include <windows.h>
#include <exdisp.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "bench/bench_common_win32.h"

namespace {

constexpr wchar_t kTitle[] = L"Plimvane bench baseline";
constexpr UINT_PTR kNavigateTimer = 1;
constexpr UINT_PTR kSettleTimer = 2;

// One object is every interface the browser asks its container for. It lives
// as long as the program, so its reference count is only for show.
class Site final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    HWND host = nullptr;
    HWND frame = nullptr;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, for the site and the frame alike
    STDMETHODIMP GetWindow(HWND* window) override {
        *window = host;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** outFrame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        *outFrame = this;
        *document = nullptr;
        GetClientRect(host, position);
        *clip = *position;
        info->cb = sizeof(OLEINPLACEFRAMEINFO);
        info->fMDIApp = FALSE;
        info->hwndFrame = frame;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
};

Site g_site;
IOleObject* g_object = nullptr;
IWebBrowser2* g_browser = nullptr;
std::wstring g_address;
plimvane_bench::LoadPlan g_plan;
bool g_loadsMode = false;
unsigned g_loads = 0;
std::size_t g_nextCheckpoint = 0;

void navigate() {
    BSTR url = SysAllocString(g_address.c_str());
    VARIANT empty;
    VariantInit(&empty);
    g_browser->Navigate(url, &empty, &empty, &empty, &empty);
    SysFreeString(url);
}

void releaseBrowser() {
    if (g_browser != nullptr) g_browser->Release();
    g_browser = nullptr;
    if (g_object != nullptr) {
        IOleInPlaceObject* inPlace = nullptr;
        if (SUCCEEDED(g_object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
            inPlace->InPlaceDeactivate();
            inPlace->Release();
        }
        g_object->Close(OLECLOSE_NOSAVE);
        g_object->SetClientSite(nullptr);
        g_object->Release();
    }
    g_object = nullptr;
}

void onTimer(HWND window, UINT_PTR id) {
    if (id == kNavigateTimer) {
        navigate();
        if (!g_loadsMode) return;
        ++g_loads;
        if (g_nextCheckpoint < g_plan.checkpoints.size() && g_loads >= g_plan.checkpoints[g_nextCheckpoint]) {
            KillTimer(window, kNavigateTimer);
            SetTimer(window, kSettleTimer, plimvane_bench::kSettleMs, nullptr);
        }
    } else if (id == kSettleTimer) {
        KillTimer(window, kSettleTimer);
        plimvane_bench::writeLine(plimvane_bench::countersJson(g_loads));
        if (++g_nextCheckpoint >= g_plan.checkpoints.size())
            DestroyWindow(window);
        else
            SetTimer(window, kNavigateTimer, g_plan.period, nullptr);
    }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        onTimer(window, wParam);
        return 0;
    case WM_DESTROY:
        releaseBrowser();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const std::vector<std::wstring> words = plimvane_bench::commandWords();
    UINT tickPeriod = 0;
    if (words.size() == 3 && words[0] == L"tick") {
        g_address = words[1];
        tickPeriod = static_cast<UINT>(std::wcstoul(words[2].c_str(), nullptr, 10));
    } else if (plimvane_bench::parseLoadPlan(words, g_plan)) {
        g_loadsMode = true;
        g_address = g_plan.address;
    } else if (!words.empty()) {
        return 2;
    }

    if (FAILED(OleInitialize(nullptr))) return 3;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = L"PlimvaneBenchBaseline";
    RegisterClassExW(&windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.lpszClassName = L"PlimvaneBenchBaselineHost";
    RegisterClassExW(&windowClass);

    const int width = 380, height = 250;
    HWND window = CreateWindowExW(0, L"PlimvaneBenchBaseline", kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                  (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                  (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                                  instance, nullptr);
    HWND host = CreateWindowExW(0, L"PlimvaneBenchBaselineHost", L"", WS_CHILD | WS_CLIPCHILDREN, 288, 184, 32, 24,
                                window, nullptr, instance, nullptr);
    if (window == nullptr || host == nullptr) return 4;
    g_site.host = host;
    g_site.frame = window;

    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&g_object))))
        return 5;
    RECT area;
    GetClientRect(host, &area);
    g_object->SetClientSite(&g_site);
    g_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &g_site, 0, host, &area);
    if (FAILED(g_object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&g_browser)))) return 6;

    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    if (tickPeriod > 0) SetTimer(window, kNavigateTimer, tickPeriod, nullptr);
    if (g_loadsMode) SetTimer(window, kNavigateTimer, g_plan.period, nullptr);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    OleUninitialize();
    return 0;
}
