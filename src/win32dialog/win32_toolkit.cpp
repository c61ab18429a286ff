#include "win32dialog/win32_toolkit.h"

#include <algorithm>
#include <string>
#include <utility>

#include "dialog/dialog_layout.h"
#include "support/codepage.h"
#include "support/failure.h"
#include "win32dialog/control_geometry.h"
#include "win32dialog/dialog_icon.h"

namespace tavrix::win32 {

namespace {

constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
// The title of the message boxes: the component's name, as a program without
// a title of its own shows.
constexpr wchar_t kMessageBoxCaption[] = L"comTavrix";

std::u16string Wide(std::string_view ansi) {
    return AnsiToUtf16(ansi);
}

const wchar_t* Chars(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::string WindowText(HWND window) {
    if (window == nullptr) {
        return {};
    }
    const int length = GetWindowTextLengthW(window);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int copied = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
    return Utf16ToAnsi(text);
}

std::string ListBoxSelection(HWND list) {
    const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) {
        return {};
    }
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) {
        return {};
    }
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
    return Utf16ToAnsi(text);
}

const WindowEntry& WindowEntryOf(WindowId id) {
    for (const WindowEntry& entry : WindowTable()) {
        if (entry.id == id) {
            return entry;
        }
    }
    throw Failure("unknown window");
}

struct ControlClass {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassOf(const ControlEntry& entry) {
    switch (entry.kind) {
        case ControlKind::TextBox:
            return {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case ControlKind::PasswordBox:
            return {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, WS_EX_CLIENTEDGE};
        case ControlKind::ComboBox:
            return {L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0};
        case ControlKind::CheckBox:
            return {L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0};
        case ControlKind::Button:
            // A plain push button: neither is the default, so Enter presses
            // nothing.
            return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
        case ControlKind::ListBox:
            return {L"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                    WS_EX_CLIENTEDGE};
        case ControlKind::Label: {
            DWORD style = entry.alignment == Alignment::Right    ? SS_RIGHT
                          : entry.alignment == Alignment::Centre ? SS_CENTER
                                                                 : SS_LEFT;
            // Only a caption that marks an access key takes "&" as a marker;
            // a listing's header line shows as it is.
            if (entry.caption.find('&') == std::string_view::npos) {
                style |= SS_NOPREFIX;
            }
            return {L"STATIC", style, 0};
        }
    }
    throw Failure("unknown control kind");
}

bool IsNotification(const ControlEntry& entry, int notification) {
    switch (entry.event) {
        case ControlEvent::Click:
            if (entry.kind == ControlKind::ComboBox) {
                return notification == CBN_SELCHANGE;
            }
            return notification == BN_CLICKED;
        case ControlEvent::DblClick:
            return notification == LBN_DBLCLK;
        case ControlEvent::None:
            return false;
    }
    return false;
}

// The dialog font of Windows 2000 and later ("MS Shell Dlg 2", which maps to
// Tahoma), 8 points: the same metrics on every Windows version and under
// Wine, so the pixel layout holds wherever the host runs. The message font
// of newer versions is wider and would clip the longer captions.
UniqueFont CreateDialogFont() {
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = screen == nullptr ? 96 : GetDeviceCaps(screen, LOGPIXELSY);
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    LOGFONTW font{};
    font.lfHeight = -MulDiv(8, pixelsPerInch, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    wcscpy_s(font.lfFaceName, L"MS Shell Dlg 2");
    return UniqueFont(CreateFontIndirectW(&font));
}

UniqueIcon LoadOwnIcon(int metricX, int metricY) {
    return UniqueIcon(
        static_cast<HICON>(LoadImageW(OwnModule(), MAKEINTRESOURCEW(TAVRIX_DIALOG_ICON), IMAGE_ICON,
                                      GetSystemMetrics(metricX), GetSystemMetrics(metricY), 0)));
}

}  // namespace

Win32Toolkit::Win32Toolkit() : windowClass_(&Win32Toolkit::WindowProc) {
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        windows_[i].toolkit = this;
        windows_[i].id = static_cast<WindowId>(i);
    }
}

Win32Toolkit::~Win32Toolkit() {
    // The list window first: it is owned by the settings window.
    Unload(WindowId::MountList);
    Unload(WindowId::Settings);
    // Released on another thread than the windows' own, DestroyWindow fails:
    // the windows must not call into this object any more, and they close
    // on their own thread.
    for (WindowState& state : windows_) {
        if (HWND window = state.window.Release()) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
    }
}

HWND Win32Toolkit::WindowHandle(WindowId window) const {
    return State(window).window.Get();
}

HWND Win32Toolkit::ControlHandle(ControlId id) const {
    HWND window = WindowHandle(EntryOf(id).window);
    return window == nullptr ? nullptr : GetDlgItem(window, static_cast<int>(id));
}

void Win32Toolkit::Load(WindowId window, DialogEvents& events) {
    WindowState& state = State(window);
    state.events = &events;
    state.pending = nullptr;
    if (state.window) {
        return;
    }
    if (!font_) {
        font_ = CreateDialogFont();
        bigIcon_ = LoadOwnIcon(SM_CXICON, SM_CYICON);
        smallIcon_ = LoadOwnIcon(SM_CXSMICON, SM_CYSMICON);
    }
    const WindowEntry& entry = WindowEntryOf(window);
    RECT frame{0, 0, entry.clientWidth, entry.clientHeight};
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
    // The list window belongs to the settings window: it stays in front of it.
    HWND owner = window == WindowId::MountList ? WindowHandle(WindowId::Settings) : nullptr;
    HWND created = CreateWindowExW(kWindowExStyle, WindowClassUse::Name(), L"", kWindowStyle,
                                   CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                   frame.bottom - frame.top, owner, nullptr, OwnModule(), &state);
    if (created == nullptr) {
        throw Failure("Cannot create the dialog window (error " + std::to_string(GetLastError()) +
                      ")");
    }
    state.window.Reset(created);
    state.lastFocus = nullptr;
    CreateControls(state);
    if (entry.hasOwnIcon) {
        SendMessageW(created, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
        SendMessageW(created, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    }
    PlaceWindow(state);
}

void Win32Toolkit::CreateControls(WindowState& state) {
    // Creation order is the order of the Tab key: the settings form's tab
    // order first, then everything that takes no focus.
    std::vector<ControlId> order;
    if (state.id == WindowId::Settings) {
        order.assign(SettingsTabOrder().begin(), SettingsTabOrder().end());
    }
    for (const ControlEntry& entry : ControlTable()) {
        if (entry.window == state.id &&
            std::find(order.begin(), order.end(), entry.id) == order.end()) {
            order.push_back(entry.id);
        }
    }
    for (ControlId id : order) {
        CreateControl(state.window.Get(), id);
    }
}

void Win32Toolkit::CreateControl(HWND parent, ControlId id) {
    const ControlEntry& entry = EntryOf(id);
    const ControlClass controlClass = ClassOf(entry);
    const ControlRect place = GeometryOf(id);
    DWORD style = WS_CHILD | WS_VISIBLE | controlClass.style;
    if (!entry.enabled) {
        style |= WS_DISABLED;
    }
    const int height =
        entry.kind == ControlKind::ComboBox ? place.height + kDropDownHeight : place.height;
    const std::u16string caption = Wide(entry.caption);
    HWND control =
        CreateWindowExW(controlClass.exStyle, controlClass.className, Chars(caption), style,
                        place.x, place.y, place.width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), OwnModule(), nullptr);
    if (control == nullptr) {
        throw Failure("Cannot create control " + std::string(entry.name) + " (error " +
                      std::to_string(GetLastError()) + ")");
    }
    if (font_) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    }
    if (entry.kind == ControlKind::PasswordBox) {
        SendMessageW(control, EM_SETPASSWORDCHAR, L'*', 0);
    }
}

void Win32Toolkit::PlaceWindow(WindowState& state) {
    RECT around{};
    HWND owner = GetWindow(state.window.Get(), GW_OWNER);
    if (owner == nullptr || !GetWindowRect(owner, &around)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    }
    RECT own{};
    GetWindowRect(state.window.Get(), &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const int x = around.left + (around.right - around.left - width) / 2;
    const int y = around.top + (around.bottom - around.top - height) / 2;
    SetWindowPos(state.window.Get(), nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32Toolkit::IsLoaded(WindowId window) const {
    return static_cast<bool>(State(window).window);
}

void Win32Toolkit::Unload(WindowId window) {
    WindowState& state = State(window);
    if (!state.window) {
        return;
    }
    if (state.modal != nullptr) {
        state.modal->EnableOthers();
    }
    // WM_NCDESTROY forgets the handle and ends a modal loop on it.
    DestroyWindow(state.window.Get());
    // Wakes a modal loop that waits for a message.
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

void Win32Toolkit::FocusFirstControl(WindowState& state) {
    HWND first = GetNextDlgTabItem(state.window.Get(), nullptr, FALSE);
    if (first != nullptr) {
        SetFocus(first);
    }
}

void Win32Toolkit::ShowModal(WindowId window) {
    WindowState& state = State(window);
    if (!state.window) {
        return;
    }
    const unsigned generation = state.generation;
    {
        ModalScope modal(state.window.Get());
        state.modal = &modal;
        const struct Forget {
            WindowState& state;
            ~Forget() { state.modal = nullptr; }
        } forget{state};
        ShowWindow(state.window.Get(), SW_SHOW);
        SetActiveWindow(state.window.Get());
        FocusFirstControl(state);
        MSG message;
        while (state.generation == generation) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == 0) {
                // The host's loop is to end: so does the dialog, and the
                // quit goes back to the queue for the host.
                PostQuitMessage(static_cast<int>(message.wParam));
                Unload(window);
                break;
            }
            if (got == -1) {
                Unload(window);
                break;
            }
            if (state.generation != generation || !IsDialogMessageW(state.window.Get(), &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    if (state.pending) {
        std::rethrow_exception(std::exchange(state.pending, nullptr));
    }
}

void Win32Toolkit::SetCaption(WindowId window, std::string_view caption) {
    SetWindowTextW(WindowHandle(window), Chars(Wide(caption)));
}

std::int32_t Win32Toolkit::SetTopmost(WindowId window, bool topmost) {
    // The window keeps its place and size (SWP_NOMOVE | SWP_NOSIZE = 3).
    constexpr UINT kKeepPlaceAndSize = SWP_NOMOVE | SWP_NOSIZE;
    const BOOL done = SetWindowPos(WindowHandle(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0,
                                   0, 0, 0, kKeepPlaceAndSize);
    return topmost ? static_cast<std::int32_t>(done) : 0;
}

HWND Win32Toolkit::FrontWindow() const {
    for (WindowId id : {WindowId::MountList, WindowId::Settings}) {
        HWND window = WindowHandle(id);
        if (window != nullptr && IsWindowVisible(window)) {
            return window;
        }
    }
    return GetActiveWindow();
}

void Win32Toolkit::MessageBox(std::string_view text, MessageStyle style) {
    MessageBoxW(FrontWindow(), Chars(Wide(text)), kMessageBoxCaption, static_cast<UINT>(style));
}

bool Win32Toolkit::AskYesNo(std::string_view text) {
    return MessageBoxW(FrontWindow(), Chars(Wide(text)), kMessageBoxCaption,
                       static_cast<UINT>(MessageStyle::WarningYesNo)) == IDYES;
}

std::string Win32Toolkit::GetText(ControlId id) const {
    HWND control = ControlHandle(id);
    if (EntryOf(id).kind == ControlKind::ListBox) {
        return control == nullptr ? std::string() : ListBoxSelection(control);
    }
    return WindowText(control);
}

void Win32Toolkit::SetText(ControlId id, std::string_view text) {
    // A list box has no text of its own to set.
    if (EntryOf(id).kind != ControlKind::ListBox) {
        SetWindowTextW(ControlHandle(id), Chars(Wide(text)));
    }
}

bool Win32Toolkit::IsEnabled(ControlId id) const {
    HWND control = ControlHandle(id);
    return control != nullptr && IsWindowEnabled(control);
}

void Win32Toolkit::SetEnabled(ControlId id, bool enabled) {
    EnableWindow(ControlHandle(id), enabled ? TRUE : FALSE);
}

void Win32Toolkit::Repaint(ControlId id) {
    RedrawWindow(ControlHandle(id), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

namespace {

bool IsListBox(ControlId id) {
    return EntryOf(id).kind == ControlKind::ListBox;
}

}  // namespace

void Win32Toolkit::ClearItems(ControlId id) {
    SendMessageW(ControlHandle(id), IsListBox(id) ? LB_RESETCONTENT : CB_RESETCONTENT, 0, 0);
}

void Win32Toolkit::AddItem(ControlId id, std::string_view text) {
    // Neither list sorts, so adding appends.
    const std::u16string wide = Wide(text);
    SendMessageW(ControlHandle(id), IsListBox(id) ? LB_ADDSTRING : CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

int Win32Toolkit::ItemCount(ControlId id) const {
    HWND control = ControlHandle(id);
    if (control == nullptr) {
        return 0;
    }
    const LRESULT count = SendMessageW(control, IsListBox(id) ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<int>(count);
}

int Win32Toolkit::GetListIndex(ControlId id) const {
    HWND control = ControlHandle(id);
    if (control == nullptr) {
        return -1;
    }
    // Typing into a combo box's edit field takes its list's choice away.
    const LRESULT index = SendMessageW(control, IsListBox(id) ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
    return index < 0 ? -1 : static_cast<int>(index);
}

void Win32Toolkit::SetListIndex(ControlId id, int index) {
    SendMessageW(ControlHandle(id), IsListBox(id) ? LB_SETCURSEL : CB_SETCURSEL,
                 static_cast<WPARAM>(index), 0);
}

bool Win32Toolkit::GetChecked(ControlId id) const {
    return SendMessageW(ControlHandle(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Toolkit::SetChecked(ControlId id, bool checked) {
    SendMessageW(ControlHandle(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

template <typename Body>
void Win32Toolkit::RunHandler(WindowState& state, Body&& body) {
    // Nothing may unwind through the system's window procedure: the window
    // closes and its ShowModal rethrows.
    try {
        body();
    } catch (...) {
        state.pending = std::current_exception();
        Unload(state.id);
    }
}

void Win32Toolkit::OnCommand(WindowState& state, int controlId, int notification) {
    if (state.events == nullptr) {
        return;
    }
    for (const ControlEntry& entry : ControlTable()) {
        if (entry.window == state.id && static_cast<int>(entry.id) == controlId) {
            if (IsNotification(entry, notification)) {
                DialogEvents* events = state.events;
                RunHandler(state, [&] { events->OnControlEvent(entry.id); });
            }
            return;
        }
    }
}

LRESULT CALLBACK Win32Toolkit::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (state == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return state->toolkit->HandleMessage(*state, window, message, wParam, lParam);
}

LRESULT Win32Toolkit::HandleMessage(WindowState& state, HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // Enter and Esc arrive as IDOK and IDCANCEL without a control:
            // there is no default or cancel button, so they press nothing.
            if (lParam != 0) {
                OnCommand(state, LOWORD(wParam), HIWORD(wParam));
            }
            return 0;
        case WM_CLOSE:
            if (state.events != nullptr) {
                DialogEvents* events = state.events;
                RunHandler(state, [&] {
                    if (events->OnCloseRequest(state.id)) {
                        Unload(state.id);
                    }
                });
            }
            return 0;
        case WM_ACTIVATE:
            // Gives the focus back to the control that had it, as a dialog
            // does when it becomes active again.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                state.lastFocus = IsChild(window, focus) ? focus : nullptr;
            } else if (state.lastFocus != nullptr && IsWindow(state.lastFocus)) {
                SetFocus(state.lastFocus);
                return 0;
            }
            break;
        case WM_NCDESTROY:
            // Also when the system destroys the window, e.g. the list window
            // together with the settings window that owns it.
            if (state.window.Get() == window) {
                state.window.Release();
                state.events = nullptr;
                state.lastFocus = nullptr;
                ++state.generation;
            }
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tavrix::win32
