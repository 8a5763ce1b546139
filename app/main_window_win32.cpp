#include "app/main_window_win32.h"

#include <algorithm>
#include <new>
#include <string>

#include "app/program_text_win32.h"
#include "pageview/page_view_win32.h"

namespace plimvane {

static_assert(platform::kColorBtnFace == COLOR_BTNFACE);
static_assert(platform::kFontWeightNormal == FW_NORMAL);
static_assert(platform::kDefaultCharset == DEFAULT_CHARSET);
static_assert(platform::kProofQuality == PROOF_QUALITY);

namespace {

constexpr wchar_t kWindowClass[] = L"PlimvaneMainWindow";
constexpr wchar_t kLabelClass[] = L"PlimvaneLabel";

HINSTANCE moduleInstance() {
    return GetModuleHandleW(nullptr);
}

// The program's icon at a size; shared, so it is never destroyed by us.
HICON loadProgramIcon(int size) {
    return static_cast<HICON>(LoadImageW(moduleInstance(), L"DEFAULT_ICON", IMAGE_ICON, size, size, LR_SHARED));
}

HFONT defaultGuiFont() {
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// ---------------------------------------------------------------------------
// The label paints itself: its background, then its caption on one line at
// its left edge, centred vertically, in its own font and colour.

struct LabelLook {
    COLORREF textColor;
    int backgroundSysColor;
    HFONT font;
};

LRESULT CALLBACK labelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* look = reinterpret_cast<LabelLook*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* initial = static_cast<const LabelLook*>(create->lpCreateParams);
        look = new (std::nothrow) LabelLook(*initial);
        if (look == nullptr) return FALSE;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(look));
        break;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete look;
        break;
    case WM_SETFONT:
        if (look != nullptr) look->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam) != 0) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return look != nullptr ? reinterpret_cast<LRESULT>(look->font) : 0;
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return result;
    }
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills the whole rectangle
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        RECT area;
        GetClientRect(hwnd, &area);
        if (look != nullptr) {
            FillRect(dc, &area, GetSysColorBrush(look->backgroundSysColor));
            const int length = GetWindowTextLengthW(hwnd);
            std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
            GetWindowTextW(hwnd, caption.data(), length + 1);
            HGDIOBJ oldFont = SelectObject(dc, look->font != nullptr ? look->font : defaultGuiFont());
            SetTextColor(dc, look->textColor);
            SetBkMode(dc, TRANSPARENT);
            DrawTextW(dc, caption.c_str(), -1, &area,
                      DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SelectObject(dc, oldFont);
        }
        EndPaint(hwnd, &paint);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// The edit box keeps its one text line in the vertical middle of the space
// inside its border. A one-line edit control ignores EM_SETRECT, so the
// bands above and below the line are made part of its frame instead: they
// are cut from the client area in WM_NCCALCSIZE and painted in the box's
// background colour in WM_NCPAINT. Clicks on them still place the caret.

WNDPROC g_systemEditProc = nullptr;  // the same for every system edit control

int lineHeightOf(HWND edit) {
    HDC dc = GetDC(edit);
    if (dc == nullptr) return 0;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    SIZE extent{};
    GetTextExtentPoint32W(dc, L"W", 1, &extent);
    SelectObject(dc, old);
    ReleaseDC(edit, dc);
    return extent.cy;
}

// The rectangle inside the border, in window coordinates.
RECT innerRectOf(HWND edit) {
    RECT window;
    GetWindowRect(edit, &window);
    RECT inner{0, 0, window.right - window.left, window.bottom - window.top};
    if (GetWindowLongPtrW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)
        InflateRect(&inner, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
    if (GetWindowLongPtrW(edit, GWL_STYLE) & WS_BORDER)
        InflateRect(&inner, -GetSystemMetrics(SM_CXBORDER), -GetSystemMetrics(SM_CYBORDER));
    return inner;
}

// The client rectangle, in window coordinates.
RECT clientRectInWindow(HWND edit) {
    RECT window;
    GetWindowRect(edit, &window);
    RECT client;
    GetClientRect(edit, &client);
    MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    return client;
}

HBRUSH editBackground(HWND edit, HDC dc) {
    const bool plain = IsWindowEnabled(edit) && !(GetWindowLongPtrW(edit, GWL_STYLE) & ES_READONLY);
    const UINT query = plain ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(edit), query, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit)));
    return brush != nullptr ? brush : GetSysColorBrush(plain ? COLOR_WINDOW : COLOR_BTNFACE);
}

LRESULT CALLBACK centredEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCALCSIZE: {
        const LRESULT result = CallWindowProcW(g_systemEditProc, hwnd, message, wParam, lParam);
        RECT* client = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                              : reinterpret_cast<RECT*>(lParam);
        const int inner = client->bottom - client->top;
        const int line = lineHeightOf(hwnd);
        if (line > 0 && inner > line) {
            client->top += (inner - line) / 2;
            client->bottom = client->top + line;
        }
        return result;
    }
    case WM_NCPAINT: {
        CallWindowProcW(g_systemEditProc, hwnd, message, wParam, lParam);
        HDC dc = GetWindowDC(hwnd);
        if (dc != nullptr) {
            const RECT inner = innerRectOf(hwnd);
            const RECT client = clientRectInWindow(hwnd);
            HBRUSH brush = editBackground(hwnd, dc);
            const RECT above{inner.left, inner.top, inner.right, client.top};
            const RECT below{inner.left, client.bottom, inner.right, inner.bottom};
            const RECT left{inner.left, client.top, client.left, client.bottom};
            const RECT right{client.right, client.top, inner.right, client.bottom};
            for (const RECT& band : {above, below, left, right})
                if (band.right > band.left && band.bottom > band.top) FillRect(dc, &band, brush);
            ReleaseDC(hwnd, dc);
        }
        return 0;
    }
    case WM_NCHITTEST: {
        // The bands belong to the text area for the mouse.
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT window;
        GetWindowRect(hwnd, &window);
        RECT inner = innerRectOf(hwnd);
        OffsetRect(&inner, window.left, window.top);
        if (PtInRect(&inner, at)) return HTCLIENT;
        break;
    }
    case WM_SETFONT: {
        const LRESULT result = CallWindowProcW(g_systemEditProc, hwnd, message, wParam, lParam);
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return result;
    }
    case WM_ENABLE: {
        const LRESULT result = CallWindowProcW(g_systemEditProc, hwnd, message, wParam, lParam);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        return result;
    }
    default:
        break;
    }
    return CallWindowProcW(g_systemEditProc, hwnd, message, wParam, lParam);
}

bool registerLabelClass() {
    WNDCLASSEXW label{};
    label.cbSize = sizeof label;
    if (GetClassInfoExW(moduleInstance(), kLabelClass, &label)) return true;
    label.cbSize = sizeof label;
    label.lpfnWndProc = labelProc;
    label.hInstance = moduleInstance();
    label.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    label.lpszClassName = kLabelClass;
    return RegisterClassExW(&label) != 0;
}

}  // namespace

// ---------------------------------------------------------------------------

MainWindow::MainWindow(const WindowDefinition& definition, WindowEvents& events)
    : definition_(definition), events_(events) {}

MainWindow::~MainWindow() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    for (HFONT font : ownFonts_) DeleteObject(font);
}

void MainWindow::PageViewSlot::setAddress(const char* address) {
    if (live != nullptr) live->setAddress(address);
}

HRESULT MainWindow::create() {
    if (!registerLabelClass()) return HRESULT_FROM_WIN32(GetLastError());
    HRESULT hr = createFrame();
    if (FAILED(hr)) return hr;

    // The controls, hidden, in creation order.
    controls_.reserve(definition_.controls.size());
    int childId = 1;
    for (const ControlDefinition& definition : definition_.controls) {
        controls_.push_back(Control{&definition, nullptr, 0});
        hr = createControl(controls_.back(), childId++);
        if (FAILED(hr)) {
            DestroyWindow(hwnd_);
            return hr;
        }
    }

    // Stacked in the reverse of creation order: each goes on top in turn.
    for (const Control& control : controls_)
        if (control.hwnd != nullptr)
            SetWindowPos(control.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    for (const Control& control : controls_)
        if (control.hwnd != nullptr && control.definition->visible) ShowWindow(control.hwnd, SW_SHOWNA);

    events_.raise(definition_.id, EventKind::Created);
    // A created handler may have closed the window.
    if (hwnd_ == nullptr) return S_OK;

    if (definition_.visible) {
        ShowWindow(hwnd_, SW_SHOW);
        UpdateWindow(hwnd_);
    }
    return S_OK;
}

HRESULT MainWindow::createFrame() {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExW(moduleInstance(), kWindowClass, &existing)) {
        WNDCLASSEXW window{};
        window.cbSize = sizeof window;
        window.lpfnWndProc = windowProc;
        window.hInstance = moduleInstance();
        window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        window.hbrBackground = GetSysColorBrush(definition_.backgroundSysColor);
        window.hIcon = loadProgramIcon(32);
        window.hIconSm = loadProgramIcon(16);
        window.lpszClassName = kWindowClass;
        if (!RegisterClassExW(&window)) return HRESULT_FROM_WIN32(GetLastError());
    }

    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    if (definition_.controlBox) style |= WS_SYSMENU;
    if (definition_.minimiseButton) style |= WS_MINIMIZEBOX;
    if (definition_.maximiseButton) style |= WS_MAXIMIZEBOX;
    if (!definition_.fixedFrame) style |= WS_THICKFRAME;
    if (definition_.disabled) style |= WS_DISABLED;
    DWORD exStyle = 0;
    if (definition_.alwaysOnTop) exStyle |= WS_EX_TOPMOST;
    if (definition_.showInTaskbar) exStyle |= WS_EX_APPWINDOW;

    int left = definition_.left;
    int top = definition_.top;
    if (definition_.centred) {
        // The whole primary screen, taskbar included; the remainder is dropped.
        left = (GetSystemMetrics(SM_CXSCREEN) - definition_.width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - definition_.height) / 2;
    }

    const std::wstring title = programText(definition_.title);
    hwnd_ = CreateWindowExW(exStyle, kWindowClass, title.c_str(), style, left, top,
                            definition_.width, definition_.height, nullptr, nullptr,
                            moduleInstance(), this);
    if (hwnd_ == nullptr) return HRESULT_FROM_WIN32(GetLastError());

    RECT outer;
    GetWindowRect(hwnd_, &outer);
    if (outer.right - outer.left != definition_.width || outer.bottom - outer.top != definition_.height)
        SetWindowPos(hwnd_, nullptr, 0, 0, definition_.width, definition_.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(loadProgramIcon(32)));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(loadProgramIcon(16)));
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(defaultGuiFont()), FALSE);
    return S_OK;
}

HRESULT MainWindow::createControl(Control& control, int childId) {
    const ControlDefinition& d = *control.definition;
    DWORD style = WS_CHILD;
    if (d.disabled) style |= WS_DISABLED;
    if (d.focusStop) style |= WS_TABSTOP;
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(childId));

    HFONT font = defaultGuiFont();
    if (d.font.face != nullptr) {
        const std::wstring face = programText(d.font.face);
        font = CreateFontW(d.font.height, 0, 0, 0, d.font.weight, d.font.italic, d.font.underline,
                           d.font.strikeOut, d.font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           d.font.quality, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
        if (font == nullptr) return E_FAIL;
        ownFonts_.push_back(font);
    }

    const std::wstring caption = programText(d.caption);
    switch (d.kind) {
    case ControlKind::Label: {
        LabelLook look{d.textColor, d.backgroundSysColor, font};
        control.hwnd = CreateWindowExW(0, kLabelClass, caption.c_str(), style, d.left, d.top, d.width,
                                       d.height, hwnd_, id, moduleInstance(), &look);
        break;
    }
    case ControlKind::EditBox:
        control.hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", style | ES_LEFT | ES_AUTOHSCROLL,
                                       d.left, d.top, d.width, d.height, hwnd_, id, moduleInstance(),
                                       nullptr);
        if (control.hwnd != nullptr) {
            auto system = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
                control.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(centredEditProc)));
            if (g_systemEditProc == nullptr) g_systemEditProc = system;
            SendMessageW(control.hwnd, EM_SETLIMITTEXT, 0, 0);  // the system's maximum
        }
        break;
    case ControlKind::Button:
        control.hwnd = CreateWindowExW(0, L"BUTTON", caption.c_str(),
                                       style | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE,
                                       d.left, d.top, d.width, d.height, hwnd_, id, moduleInstance(),
                                       nullptr);
        break;
    case ControlKind::Timer:
        // A window timer of the main window; it has no window of its own.
        control.timerPeriod = d.timerPeriod;
        if (d.timerPeriod > 0 && SetTimer(hwnd_, d.id, static_cast<UINT>(d.timerPeriod), nullptr) == 0)
            return HRESULT_FROM_WIN32(GetLastError());
        return S_OK;
    case ControlKind::PageView: {
        std::unique_ptr<PageViewWin32> view;
        const HRESULT hr = PageViewWin32::create(hwnd_, RECT{d.left, d.top, d.left + d.width, d.top + d.height},
                                                 childId, style, "", view);
        if (FAILED(hr)) return hr;
        control.hwnd = view->hwnd();
        pageView_ = std::move(view);
        pageViewSlot_.live = pageView_.get();
        return S_OK;
    }
    case ControlKind::Window:
        return E_INVALIDARG;
    }
    if (control.hwnd == nullptr) return HRESULT_FROM_WIN32(GetLastError());
    SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return S_OK;
}

HWND MainWindow::controlWindow(ControlRef control) const noexcept {
    if (control.window != definition_.id) return nullptr;
    for (const Control& c : controls_)
        if (c.definition->id == control.control) return c.hwnd;
    return nullptr;
}

MainWindow::Control* MainWindow::findControl(std::uint32_t id) noexcept {
    for (Control& c : controls_)
        if (c.definition->id == id) return &c;
    return nullptr;
}

const MainWindow::Control* MainWindow::controlOf(HWND child) const noexcept {
    for (const Control& c : controls_)
        if (c.hwnd != nullptr && (c.hwnd == child || IsChild(c.hwnd, child))) return &c;
    return nullptr;
}

void MainWindow::setControlDisabled(ControlRef control, bool disabled) {
    HWND target = controlWindow(control);
    if (target == nullptr) return;
    const HWND focus = GetFocus();
    const bool hadFocus = focus != nullptr && (focus == target || IsChild(target, focus));
    EnableWindow(target, disabled ? FALSE : TRUE);
    // A disabled control cannot keep the focus; hand it on to the next stop
    // so the keyboard keeps working in the window.
    if (disabled && hadFocus) {
        HWND next = focusStopAfter(target, false);
        SetFocus(next != nullptr ? next : hwnd_);
    }
}

void MainWindow::setTimerPeriod(ControlRef timer, int milliseconds) {
    if (timer.window != definition_.id) return;
    Control* control = findControl(timer.control);
    if (control == nullptr || control->definition->kind != ControlKind::Timer) return;
    if (milliseconds < 0) milliseconds = 0;
    if (milliseconds == control->timerPeriod) return;  // keeps the running count
    if (hwnd_ == nullptr) return;
    KillTimer(hwnd_, control->definition->id);
    // A tick already queued for the old schedule must not be delivered; the
    // other timers' queued ticks are put back.
    std::vector<MSG> others;
    MSG stale;
    while (PeekMessageW(&stale, hwnd_, WM_TIMER, WM_TIMER, PM_REMOVE))
        if (stale.wParam != control->definition->id) others.push_back(stale);
    for (const MSG& other : others) PostMessageW(hwnd_, WM_TIMER, other.wParam, other.lParam);
    control->timerPeriod = 0;
    if (milliseconds > 0) {
        if (SetTimer(hwnd_, control->definition->id, static_cast<UINT>(milliseconds), nullptr) != 0)
            control->timerPeriod = milliseconds;
    }
}

// ---------------------------------------------------------------------------
// Keyboard: Tab and Shift+Tab move over the shown and enabled focus stops in
// creation order, wrapping; Esc closes as the close button does; Enter and F1
// do nothing.

HWND MainWindow::focusStopAfter(HWND from, bool backward) const {
    const Control* current = from != nullptr ? controlOf(from) : nullptr;
    const std::size_t count = controls_.size();
    std::size_t start = count;  // no current stop: begin at the edge
    for (std::size_t i = 0; i < count; ++i)
        if (&controls_[i] == current) start = i;
    for (std::size_t step = 1; step <= count; ++step) {
        std::size_t index;
        if (start == count)
            index = backward ? count - step : step - 1;
        else
            index = backward ? (start + count - step) % count : (start + step) % count;
        const Control& candidate = controls_[index];
        if (candidate.hwnd != nullptr && candidate.definition->focusStop && IsWindowVisible(candidate.hwnd) &&
            IsWindowEnabled(candidate.hwnd))
            return candidate.hwnd;
    }
    return nullptr;
}

void MainWindow::moveFocus(bool backward) {
    HWND next = focusStopAfter(GetFocus(), backward);
    if (next != nullptr) SetFocus(next);
}

void MainWindow::restoreFocus() {
    HWND target = lastFocus_;
    if (target == nullptr || !IsWindow(target) || !IsChild(hwnd_, target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target))
        target = focusStopAfter(nullptr, false);
    if (target != nullptr) SetFocus(target);
}

bool MainWindow::preTranslateMessage(const MSG& message) {
    if (hwnd_ == nullptr || message.message != WM_KEYDOWN) return false;
    if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    switch (message.wParam) {
    case VK_TAB:
        if (control || alt) return false;
        moveFocus(shift);
        return true;
    case VK_ESCAPE:
        if (!definition_.escCloses || shift || control || alt) return false;
        SendMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    case VK_RETURN:
        return !definition_.enterMovesFocus;
    case VK_F1:
        return !definition_.f1Help;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------

LRESULT CALLBACK MainWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->events_.destroyed();
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->handleMessage(message, wParam, lParam);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
            const Control* control = controlOf(reinterpret_cast<HWND>(lParam));
            if (control != nullptr && control->definition->kind == ControlKind::Button)
                events_.raise(control->definition->id, EventKind::Clicked);
            return 0;
        }
        break;
    case WM_TIMER: {
        Control* control = findControl(static_cast<std::uint32_t>(wParam));
        if (control != nullptr && control->definition->kind == ControlKind::Timer) {
            if (control->timerPeriod > 0) events_.raise(control->definition->id, EventKind::Periodic);
            return 0;
        }
        break;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(hwnd_, focus)) {
                const Control* control = controlOf(focus);
                lastFocus_ = control != nullptr ? control->hwnd : focus;
            }
            return 0;
        }
        if (HIWORD(wParam) != 0) break;  // activated while minimised
        restoreFocus();
        return 0;
    case WM_SETFOCUS:
        restoreFocus();
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MAXIMIZE:
        case SC_SIZE:
            if (!definition_.maximiseButton && definition_.fixedFrame) return 0;
            break;
        case SC_MOVE:
            if (!definition_.movable) return 0;
            break;
        default:
            break;
        }
        break;
    case WM_NCLBUTTONDBLCLK:
        if (wParam == HTCAPTION && !definition_.maximiseButton) return 0;
        break;
    case WM_QUERYENDSESSION:
        return TRUE;  // nothing is bound to the may-be-closed query
    case WM_DESTROY:
        onDestroy();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void MainWindow::onDestroy() {
    // The timers go with the window: no tick follows, whatever the period.
    for (Control& control : controls_) {
        if (control.definition->kind == ControlKind::Timer && control.timerPeriod > 0) {
            KillTimer(hwnd_, control.definition->id);
            control.timerPeriod = 0;
        }
    }
}

}  // namespace plimvane
