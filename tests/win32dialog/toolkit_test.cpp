// The Win32 toolkit on its own, with real windows: what the portable forms
// rely on (dialog/dialog_toolkit.h) and what a person sees of the layout.

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "dialog/dialog_layout.h"
#include "support/failure.h"
#include "win32dialog/control_geometry.h"
#include "win32dialog/win32_toolkit.h"
#include "window_probe.h"

namespace tavrix::win32::test {
namespace {

using enum ControlId;

class RecordingEvents : public DialogEvents {
  public:
    void OnControlEvent(ControlId id) override {
        events.push_back(id);
        if (onEvent) {
            onEvent(id);
        }
    }
    bool OnCloseRequest(WindowId) override {
        ++closeRequests;
        return closeRequests >= closeAllowedFrom;
    }

    std::vector<ControlId> events;
    std::function<void(ControlId)> onEvent;
    int closeRequests = 0;
    int closeAllowedFrom = 1;
};

class ToolkitTest : public ::testing::Test {
  protected:
    void SetUp() override { toolkit.Load(WindowId::Settings, events); }
    HWND Control(ControlId id) const { return toolkit.ControlHandle(id); }

    Win32Toolkit toolkit;
    RecordingEvents events;
};

TEST_F(ToolkitTest, LoadedWindowsHoldEveryControlInItsFirstState) {
    RecordingEvents listEvents;
    toolkit.Load(WindowId::MountList, listEvents);
    for (const WindowEntry& window : WindowTable()) {
        HWND handle = toolkit.WindowHandle(window.id);
        ASSERT_NE(handle, nullptr) << window.name;
        EXPECT_FALSE(IsWindowVisible(handle)) << window.name;
        RECT client{};
        GetClientRect(handle, &client);
        EXPECT_EQ(client.right, window.clientWidth) << window.name;
        EXPECT_EQ(client.bottom, window.clientHeight) << window.name;
    }
    for (const ControlEntry& entry : ControlTable()) {
        SCOPED_TRACE(std::string(entry.name));
        ASSERT_NE(Control(entry.id), nullptr);
        EXPECT_EQ(toolkit.IsEnabled(entry.id), entry.enabled);
        const bool showsCaption = entry.kind == ControlKind::Label ||
                                  entry.kind == ControlKind::Button ||
                                  entry.kind == ControlKind::CheckBox;
        EXPECT_EQ(toolkit.GetText(entry.id), showsCaption ? entry.caption : "");
        EXPECT_EQ(toolkit.ItemCount(entry.id), 0);
        EXPECT_FALSE(toolkit.GetChecked(entry.id));
        if (entry.kind == ControlKind::ComboBox || entry.kind == ControlKind::ListBox) {
            EXPECT_EQ(toolkit.GetListIndex(entry.id), -1);
        }
    }
    EXPECT_EQ(SendMessageW(Control(txtPassword), EM_GETPASSWORDCHAR, 0, 0), L'*');
}

TEST_F(ToolkitTest, ControlsStayInsideTheirWindowAndApart) {
    for (const ControlEntry& entry : ControlTable()) {
        const ControlRect a = GeometryOf(entry.id);
        int width = 0;
        int height = 0;
        for (const WindowEntry& window : WindowTable()) {
            if (window.id == entry.window) {
                width = window.clientWidth;
                height = window.clientHeight;
            }
        }
        EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.width <= width && a.y + a.height <= height)
            << entry.name;
        for (const ControlEntry& other : ControlTable()) {
            if (&other <= &entry || other.window != entry.window) {
                continue;
            }
            const ControlRect b = GeometryOf(other.id);
            const bool apart = a.x + a.width <= b.x || b.x + b.width <= a.x ||
                               a.y + a.height <= b.y || b.y + b.height <= a.y;
            EXPECT_TRUE(apart) << entry.name << " overlaps " << other.name;
        }
    }
}

TEST_F(ToolkitTest, TabKeyFollowsTheTabOrderOverEnabledControls) {
    std::vector<HWND> expected;
    for (ControlId id : SettingsTabOrder()) {
        if (EntryOf(id).enabled) {
            expected.push_back(Control(id));
        }
    }
    HWND window = toolkit.WindowHandle(WindowId::Settings);
    std::vector<HWND> visited;
    HWND control = GetNextDlgTabItem(window, nullptr, FALSE);
    while (control != nullptr && visited.size() < expected.size()) {
        visited.push_back(control);
        control = GetNextDlgTabItem(window, control, FALSE);
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(ToolkitTest, TextCrossesAsWindows1252) {
    // "Jürgen €": ü and € as Windows-1252 bytes.
    const std::string ansi = "J\xFCrgen \x80";
    const std::wstring wide = L"J\u00FCrgen \u20AC";
    for (ControlId id : {txtUsername, txtPassword, cmbOS, lblworking, btOK, chkReturn_as_number}) {
        SCOPED_TRACE(std::string(EntryOf(id).name));
        toolkit.SetText(id, ansi);
        EXPECT_EQ(TextOf(Control(id)), wide);
        EXPECT_EQ(toolkit.GetText(id), ansi);
    }
    toolkit.SetCaption(WindowId::Settings, "Caf\xE9");
    EXPECT_EQ(TextOf(toolkit.WindowHandle(WindowId::Settings)), L"Caf\u00E9");
}

TEST_F(ToolkitTest, ComboBoxPositionAndTypedText) {
    for (const char* entry : {"CR", "LF", "CRLF"}) {
        toolkit.AddItem(cmbEOL, entry);
    }
    EXPECT_EQ(toolkit.ItemCount(cmbEOL), 3);
    toolkit.SetListIndex(cmbEOL, 2);
    EXPECT_EQ(toolkit.GetListIndex(cmbEOL), 2);
    EXPECT_EQ(toolkit.GetText(cmbEOL), "CRLF");
    // The user types into the edit field: no entry is chosen any more.
    HWND edit = GetWindow(Control(cmbEOL), GW_CHILD);
    ASSERT_NE(edit, nullptr);
    SendMessageW(edit, WM_CHAR, L'x', 1);
    EXPECT_EQ(toolkit.GetListIndex(cmbEOL), -1);
    EXPECT_NE(toolkit.GetText(cmbEOL), "CRLF");
    toolkit.SetListIndex(cmbEOL, 0);
    EXPECT_EQ(toolkit.GetText(cmbEOL), "CR");
    toolkit.SetListIndex(cmbEOL, -1);
    EXPECT_EQ(toolkit.GetText(cmbEOL), "");
    toolkit.ClearItems(cmbEOL);
    EXPECT_EQ(toolkit.ItemCount(cmbEOL), 0);
    EXPECT_TRUE(events.events.empty()) << "setting values from code raises no event";
}

TEST_F(ToolkitTest, ListBoxKeepsTheOrderOfAddingAndReadsTheSelectedLine) {
    RecordingEvents listEvents;
    toolkit.Load(WindowId::MountList, listEvents);
    for (const char* line : {"/var", "/", "/mnt/with blank", ""}) {
        toolkit.AddItem(lstResources, line);
    }
    EXPECT_EQ(toolkit.ItemCount(lstResources), 4);
    EXPECT_EQ(toolkit.GetText(lstResources), "");
    toolkit.SetListIndex(lstResources, 2);
    EXPECT_EQ(toolkit.GetText(lstResources), "/mnt/with blank");
    toolkit.SetListIndex(lstResources, 0);
    EXPECT_EQ(toolkit.GetText(lstResources), "/var");
}

TEST_F(ToolkitTest, SetTopmostReturnsTheCallsResultOnlyWhenSwitchingOn) {
    HWND window = toolkit.WindowHandle(WindowId::Settings);
    EXPECT_NE(toolkit.SetTopmost(WindowId::Settings, true), 0);
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(toolkit.SetTopmost(WindowId::Settings, false), 0);
    EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // The call fails for a window that is not there.
    EXPECT_EQ(toolkit.SetTopmost(WindowId::MountList, true), 0);
}

TEST_F(ToolkitTest, OnlyTheEventsOfTheTableReachTheForm) {
    RecordingEvents listEvents;
    toolkit.Load(WindowId::MountList, listEvents);
    SendMessageW(Control(btOK), BM_CLICK, 0, 0);
    SendMessageW(Control(btListResources), BM_CLICK, 0, 0);
    SendMessageW(Control(chkReturn_as_number), BM_CLICK, 0, 0);
    const auto notify = [&](ControlId id, int code) {
        HWND control = Control(id);
        SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(static_cast<int>(id), code),
                     reinterpret_cast<LPARAM>(control));
    };
    notify(cmbOS, CBN_SELCHANGE);
    notify(cmbProtocol, CBN_SELCHANGE);
    notify(cmbOS, CBN_EDITCHANGE);
    notify(lstResources, LBN_DBLCLK);
    notify(lstResources, LBN_SELCHANGE);
    EXPECT_EQ(events.events, (std::vector{btOK, btListResources, cmbOS}));
    EXPECT_EQ(listEvents.events, (std::vector{lstResources}));
    EXPECT_TRUE(toolkit.GetChecked(chkReturn_as_number));
}

TEST_F(ToolkitTest, EnterAndEscPressNothingAndTheCloseBoxAsksFirst) {
    HWND edit = Control(txtUsername);
    HWND window = toolkit.WindowHandle(WindowId::Settings);
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(window, WM_CLOSE, 0, 0);  // refused
    PostMessageW(window, WM_CLOSE, 0, 0);  // allowed
    events.closeAllowedFrom = 2;
    toolkit.ShowModal(WindowId::Settings);
    EXPECT_TRUE(events.events.empty());
    EXPECT_EQ(events.closeRequests, 2);
    EXPECT_FALSE(toolkit.IsLoaded(WindowId::Settings));
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(ToolkitTest, AFailureInAHandlerClosesTheWindowAndLeavesShowModal) {
    events.onEvent = [](ControlId) { throw Failure("Invalid Base64 text"); };
    PostMessageW(Control(btOK), BM_CLICK, 0, 0);
    EXPECT_THROW(toolkit.ShowModal(WindowId::Settings), Failure);
    EXPECT_FALSE(toolkit.IsLoaded(WindowId::Settings));
    // The toolkit works on afterwards.
    toolkit.Load(WindowId::Settings, events);
    PostMessageW(toolkit.WindowHandle(WindowId::Settings), WM_CLOSE, 0, 0);
    EXPECT_NO_THROW(toolkit.ShowModal(WindowId::Settings));
}

TEST_F(ToolkitTest, TheListWindowGoesWithTheSettingsWindowThatOwnsIt) {
    RecordingEvents listEvents;
    toolkit.Load(WindowId::MountList, listEvents);
    EXPECT_EQ(GetWindow(toolkit.WindowHandle(WindowId::MountList), GW_OWNER),
              toolkit.WindowHandle(WindowId::Settings));
    toolkit.Unload(WindowId::Settings);
    EXPECT_FALSE(toolkit.IsLoaded(WindowId::MountList));
    EXPECT_EQ(toolkit.GetText(lstResources), "");
}

TEST_F(ToolkitTest, OnlyTheSettingsWindowHasTheOwnIcon) {
    RecordingEvents listEvents;
    toolkit.Load(WindowId::MountList, listEvents);
    HWND settings = toolkit.WindowHandle(WindowId::Settings);
    EXPECT_NE(SendMessageW(settings, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(settings, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(SendMessageW(toolkit.WindowHandle(WindowId::MountList), WM_GETICON, ICON_BIG, 0), 0);
}

TEST_F(ToolkitTest, MessageBoxBelongsToTheWindowInFrontAndShowsTheText) {
    HWND window = toolkit.WindowHandle(WindowId::Settings);
    ShowWindow(window, SW_SHOW);
    const DWORD thread = GetCurrentThreadId();
    std::wstring seen;
    std::wstring caption;
    std::thread reader([&] {
        HWND box = nullptr;
        WaitUntil([&] { return (box = FindMessageBox(thread, window)) != nullptr; });
        if (box != nullptr) {
            seen = MessageBoxText(box);
            caption = TextOf(box);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
    toolkit.MessageBox(
        "Gr\xF6\xDF"
        "e: 5 \x80",
        MessageStyle::Stop);
    reader.join();
    EXPECT_EQ(seen, L"Gr\u00F6\u00DFe: 5 \u20AC");
    EXPECT_EQ(caption, L"comTavrix");
}

}  // namespace
}  // namespace tavrix::win32::test
