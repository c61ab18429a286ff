// The settings dialog as a host and a person meet it: the host creates the
// plug-in by ProgID and calls kx_showGUI; a second thread plays the person,
// finding the windows by caption and working them with window messages.

#include <winsock2.h>
// winsock2.h before windows.h
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "../com/dispatch_client.h"
#include "com/bstr.h"
#include "dialog/dialog_toolkit.h"
#include "window_probe.h"

namespace tavrix::win32::test {
namespace {

using com::Variant;
using com::test::Apartment;
using com::test::CallResult;
using com::test::DispatchClient;
using com::test::Environment;
using com::test::TestServerPassword64;
using com::test::Text;

constexpr wchar_t kWindowClass[] = L"TavrixDialogWindow";

// The dialog's control identifiers are the toolkit's own.
using enum tavrix::ControlId;
using tavrix::ControlId;

std::wstring SettingsCaption() {
    return L"Tavrix checker: External COM check (version 1.0 build " +
           std::to_wstring(TAVRIX_BUILD_NUMBER) + L")";
}

// Pictures of `window` for the script around the test: the window as the
// system draws it (<name>.bmp, made here), and the X display as xwd sees it
// (the script answers <name>.request with <name>-xwd.png and deletes it).
// Wine on Xvfb leaves a second top-level window black on the X side, so the
// first is the one to look at.
void Screenshot(const char* name, HWND window) {
    const char* folder = std::getenv("TAVRIX_SCREENSHOT_DIR");
    if (folder == nullptr) {
        return;
    }
    // A window just shown needs a moment until it is drawn.
    std::this_thread::sleep_for(500ms);
    const std::string base = std::string("Z:") + folder + "/" + name;
    EXPECT_TRUE(CaptureWindow(window, base + ".bmp")) << name;
    RECT frame{};
    GetWindowRect(window, &frame);
    const std::string request = base + ".request";
    {
        std::ofstream file(request);
        file << frame.right - frame.left << "x" << frame.bottom - frame.top << "+" << frame.left
             << "+" << frame.top << "\n";
    }
    WaitUntil([&] { return !std::ifstream(request).good(); }, 20s);
}

HWND Item(HWND window, ControlId id) {
    return GetDlgItem(window, static_cast<int>(id));
}

std::wstring ItemText(HWND window, ControlId id) {
    return TextOf(Item(window, id));
}

// Chooses a combo box entry as the user does: the list's position, then the
// notification the parent gets.
void Choose(HWND window, ControlId id, int position) {
    SendMessageW(Item(window, id), CB_SETCURSEL, position, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(static_cast<int>(id), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(window, id)));
}

void Type(HWND window, ControlId id, const std::wstring& text) {
    SendMessageW(Item(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Plays the person on a second thread while the test thread sits in
// kx_showGUI. Whatever the script leaves open is closed afterwards, so a
// failing script cannot leave the host's call hanging.
class Person {
  public:
    explicit Person(std::function<void(DWORD)> script)
        : gui_(GetCurrentThreadId()), thread_([this, script = std::move(script)] {
              script(gui_);
              CloseWhatIsLeft();
          }) {}
    ~Person() { thread_.join(); }
    Person(const Person&) = delete;
    Person& operator=(const Person&) = delete;

  private:
    void CloseWhatIsLeft() const {
        WaitUntil(
            [&] {
                for (HWND window :
                     {FindThreadWindow(gui_, L"#32770"), FindThreadWindow(gui_, kWindowClass)}) {
                    if (window != nullptr) {
                        PostMessageW(window, ClassOf(window) == L"#32770" ? WM_COMMAND : WM_CLOSE,
                                     IDOK, 0);
                    }
                }
                return FindThreadWindow(gui_, kWindowClass) == nullptr;
            },
            10s);
    }

    DWORD gui_;
    std::thread thread_;
};

HWND WaitForSettings(DWORD gui) {
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindThreadWindow(gui, kWindowClass, SettingsCaption())); });
    return window;
}

class DialogSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(apartment_.Result());
        ASSERT_HRESULT_SUCCEEDED(DispatchClient::Create(L"comTavrix.TavrixCom", object_));
    }

    CallResult ShowGui(std::function<void(DWORD)> script) {
        const Person person(std::move(script));
        return object_.Call(L"kx_showGUI");
    }

    std::wstring Parameter() const {
        const CallResult read = object_.Get(L"kx_parameter");
        EXPECT_EQ(read.value.Get().vt, VT_BSTR);
        return com::test::TextOf(read.value.Get());
    }

    Apartment apartment_;
    DispatchClient object_;
};

TEST_F(DialogSessionTest, FreshDialogShowsTheDefaultsAndTheMountSetBeforehand) {
    ASSERT_EQ(object_.Put(L"kx_hostname", Text(L"  host1 ").Get()), S_OK);
    ASSERT_EQ(object_.Call(L"SetResource", {Text(L"/var/log").Get()}).hr, S_OK);
    const CallResult gui = ShowGui([](DWORD thread) {
        HWND settings = WaitForSettings(thread);
        ASSERT_NE(settings, nullptr);
        const struct {
            ControlId id;
            const wchar_t* text;
        } expected[] = {
            {txtHostname, L"host1"},
            {cmbProtocol, L"SSH Auto"},
            {txtPort, L"22"},
            {txtUsername, L""},
            {txtPassword, L""},
            {txtKeyfile, L""},
            {cmbKeyType, L"RSA"},
            {cmbOS, L"Linux"},
            {cmbBlockSize, L"1024 bytes (1 KB)"},
            {cmbEOL, L"LF"},
            {txtResource, L"/var/log"},
            {txtCompareValue, L""},
            {cmbUnit, L"Bytes"},
            {txtTimeout, L""},
            {btOK, L"&OK"},
            {btListResources, L"..."},
            {txtHostKey, L"not checked"},
            {btForgetHostKey, L"Forget"},
        };
        for (const auto& control : expected) {
            EXPECT_EQ(ItemText(settings, control.id), control.text) << static_cast<int>(control.id);
        }
        EXPECT_FALSE(IsWindowEnabled(Item(settings, txtHostname)));
        EXPECT_FALSE(IsWindowEnabled(Item(settings, txtTimeout)));
        EXPECT_FALSE(IsWindowEnabled(Item(settings, txtHostKey)));
        EXPECT_EQ(SendMessageW(Item(settings, chkReturn_as_number), BM_GETCHECK, 0, 0), 0);
        EXPECT_EQ(SendMessageW(Item(settings, txtPassword), EM_GETPASSWORDCHAR, 0, 0), L'*');
        EXPECT_TRUE(GetWindowLongW(settings, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_NE(SendMessageW(settings, WM_GETICON, ICON_SMALL, 0), 0);
        PostMessageW(settings, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(gui.hr, S_OK);
    EXPECT_EQ(object_.Get(L"kx_parameter").value.Get().vt, VT_EMPTY);
}

TEST_F(DialogSessionTest, CloseBoxLeavesTheParameterExactlyAsItWas) {
    // An OK first, so that the last accepted string is there to be misused.
    ASSERT_EQ(object_.Put(L"kx_parameter", Text(L"#USR=first#PWD=#").Get()), S_OK);
    ASSERT_EQ(ShowGui([](DWORD thread) {
                  HWND settings = WaitForSettings(thread);
                  PostMessageW(Item(settings, btOK), BM_CLICK, 0, 0);
                  WaitUntil([&] { return !IsWindow(settings); });
              }).hr,
              S_OK);
    EXPECT_EQ(Parameter().rfind(L"#ENC=T#USR=first#", 0), 0u) << Parameter();

    // Text that Windows-1252 cannot hold would not survive a rewrite.
    const std::wstring stored = L"#usr=someone#OS=AIX#BLK=2048#NOTE=\u20ac\u4e2d\u0416#";
    ASSERT_EQ(object_.Put(L"kx_parameter", Text(stored).Get()), S_OK);
    const CallResult gui = ShowGui([](DWORD thread) {
        HWND settings = WaitForSettings(thread);
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(ItemText(settings, txtUsername), L"someone");
        EXPECT_EQ(ItemText(settings, cmbOS), L"AIX");
        EXPECT_EQ(ItemText(settings, cmbBlockSize), L"2048 bytes (2 KB)");
        Type(settings, txtUsername, L"changed");
        PostMessageW(settings, WM_CLOSE, 0, 0);
        WaitUntil([&] { return !IsWindow(settings); });
    });
    EXPECT_EQ(gui.hr, S_OK);
    EXPECT_EQ(Parameter(), stored);
}

TEST_F(DialogSessionTest, OkWithAPortThatIsNoNumberShowsAStopMessageAndStaysOpen) {
    ASSERT_EQ(object_.Put(L"kx_parameter", Text(L"").Get()), S_OK);
    const CallResult gui = ShowGui([](DWORD thread) {
        HWND settings = WaitForSettings(thread);
        ASSERT_NE(settings, nullptr);
        Type(settings, txtPort, L"abc");
        PostMessageW(Item(settings, btOK), BM_CLICK, 0, 0);
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(thread, settings)); }));
        EXPECT_EQ(MessageBoxText(box), L"The port must be a number");
        EXPECT_EQ(TextOf(box), L"comTavrix");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
        EXPECT_TRUE(IsWindowVisible(settings));
        EXPECT_EQ(ItemText(settings, txtPort), L"abc");
        PostMessageW(settings, WM_CLOSE, 0, 0);
        WaitUntil([&] { return !IsWindow(settings); });
    });
    EXPECT_EQ(gui.hr, S_OK);
    EXPECT_EQ(Parameter(), L"");
}

TEST_F(DialogSessionTest, PasswordThatDoesNotDecodeFailsTheCallWithItsReason) {
    ASSERT_EQ(object_.Put(L"kx_parameter", Text(L"#USR=a#PWD=====#").Get()), S_OK);
    const DISPID id = object_.Id(L"kx_showGUI");
    DISPPARAMS none{};
    EXCEPINFO exception{};
    const HRESULT hr = object_.Get()->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr,
                                             &exception, nullptr);
    EXPECT_EQ(hr, DISP_E_EXCEPTION);
    EXPECT_TRUE(FAILED(exception.scode));
    const std::string description = com::BstrToAnsi(exception.bstrDescription);
    EXPECT_NE(description.find("Base64"), std::string::npos) << description;
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    EXPECT_EQ(FindThreadWindow(GetCurrentThreadId(), kWindowClass), nullptr);
}

// Against the throwaway SSH server (scripts/test-sshd), whose environment
// names the port, the users and the password file. Its second user's df
// prints a recorded Debian listing (scripts/fake-os/outputs/linux-df-k.txt),
// so the list and the screenshot show the same mounts on every machine.
TEST_F(DialogSessionTest, ListsTheMountsPicksOneAndOkHandsBackTheNewSettings) {
    const std::wstring user = Environment("TAVRIX_SSH_FAKE_USER");
    const std::wstring port = Environment("TAVRIX_SSH_PORT");
    if (user.empty() || port.empty() || Environment("TAVRIX_SSH_PASSWORD_FILE").empty()) {
        GTEST_SKIP() << "no test SSH server in the environment";
    }
    const std::wstring password64 = TestServerPassword64();
    ASSERT_FALSE(password64.empty()) << "the test server's password file is unreadable";
    const std::wstring stored = L"#ENC=T#USR=" + user + L"#PWD=" + password64 + L"#PROTO=A#PORT=" +
                                port +
                                L"#KEYF=#KEYT=RSA#OS=LINUX#BLK=1024#RES=/nothing#UNIT=GB#COM=1#"
                                L"EOL=LF#RAN=0#";
    ASSERT_EQ(object_.Put(L"kx_hostname", Text(L"127.0.0.1").Get()), S_OK);
    ASSERT_EQ(object_.Put(L"kx_timeout", Text(L"10").Get()), S_OK);
    ASSERT_EQ(object_.Put(L"kx_parameter", Text(stored).Get()), S_OK);

    std::wstring picked;
    std::wstring learned;
    const CallResult gui = ShowGui([&](DWORD thread) {
        HWND settings = WaitForSettings(thread);
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(ItemText(settings, txtHostname), L"127.0.0.1");
        EXPECT_EQ(ItemText(settings, txtTimeout), L"10");
        EXPECT_EQ(ItemText(settings, txtUsername), user);
        EXPECT_EQ(ItemText(settings, txtPort), port);
        EXPECT_EQ(ItemText(settings, cmbUnit), L"Gigabytes (GB)");
        EXPECT_EQ(ItemText(settings, txtResource), L"/nothing");

        // The block size follows the chosen OS.
        Choose(settings, cmbOS, 6);
        EXPECT_EQ(ItemText(settings, cmbBlockSize), L"512 bytes");
        Choose(settings, cmbOS, 0);
        EXPECT_EQ(ItemText(settings, cmbBlockSize), L"1024 bytes (1 KB)");
        Choose(settings, cmbUnit, 2);
        Type(settings, txtCompareValue, L"2.5");
        SendMessageW(Item(settings, chkReturn_as_number), BM_CLICK, 0, 0);

        // While the listing runs, OK and a second "..." are ignored.
        PostMessageW(Item(settings, btListResources), BM_CLICK, 0, 0);
        PostMessageW(Item(settings, btOK), BM_CLICK, 0, 0);
        PostMessageW(Item(settings, btListResources), BM_CLICK, 0, 0);
        HWND list = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            return (list = FindThreadWindow(thread, kWindowClass, L"Mounts on 127.0.0.1"));
        }));
        EXPECT_TRUE(IsWindow(settings));
        EXPECT_EQ(GetWindow(list, GW_OWNER), settings);
        HWND lines = Item(list, lstResources);
        // In the order of the output, not sorted; a blank stays in the line.
        const std::wstring expectedLines[] = {L"/dev",
                                              L"/run",
                                              L"/",
                                              L"/dev/shm",
                                              L"/run/lock",
                                              L"/boot/efi",
                                              L"/media/backup disk",
                                              L"/run/user/1000"};
        ASSERT_EQ(SendMessageW(lines, LB_GETCOUNT, 0, 0), std::size(expectedLines));
        for (std::size_t i = 0; i < std::size(expectedLines); ++i) {
            wchar_t line[512] = {};
            SendMessageW(lines, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
            EXPECT_EQ(std::wstring(line), expectedLines[i]);
        }
        const LRESULT index = 6;
        picked = expectedLines[index];
        SendMessageW(lines, LB_SETCURSEL, index, 0);
        Screenshot("mounts", list);
        PostMessageW(list, WM_COMMAND, MAKEWPARAM(lstResources, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(lines));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(list); }));
        EXPECT_TRUE(WaitUntil([&] { return ItemText(settings, txtResource) == picked; }));
        EXPECT_EQ(ItemText(settings, lblFirstLine).rfind(L"Filesystem", 0), 0u);
        EXPECT_EQ(ItemText(settings, lblworking), L"");
        // The listing learned the server's key; OK pins it.
        learned = ItemText(settings, txtHostKey);
        EXPECT_EQ(learned.rfind(L"ssh-ed25519 SHA256:", 0), 0u) << learned;
        Screenshot("settings", settings);

        PostMessageW(Item(settings, btOK), BM_CLICK, 0, 0);
        WaitUntil([&] { return !IsWindow(settings); });
    });
    EXPECT_EQ(gui.hr, S_OK);
    EXPECT_EQ(Parameter(), L"#ENC=T#USR=" + user + L"#PWD=" + password64 + L"#PROTO=A#PORT=" +
                               port + L"#KEYF=#KEYT=RSA#OS=LINUX#BLK=1024#RES=" + picked +
                               L"#UNIT=MB#COM=2.5#EOL=LF#RAN=1#HKEY=" + learned + L"#");
}

// A stored pin the server does not show: the warning names both keys; No ends
// the listing before the login and keeps the pin, Yes lists with the new key;
// closing the list keeps the typed mount; Forget clears the pin.
TEST_F(DialogSessionTest, AChangedHostKeyIsTrustedOnlyAfterYes) {
    const std::wstring user = Environment("TAVRIX_SSH_FAKE_USER");
    const std::wstring port = Environment("TAVRIX_SSH_PORT");
    if (user.empty() || port.empty() || Environment("TAVRIX_SSH_PASSWORD_FILE").empty()) {
        GTEST_SKIP() << "no test SSH server in the environment";
    }
    const std::wstring pin = L"ssh-ed25519 SHA256:YCXUg3Zf2dpy0bBv3bQJdlUzPZOFgNkqJFXgNe/1ZpE";
    const std::wstring stored = L"#ENC=T#USR=" + user + L"#PWD=" + TestServerPassword64() +
                                L"#PROTO=A#PORT=" + port +
                                L"#KEYF=#KEYT=RSA#OS=LINUX#BLK=1024#RES=/typed#UNIT=GB#COM=1#"
                                L"EOL=LF#RAN=0#HKEY=" +
                                pin + L"#";
    ASSERT_EQ(object_.Put(L"kx_hostname", Text(L"127.0.0.1").Get()), S_OK);
    ASSERT_EQ(object_.Put(L"kx_timeout", Text(L"10").Get()), S_OK);
    ASSERT_EQ(object_.Put(L"kx_parameter", Text(stored).Get()), S_OK);

    const CallResult gui = ShowGui([&](DWORD thread) {
        HWND settings = WaitForSettings(thread);
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(ItemText(settings, txtHostKey), pin);
        for (const int answer : {IDNO, IDYES}) {
            PostMessageW(Item(settings, btListResources), BM_CLICK, 0, 0);
            HWND box = nullptr;
            ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(thread, settings)); }));
            const std::wstring text = MessageBoxText(box);
            EXPECT_EQ(text.rfind(L"WARNING: the host key of 127.0.0.1 has changed.", 0), 0u)
                << text;
            EXPECT_NE(text.find(L"Expected:\n" + pin), std::wstring::npos) << text;
            EXPECT_NE(text.find(L"The server offered:\nssh-ed25519 SHA256:"), std::wstring::npos);
            if (answer == IDNO) {
                Screenshot("host-key-changed", box);
            }
            PostMessageW(box, WM_COMMAND, answer, 0);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
            if (answer == IDNO) {
                ASSERT_TRUE(WaitUntil([&] { return ItemText(settings, lblworking).empty(); }));
                EXPECT_EQ(FindThreadWindow(thread, kWindowClass, L"Mounts on 127.0.0.1"), nullptr);
                EXPECT_EQ(ItemText(settings, txtHostKey), pin);
            }
        }
        HWND list = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            return (list = FindThreadWindow(thread, kWindowClass, L"Mounts on 127.0.0.1"));
        }));
        PostMessageW(list, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(list); }));
        EXPECT_TRUE(WaitUntil([&] { return ItemText(settings, lblworking).empty(); }));
        const std::wstring trusted = ItemText(settings, txtHostKey);
        EXPECT_EQ(trusted.rfind(L"ssh-ed25519 SHA256:", 0), 0u) << trusted;
        EXPECT_NE(trusted, pin);
        EXPECT_EQ(ItemText(settings, txtResource), L"/typed");

        SendMessageW(Item(settings, btForgetHostKey), BM_CLICK, 0, 0);
        EXPECT_EQ(ItemText(settings, txtHostKey), L"not checked");
        PostMessageW(Item(settings, btOK), BM_CLICK, 0, 0);
        WaitUntil([&] { return !IsWindow(settings); });
    });
    EXPECT_EQ(gui.hr, S_OK);
    EXPECT_EQ(Parameter().find(L"HKEY"), std::wstring::npos) << Parameter();
}

}  // namespace
}  // namespace tavrix::win32::test
